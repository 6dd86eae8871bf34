// The environment dialog's work without a window: the number boxes, the controls stored into the
// local settings (byte for byte as the file gets them), deleting members while another computer
// joins, and the move to another shared folder with notes in both folders.
#include "app/options.h"

#include "app/groval.h"
#include "startup_fixture.h"

#include <gtest/gtest.h>

#include <set>

#ifndef _WIN32
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

using namespace tw;
using namespace tw::test::startup;

namespace {

struct BoxCase {
    int box, unit;
    const char* text;
    bool valid;
};

TEST(OptionsNumberBoxes, Limits) {
    const BoxCase table[] = {
        {0, 0, "0", true},    {0, 0, "90", true},  {0, 0, "91", false}, {2, 1, "90", true},  {2, 0, "91", false},
        {1, 0, "720", true},  {1, 0, "721", false}, {3, 2, "720", true}, {3, 0, "721", false},
        {4, 2, "48", true},   {4, 2, "49", false},  {4, 0, "59", true},  {4, 1, "59", true},  {4, 1, "60", false},
        {0, 0, "-1", false},  {0, 0, "1a", false},  {0, 0, "", false},   {1, 0, " 5", false},
    };
    for (const BoxCase& c : table)
        EXPECT_EQ(numberBoxValid(c.box, c.text, c.unit), c.valid) << c.box << "/" << c.unit << " \"" << c.text << "\"";
}

struct SpinCase {
    int box, unit;
    const char* text;
    int delta;
    std::optional<std::string> result;
};

TEST(OptionsNumberBoxes, SpinSteps) {
    const SpinCase table[] = {
        {0, 0, "5", 1, "6"},   {0, 0, "5", -1, "4"},  {0, 0, "", 1, "0"},       {0, 0, "", -1, "0"},
        {0, 0, "0", -1, {}},   {0, 0, "90", 1, {}},   {4, 2, "48", 1, {}},      {4, 0, "48", 1, "49"},
        {1, 0, "720", 1, {}},  {1, 0, "719", 1, "720"}, {2, 0, "x", 1, {}},
    };
    for (const SpinCase& c : table)
        EXPECT_EQ(spinStep(c.box, c.text, c.unit, c.delta), c.result) << c.box << " \"" << c.text << "\" " << c.delta;
}

// Little-endian pieces of the expected file, written out by hand.
struct Bytes {
    std::string s;
    Bytes& i16(int v) {
        s += static_cast<char>(v & 0xFF);
        s += static_cast<char>((v >> 8) & 0xFF);
        return *this;
    }
    Bytes& u32(uint32_t v) {
        for (int k = 0; k < 4; ++k) s += static_cast<char>((v >> (8 * k)) & 0xFF);
        return *this;
    }
    Bytes& text(const std::string& ascii) {
        i16(static_cast<int>(ascii.size()));
        s += ascii;
        return *this;
    }
};

TEST(OptionsStore, ControlsReachTheLocalSettingsFileByteForByte) {
    OptionsControls c;
    c.name = "Suzuki";
    c.memberIdText = "3";
    c.numbers = {"7", "45", "", "720", "48"};
    c.checkUnit = 2;
    c.backColours = {0x00112233u, 0x00445566u, 0x000000FFu, 0x0000FF00u, 0x00FF0000u};
    c.textColours = {0x80000012u, 0x00000000u, 0x00FFFFFFu, 0x80000012u, 0x00010203u};
    c.fonts = {FontChoice{"Gothic", 9, false, false}, FontChoice{"Mincho", 12.5, true, false},
               FontChoice{"Serif", 15.75, false, true}};
    c.timerBase = 2;
    c.defaultTextSize = 1;
    c.autoSize = true;

    LocalConfig cfg = defaultLocalConfig();
    storeOptions(cfg, c, false);
    ByteWriter w;
    encode(w, cfg);

    Bytes want;
    want.text("Suzuki").i16(3).i16(7).i16(45).i16(0).i16(720).i16(48).i16(2);
    for (uint32_t v : c.backColours) want.u32(v);
    for (uint32_t v : c.textColours) want.u32(v);
    // Sizes as whole points, halves to even: 12.5 gives 12, 15.75 gives 16.
    want.text("Gothic").i16(9).i16(0).i16(0);
    want.text("Mincho").i16(12).i16(-1).i16(0);
    want.text("Serif").i16(16).i16(0).i16(-1);
    want.i16(2).i16(1).i16(1);
    EXPECT_EQ(w.data(), want.s);

    // During a move to another folder the name stays the one the member is known by; a member number
    // that is no number stores 0.
    OptionsControls moving;
    moving.name = "Other";
    moving.memberIdText = "x";
    storeOptions(cfg, moving, true);
    EXPECT_EQ(cfg.MemberName, "Suzuki");
    EXPECT_EQ(cfg.MemberId, 0);
    EXPECT_EQ(cfg.AutoSizeDefault, 0);
}

// ---- the member list and the move, on real folders ----

class OptionsFolderTest : public StartupTest {
protected:
    tw::test::TempDir second;

    // The program runs as `name` (number `id`) in `shared` with `notes`.
    void runningAs(const std::string& name, int16_t id, std::vector<NoteRecord> notes) {
        st.SharedPath = shared.str();
        st.CurrentMemberId = id;
        ASSERT_TRUE(AccessSharedFile(st, kModeRead, kKindShared));
        ASSERT_TRUE(AccessSharedFile(st, kModeRead, kKindLocal));
        st.localConfig.MemberName = name;
        st.NoteTable = std::move(notes);
        st.undoSlots[0] = 1;
        st.undoCount = 1;
        st.SettingsReady = true;
        WriteWorkstation(st);
    }

    std::vector<UserEntry> membersIn(const std::string& folder) {
        AppState s = fresh();
        s.SharedPath = folder;
        EXPECT_TRUE(AccessSharedFile(s, kModeRead, kKindShared));
        return s.members;
    }

    std::vector<NoteRecord> notesOf(const std::string& folder, int16_t id) {
        AppState s = fresh();
        s.SharedPath = folder;
        s.CurrentMemberId = id;
        EXPECT_TRUE(AccessSharedFile(s, kModeRead, kKindNotes));
        return s.NoteTable;
    }

    static std::vector<std::string> namesOf(const std::vector<UserEntry>& members) {
        std::vector<std::string> v;
        for (const UserEntry& m : members) v.push_back(m.MemberName + "#" + std::to_string(m.MemberId));
        return v;
    }

#ifndef _WIN32
    // Another computer's first-time setup in `shared`, as a process of its own: `count` joins named
    // <name>-0, <name>-1, … Returns its process id; it starts when the file "go" appears.
    pid_t startJoins(const std::string& name, int count) {
        std::string tool = std::string(TW_TOOLS_DIR) + "/join_member";
        std::string prog = programDir.str() + "/joiner", folder = shared.str(), go = shared.file("go");
        std::string n = name, c = std::to_string(count);
        std::vector<char*> argv = {tool.data(), prog.data(), folder.data(), n.data(), go.data(), c.data(), nullptr};
        pid_t pid = 0;
        EXPECT_EQ(posix_spawn(&pid, tool.c_str(), nullptr, nullptr, argv.data(), environ), 0);
        return pid;
    }
    static void expectDone(pid_t pid) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
#endif
};

#ifndef _WIN32
// The dialog showed members 1, 2 and 3; another computer joins ten times while members 2 and 3 are
// deleted. Exactly those two go; every member who joined meanwhile stays (also one that took a
// number freed by the delete).
TEST_F(OptionsFolderTest, DeleteKeepsMembersWhoJoinedMeanwhile) {
    prepareFolder({member("佐藤", 1), member("鈴木", 2), member("高橋", 3)}, {});
    runningAs("佐藤", 1, {});
    const pid_t joiner = startJoins("new", 10);
    std::ofstream(shared.file("go")) << "go";
    EXPECT_EQ(deleteMembers(st, {2}), MemberDelete::Written);
    EXPECT_EQ(deleteMembers(st, {3}), MemberDelete::Written);
    expectDone(joiner);

    const std::vector<UserEntry> now = membersIn(shared.str());
    ASSERT_EQ(now.size(), 11u) << testing::PrintToString(namesOf(now));
    std::set<int16_t> ids;
    std::set<std::string> names;
    for (const UserEntry& m : now) {
        ids.insert(m.MemberId);
        names.insert(m.MemberName);
    }
    EXPECT_EQ(ids.size(), 11u) << "numbers stay distinct";
    EXPECT_TRUE(names.count("佐藤"));
    EXPECT_FALSE(names.count("鈴木"));
    EXPECT_FALSE(names.count("高橋"));
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(names.count("new-" + std::to_string(i))) << i;
}

// The dialog showed one member; by the time he is deleted another computer has joined: the file stays
// with the newcomer in it.
TEST_F(OptionsFolderTest, DeletingTheOnlyRowKeepsTheFileForANewcomer) {
    prepareFolder({member("佐藤", 1)}, {});
    runningAs("佐藤", 1, {});
    const pid_t joiner = startJoins("late", 1);
    std::ofstream(shared.file("go")) << "go";
    expectDone(joiner);   // joined after the list was shown

    EXPECT_EQ(deleteMembers(st, {1}), MemberDelete::Written);
    EXPECT_EQ(namesOf(membersIn(shared.str())), std::vector<std::string>{"late-0#2"});
}
#endif

TEST_F(OptionsFolderTest, DeletingEveryoneDeletesTheFile) {
    prepareFolder({member("佐藤", 1), member("鈴木", 2)}, {});
    runningAs("佐藤", 1, {});
    EXPECT_EQ(deleteMembers(st, {1, 2}), MemberDelete::NoneLeft);
    EXPECT_FALSE(std::filesystem::exists(shared.file("GRPINLY.CFG")));

    prepareFolder({member("佐藤", 1), member("鈴木", 2)}, {});
    EXPECT_TRUE(deleteAllMembers(st));
    EXPECT_FALSE(std::filesystem::exists(shared.file("GRPINLY.CFG")));
    EXPECT_TRUE(st.members.empty());
}

struct MoveCase {
    const char* name;
    std::vector<UserEntry> secondMembers;   // the new folder's member list before the move
    int16_t id;                              // the member's number there afterwards
    std::vector<std::string> notes;          // the member's notes there afterwards
    std::vector<std::string> membersAfter;
};

// "鈴木" (member 2 in the old folder, two notes, one changed since the last save) moves to the
// second folder. Where an entry of his name exists he takes over its number and its notes; otherwise
// he joins with the smallest free number and no notes. The old folder keeps his notes as they were
// at the move.
TEST_F(OptionsFolderTest, MoveToAnotherFolderWithNotesInBoth) {
    const std::vector<MoveCase> table = {
        {"known there", {member("田中", 1), member("鈴木", 4)}, 4, {"new folder note"}, {"田中#1", "鈴木#4"}},
        {"new there", {member("田中", 1), member("山本", 3)}, 2, {}, {"田中#1", "山本#3", "鈴木#2"}},
    };
    for (const MoveCase& c : table) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(second.path());
        std::filesystem::create_directories(second.path());
        prepareFolder({member("佐藤", 1), member("鈴木", 2)}, {{2, {note("old A", 0, 0), note("old B", 500, 0)}}});
        {   // the second folder as its members left it
            AppState other = fresh();
            other.SharedPath = second.str();
            other.sharedConfig.Signature = kProduct;
            other.sharedConfig.VersionMajor = 1;
            other.members = c.secondMembers;
            ASSERT_TRUE(AccessSharedFile(other, kModeWrite, kKindShared));
            other.CurrentMemberId = 4;
            other.localConfig = defaultLocalConfig();
            other.localConfig.MemberName = "鈴木";
            other.localConfig.MemberId = 4;
            ASSERT_TRUE(AccessSharedFile(other, kModeWrite, kKindLocal));
            other.NoteTable = {note("new folder note", 100, 100)};
            ASSERT_TRUE(AccessSharedFile(other, kModeWrite, kKindNotes));
        }
        st = fresh();
        host.calls.clear();
        runningAs("鈴木", 2, {note("old A", 0, 0), note("old B changed", 500, 0)});

        st.pathChgFlag = true;
        ASSERT_TRUE(saveForFolderMove(st, "鈴木"));
        ASSERT_TRUE(switchToFolder(st, second.str()).ok());
        EXPECT_TRUE(st.NoteTable.empty());
        EXPECT_EQ(st.undoCount, 0);
        ASSERT_EQ(runStartup(st, host), StartupResult::Running);

        EXPECT_EQ(st.SharedPath, second.str());
        EXPECT_EQ(st.CurrentMemberId, c.id);
        EXPECT_EQ(st.localConfig.MemberId, c.id);
        EXPECT_EQ(workstation().MemberName, second.str());
        EXPECT_EQ(workstation().MemberId, c.id);
        std::vector<std::string> texts;
        for (const NoteRecord& n : st.NoteTable) texts.push_back(n.Text);
        EXPECT_EQ(texts, c.notes);
        EXPECT_EQ(namesOf(membersIn(second.str())), c.membersAfter);
        std::vector<std::string> old;
        for (const NoteRecord& n : notesOf(shared.str(), 2)) old.push_back(n.Text);
        EXPECT_EQ(old, (std::vector<std::string>{"old A", "old B changed"}));
        EXPECT_EQ(namesOf(membersIn(shared.str())), (std::vector<std::string>{"佐藤#1", "鈴木#2"}));
        st.pathChgFlag = false;
    }
}

}  // namespace
