// The change of the member's own entry from the environment dialog: name and password reach the
// member list, nobody else's entry changes, and a change that cannot be made is reported and undone.
#include "app/memberentry.h"

#include "app/groval.h"
#include "platform/codepage.h"
#include "support/temp_dir.h"
#include "support/test_services.h"

#include <gtest/gtest.h>

using namespace tw;

namespace {

UserEntry entry(const std::string& name, int16_t id, const std::string& password) {
    UserEntry u;
    u.MemberName = name;
    u.MemberId = id;
    u.MemberPassword = ScramblePassword(password);
    return u;
}

class MemberEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        st.SharedPath = shared.str();
        st.sharedConfig.Signature = kProductName;
        st.sharedConfig.VersionMajor = kVersionMajor;
        st.members = {entry("佐藤", 1, "A1"), entry("鈴木", 3, "PW1"), entry("田中", 4, "")};
        ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindShared));
        st.members.clear();   // the change reads the list afresh
        st.localConfig.MemberId = 3;
        st.localConfig.MemberName = "鈴木一郎";
    }

    std::vector<UserEntry> onDisk() {
        AppState other(st.sys);
        other.SharedPath = shared.str();
        EXPECT_TRUE(AccessSharedFile(other, kModeRead, kKindShared));
        return other.members;
    }

    tw::test::TempDir shared;
    tw::test::TestServices env;
    AppState st{env.services()};
};

TEST_F(MemberEntryTest, NameAndPasswordReachOnlyTheMembersOwnEntry) {
    ASSERT_TRUE(changeMemberEntry(st, "鈴木", "NEW2"));
    const auto members = onDisk();
    ASSERT_EQ(members.size(), 3u);
    EXPECT_EQ(members[0].MemberName, "佐藤");
    EXPECT_EQ(members[0].MemberPassword, ScramblePassword("A1"));
    EXPECT_EQ(members[1].MemberName, "鈴木一郎");
    EXPECT_EQ(members[1].MemberPassword, ScramblePassword("NEW2"));
    EXPECT_EQ(members[2].MemberName, "田中");
    EXPECT_EQ(st.localConfig.MemberName, "鈴木一郎");
}

TEST_F(MemberEntryTest, ChangesThatCannotBeMadeAreReportedAndUndone) {
    const std::string before = [&] {
        AppState o(st.sys);
        o.SharedPath = shared.str();
        EXPECT_TRUE(AccessSharedFile(o, kModeRead, kKindShared));
        return o.members[1].MemberName;
    }();
    struct Case {
        const char* what;
        int16_t memberId;
        bool folderGone;
        std::vector<std::string> texts;   // the error boxes, in order
    } cases[] = {
        {"member no longer listed", 7, false, {"共有設定ファイルに該当ID7が存在しませんでした（変更不可）"}},
        {"folder gone", 3, true,
         {"共有設定ファイルにアクセスできません\r" + makeError(kErrPathNotFound).description, "設定変更はできませんでした"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        st.localConfig.MemberId = c.memberId;
        st.localConfig.MemberName = "別名";
        st.SharedPath = c.folderGone ? shared.file("gone") : shared.str();
        for (const std::string& t : c.texts) env.prompter.expect("エラー", t, Icon::Warning, Buttons::Ok, Answer::Ok);
        EXPECT_FALSE(changeMemberEntry(st, "鈴木", "X"));
        EXPECT_EQ(st.localConfig.MemberName, "鈴木") << "the old name is back";
        EXPECT_TRUE(env.prompter.done());
    }
    st.SharedPath = shared.str();
    EXPECT_EQ(onDisk()[1].MemberName, before) << "nothing was written";
}

}  // namespace
