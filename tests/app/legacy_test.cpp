// Moving older settings into the workstation file, the member and local-file checks and the reset.
#include "app/legacy.h"

#include "app/groval.h"
#include "platform/settingsstore.h"
#include "support/scripted_prompter.h"
#include "support/test_services.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

using namespace tw;
using tw::test::ScriptedPrompter;
using tw::test::TempDir;
using tw::test::TestClock;

namespace {

class FakeStore : public SettingsStore {
public:
    std::map<std::string, std::string> values;   // "app/section/key"
    std::vector<std::string> deleted;

    std::string value(const std::string& app, const std::string& section, const std::string& key) override {
        auto it = values.find(app + "/" + section + "/" + key);
        return it == values.end() ? std::string() : it->second;
    }
    void deleteSection(const std::string& app, const std::string& section) override {
        deleted.push_back(app + "/" + section);
        std::string prefix = app + "/" + section + "/";
        for (auto it = values.begin(); it != values.end();)
            it = it->first.rfind(prefix, 0) == 0 ? values.erase(it) : std::next(it);
    }
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

const std::string kMigrationTitle = "タックウィスプ 確認";
const std::string kMigrationText =
    "旧バージョンの情報がレジストリに記録されています\r旧バージョンのレジストリ情報をクリアし、新バージョンによるファイル管理に移行します";
const std::string kCheckTitle = "タックウィスプ (確認)";
const std::string kResetText = "環境をリセットしますか？\rリセットを行うと設定は初期化されます。";

// REG.CFG holding an empty path and member `id`.
std::string emptyPathRecord(int16_t id) {
    return std::string("\0\0", 2) + static_cast<char>(id & 0xFF) + static_cast<char>((id >> 8) & 0xFF) +
           std::string(12, '\0');
}

class LegacyTest : public ::testing::Test {
protected:
    void SetUp() override {
        st.sys.programDir = program.str();
        reg = program.file("REG.CFG");
        std::ofstream(reg, std::ios::binary).close();   // an empty workstation file
    }

    void setLegacy(const std::string& key, const std::string& v) { store.values["QOV/TACKWISP/" + key] = v; }

    TempDir program;
    std::string reg;
    FakeStore store;
    ScriptedPrompter prompter;
    TestClock clock;
    FixedScreen screen;
    AppState st{Services{prompter, clock, screen, store}};
};

}  // namespace

TEST_F(LegacyTest, OnlyTheMemberNumberIsMigratedAndCancelKeepsTheOldEntries) {
    setLegacy("LID", "4");
    prompter.expect(kMigrationTitle, kMigrationText, Icon::None, Buttons::OkCancel, Answer::Cancel);
    ReadWorkstation(st);
    EXPECT_EQ(st.SharedPath, "");
    EXPECT_EQ(st.CurrentMemberId, 4);
    EXPECT_EQ(slurp(reg), emptyPathRecord(4));   // written although the question was cancelled
    EXPECT_TRUE(store.deleted.empty());

    // REG.CFG is no longer empty: the old entries are not consulted again.
    setLegacy("LID", "9");
    ReadWorkstation(st);
    EXPECT_EQ(st.CurrentMemberId, 4);
    EXPECT_EQ(prompter.shown().size(), 1u);
}

TEST_F(LegacyTest, OkDeletesTheOldSection) {
    setLegacy("Path", "\\\\srv\\share");
    setLegacy("LID", "12");
    store.values["QOV/OTHER/Path"] = "keep";
    prompter.expect(kMigrationTitle, kMigrationText, Icon::None, Buttons::OkCancel, Answer::Ok);
    ReadWorkstation(st);
    EXPECT_EQ(st.SharedPath, "\\\\srv\\share");
    EXPECT_EQ(st.CurrentMemberId, 12);
    ASSERT_EQ(store.deleted, std::vector<std::string>{"QOV/TACKWISP"});
    EXPECT_EQ(store.values.size(), 1u);

    AppState again(st.sys);
    ReadWorkstation(again);
    EXPECT_EQ(again.SharedPath, "\\\\srv\\share");
    EXPECT_EQ(again.CurrentMemberId, 12);
}

TEST_F(LegacyTest, NothingToMigrateLeavesTheFileEmpty) {
    ReadWorkstation(st);
    EXPECT_EQ(st.SharedPath, "");
    EXPECT_EQ(st.CurrentMemberId, 0);
    EXPECT_EQ(std::filesystem::file_size(reg), 0u);

    // A missing workstation file is created empty and treated the same way.
    std::filesystem::remove(reg);
    ReadWorkstation(st);
    EXPECT_TRUE(std::filesystem::exists(reg));
    EXPECT_EQ(std::filesystem::file_size(reg), 0u);

    // So is a computer where no older version ever kept its settings.
    EmptySettingsStore none;
    st.sys.legacyStore = none;
    ReadWorkstation(st);
    EXPECT_EQ(st.CurrentMemberId, 0);
}

TEST_F(LegacyTest, OddMemberNumbersReadAsNone) {
    for (const char* lid : {"abc", "40000", "4x", "", "-"}) {
        SCOPED_TRACE(lid);
        setLegacy("LID", lid);
        ReadWorkstation(st);
        EXPECT_EQ(st.CurrentMemberId, 0);
        EXPECT_EQ(std::filesystem::file_size(reg), 0u);
    }
    setLegacy("LID", " 7 ");
    prompter.expect(kMigrationTitle, kMigrationText, Icon::None, Buttons::OkCancel, Answer::Cancel);
    ReadWorkstation(st);
    EXPECT_EQ(st.CurrentMemberId, 7);
}

TEST_F(LegacyTest, RemovedMemberIsToldAndMayReset) {
    st.SharedPath = "share";
    st.CurrentMemberId = 3;
    st.members.resize(2);
    st.members[0].MemberId = 1;
    st.members[1].MemberId = 2;

    prompter.expect(kCheckTitle, "あなたのID: 3は共有設定ファイルから削除されています", Icon::Warning, Buttons::Ok,
                    Answer::Ok);
    prompter.expect("警告", kResetText, Icon::None, Buttons::OkCancel, Answer::Cancel);
    EXPECT_EQ(checkMemberExists(st), CheckResult::Continue);
    EXPECT_EQ(st.CurrentMemberId, 3);
    EXPECT_EQ(st.SharedPath, "share");

    prompter.expect(kCheckTitle, "あなたのID: 3は共有設定ファイルから削除されています", Icon::Warning, Buttons::Ok,
                    Answer::Ok);
    prompter.expect("警告", kResetText, Icon::None, Buttons::OkCancel, Answer::Ok);
    EXPECT_EQ(checkMemberExists(st), CheckResult::EndProcess);
    EXPECT_EQ(st.CurrentMemberId, 0);
    EXPECT_EQ(st.SharedPath, "");
    EXPECT_EQ(slurp(reg), emptyPathRecord(0));

    // The next start finds no folder and does not migrate again.
    setLegacy("Path", "old");
    ReadWorkstation(st);
    EXPECT_EQ(st.SharedPath, "");
}

TEST_F(LegacyTest, PresentMemberPassesSilently) {
    st.CurrentMemberId = 2;
    st.members.resize(2);
    st.members[0].MemberId = 1;
    st.members[1].MemberId = 2;
    EXPECT_EQ(checkMemberExists(st), CheckResult::Continue);
    EXPECT_TRUE(memberExists(st, 1));
    EXPECT_FALSE(memberExists(st, 3));

    // Number 0 is nobody, even when a damaged entry carries it.
    st.members[0].MemberId = 0;
    st.CurrentMemberId = 0;
    prompter.expect(kCheckTitle, "あなたのID: 0は共有設定ファイルから削除されています", Icon::Warning, Buttons::Ok,
                    Answer::Ok);
    prompter.expect("警告", kResetText, Icon::None, Buttons::OkCancel, Answer::Cancel);
    EXPECT_EQ(checkMemberExists(st), CheckResult::Continue);
}

TEST_F(LegacyTest, MissingLocalSettingsAreToldAndMayReset) {
    TempDir shared;
    st.SharedPath = shared.str();
    st.CurrentMemberId = 3;
    // Reading a local settings file that is gone leaves the presets empty.
    ASSERT_TRUE(AccessSharedFile(st, kModeRead, kKindLocal));
    ASSERT_TRUE(localSettingsMissing(st.localConfig));

    prompter.expect(kCheckTitle, "あなたのローカル環境設定ファイルID00003.FCG\rは削除された可能性があります",
                    Icon::Warning, Buttons::Ok, Answer::Ok);
    prompter.expect("警告", kResetText, Icon::None, Buttons::OkCancel, Answer::Cancel);
    EXPECT_EQ(checkLocalSettings(st), CheckResult::Continue);

    prompter.expect(kCheckTitle, "あなたのローカル環境設定ファイルID00003.FCG\rは削除された可能性があります",
                    Icon::Warning, Buttons::Ok, Answer::Ok);
    prompter.expect("警告", kResetText, Icon::None, Buttons::OkCancel, Answer::Ok);
    EXPECT_EQ(checkLocalSettings(st), CheckResult::EndProcess);
    EXPECT_EQ(slurp(reg), emptyPathRecord(0));
    // A reset touches only the workstation file.
    EXPECT_TRUE(std::filesystem::exists(shared.file("ID00003.FCG")));

    st.localConfig = defaultLocalConfig();
    EXPECT_EQ(checkLocalSettings(st), CheckResult::Continue);
}
