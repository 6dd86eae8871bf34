// Changes reach the member's files within seconds, exactly as the end of the program would write
// them, and a file held elsewhere is only tried again later.
#include "notes/autosave.h"

#include "app/groval.h"
#include "support/member_state.h"
#include "support/temp_dir.h"
#include "support/test_services.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace tw;

namespace {

class AutoSaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::setUpNoteMember(st, shared.str());
        st.NoteTable.resize(2);
        st.NoteTable[0].Text = "一";
        st.NoteTable[1].Text = "二";
        ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindLocal));
        ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindNotes));
        save.remember(st);
    }
    std::string onDisk(const std::string& kind) const {
        std::ifstream in(sharedFilePath(st, kind), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    test::TempDir shared;
    test::TestServices env;
    AppState st{env.services()};
    AutoSave save;
};

TEST_F(AutoSaveTest, OnlyChangedFilesAreWrittenWithTheBytesOfTheFileRoutine) {
    EXPECT_EQ(save.saveChanges(st), 0) << "nothing changed";

    st.NoteTable[1].Text = "二行目を直した";
    EXPECT_EQ(save.saveChanges(st), 1);
    EXPECT_EQ(onDisk(kKindNotes), memberFileBytes(st, kKindNotes));
    EXPECT_EQ(save.saveChanges(st), 0);

    st.localConfig.CheckInterval = 7;
    st.NoteTable[0].Top = 300;
    EXPECT_EQ(save.saveChanges(st), 2);
    AppState other(st.sys);
    test::setUpNoteMember(other, shared.str());
    ASSERT_TRUE(AccessSharedFile(other, kModeRead, kKindLocal));
    ASSERT_TRUE(AccessSharedFile(other, kModeRead, kKindNotes));
    EXPECT_EQ(other.localConfig.CheckInterval, 7);
    ASSERT_EQ(other.NoteTable.size(), 2u);
    EXPECT_EQ(other.NoteTable[1].Text, "二行目を直した");
}

TEST_F(AutoSaveTest, PeeledNotesFollowTheRulesOfTheFile) {
    // A peeled note leaves the file; while a sent note waits for receipts every record keeps its
    // place, so that recipients still find theirs by position.
    st.NoteTable[0].IsPeeled = true;
    ASSERT_EQ(save.saveChanges(st), 1);
    EXPECT_EQ(onDisk(kKindNotes), memberFileBytes(st, kKindNotes));
    st.NoteTable[1].IsSent = true;
    ASSERT_EQ(save.saveChanges(st), 1);
    AppState other(st.sys);
    test::setUpNoteMember(other, shared.str());
    ASSERT_TRUE(AccessSharedFile(other, kModeRead, kKindNotes));
    EXPECT_EQ(other.NoteTable.size(), 2u) << "the peeled record keeps its place";
}

TEST_F(AutoSaveTest, AFileHeldElsewhereIsTriedAgainLaterWithoutAWordOrAWait) {
    st.sys.retrySeconds = 30;   // the routine's own writes would wait this long
    SharedFile reader;
    ASSERT_TRUE(reader.open(sharedFilePath(st, kKindNotes), ShareMode::ReadDenyWrite).ok());
    const std::string before = onDisk(kKindNotes);
    st.NoteTable[0].Text = "読まれている間の変更";
    EXPECT_EQ(save.saveChanges(st), 0);   // any box would fail the test; no wait either
    EXPECT_EQ(onDisk(kKindNotes), before);
    reader.close();
    EXPECT_EQ(save.saveChanges(st), 1);
    EXPECT_EQ(onDisk(kKindNotes), memberFileBytes(st, kKindNotes));
}

TEST_F(AutoSaveTest, NothingWhileTheProgramEndsOrBeforeItKnowsTheFiles) {
    st.NoteTable[0].Text = "x";
    st.exiting = true;
    EXPECT_EQ(save.saveChanges(st), 0);
    st.exiting = false;
    AutoSave fresh;
    EXPECT_EQ(fresh.saveChanges(st), 0) << "the files were never read";
    st.SharedPath.clear();
    EXPECT_EQ(save.saveChanges(st), 0);
}

}  // namespace
