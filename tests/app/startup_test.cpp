// The start-up routine against real files in a temporary program folder and shared folder, with a
// scripted windowed program around it.
#include "app/startup.h"

#include "app/groval.h"
#include "app/legacy.h"
#include "platform/codepage.h"
#include "platform/screen.h"
#include "platform/settingsstore.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

using namespace tw;
using tw::test::ScriptedPrompter;
using tw::test::TempDir;
using tw::test::TestClock;

namespace {

const std::string kProduct = "タックウィスプ";
const std::string kWelcome = kProduct + "をご使用頂きありがとうございます。\r" +
                             "まず始めに「使用する方の名前」と「データパス」その他の設定を行います";
const std::string kResetText = "環境をリセットしますか？\rリセットを行うと設定は初期化されます。";
const double kNow = 36724.375;   // 2000-07-17 09:00

class MemoryStore : public SettingsStore {
public:
    std::map<std::string, std::string> values;   // "app/section/key"
    std::string value(const std::string& app, const std::string& section, const std::string& key) override {
        auto it = values.find(app + "/" + section + "/" + key);
        return it == values.end() ? std::string() : it->second;
    }
    void deleteSection(const std::string& app, const std::string& section) override {
        std::string prefix = app + "/" + section + "/";
        for (auto it = values.begin(); it != values.end();)
            it = it->first.rfind(prefix, 0) == 0 ? values.erase(it) : std::next(it);
    }
};

// The windowed program as the start-up sees it. `onDialog` plays the user in the environment dialog.
class FakeHost : public StartupHost {
public:
    explicit FakeHost(AppState& st) : st_(st) {}

    bool previous = false;
    std::string name, password;          // what the dialog's boxes hold
    std::function<void()> onDialog;
    std::vector<std::string> calls;
    int32_t interval = 60000;
    int32_t armed = -1;
    bool readyWhenNotesOpened = true;

    // The user fills in the first-time setup and presses OK: the dialog stores the path, the name and
    // the design defaults of the local settings and sets SettingsReady.
    void answerSetup(const std::string& path, const std::string& who, const std::string& pw = "") {
        onDialog = [this, path, who, pw] {
            st_.SharedPath = path;
            st_.localConfig = defaultLocalConfig();
            st_.localConfig.MemberName = who;
            st_.SettingsReady = true;
            name = who;
            password = pw;
        };
    }
    void cancelSetup() {
        onDialog = [] {};
    }

    bool previousInstance() override { return previous; }
    void resetCheckUnitBox() override { calls.push_back("unit"); }
    void showEnvironmentDialog() override {
        calls.push_back("dialog");
        if (onDialog) onDialog();
    }
    std::string dialogName() override { return name; }
    std::string dialogPassword() override { return password; }
    void loadShapes() override { calls.push_back("shapes"); }
    int32_t onTimer() override {
        calls.push_back("onTimer");
        return interval;
    }
    void setTimerInterval(int32_t ms) override {
        calls.push_back("interval");
        armed = ms;
    }
    void chkNetCom() override { calls.push_back("check"); }
    void openAllNotes() override {
        calls.push_back("notes");
        readyWhenNotesOpened = st_.SettingsReady;
    }

private:
    AppState& st_;
};

NoteRecord note(const std::string& text, int16_t top, int16_t left) {
    NoteRecord n;
    n.CreatedAt = kNow;
    n.Text = text;
    n.Top = top;
    n.Left = left;
    n.Width = 2145;
    n.Height = 450;
    return n;
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class StartupTest : public ::testing::Test {
protected:
    TempDir programDir, shared;
    ScriptedPrompter prompter;
    TestClock clock{kNow};
    FixedScreen screen;
    MemoryStore store;
    AppState st;
    FakeHost host{st};

    void SetUp() override { configure(st); }

    void configure(AppState& s) {
        s.sys.prompter = &prompter;
        s.sys.clock = &clock;
        s.sys.screen = &screen;
        s.sys.legacyStore = &store;
        s.sys.programDir = programDir.str();
        s.sys.retrySeconds = 2;
        s.sys.retryPauseMs = 5;
    }

    // Another computer's program wrote this folder: members, and local settings and notes per member.
    void prepareFolder(const std::vector<UserEntry>& members, const std::map<int16_t, std::vector<NoteRecord>>& notes,
                       bool withLocalSettings = true) {
        AppState other;
        configure(other);
        other.SharedPath = shared.str();
        other.sharedConfig.Signature = kProduct;
        other.sharedConfig.VersionMajor = 1;
        other.members = members;
        ASSERT_TRUE(AccessSharedFile(other, kModeWrite, kKindShared));
        for (const UserEntry& m : members) {
            other.CurrentMemberId = m.MemberId;
            other.localConfig = defaultLocalConfig();
            other.localConfig.MemberName = m.MemberName;
            other.localConfig.MemberId = m.MemberId;
            other.localConfig.CheckUnit = 2;
            if (withLocalSettings) {
                ASSERT_TRUE(AccessSharedFile(other, kModeWrite, kKindLocal));
            }
            auto it = notes.find(m.MemberId);
            other.NoteTable = it == notes.end() ? std::vector<NoteRecord>{} : it->second;
            ASSERT_TRUE(AccessSharedFile(other, kModeWrite, kKindNotes));
        }
    }

    static UserEntry member(const std::string& name, int16_t id, const std::string& password = "") {
        UserEntry e;
        e.MemberName = name;
        e.MemberId = id;
        e.MemberPassword = ScramblePassword(utf8ToCp932(password));
        return e;
    }

    // This computer was set up before: REG.CFG names the folder and the member.
    void prepareWorkstation(const std::string& path, int16_t id) {
        AppState s;
        configure(s);
        s.SharedPath = path;
        s.CurrentMemberId = id;
        WriteWorkstation(s);
    }

    UserEntry workstation() {
        std::string bytes = readBytes(programDir.file("REG.CFG"));
        UserEntry rec;
        ByteReader rd(bytes);
        EXPECT_TRUE(decode(rd, rec) && rd.atEnd()) << "REG.CFG holds " << bytes.size() << " bytes";
        return rec;
    }

    std::vector<UserEntry> membersOnDisk() {
        AppState s;
        configure(s);
        s.SharedPath = shared.str();
        EXPECT_TRUE(AccessSharedFile(s, kModeRead, kKindShared));
        return s.members;
    }

    void expectWelcome() { prompter.expect("セットアップ初期設定", kWelcome, Icon::Information, Buttons::Ok, Answer::Ok); }
};

const std::vector<std::string> kRunningCalls = {"shapes", "onTimer", "interval", "notes", "check"};

std::vector<std::string> setupCalls() {
    std::vector<std::string> v = {"unit", "dialog"};
    v.insert(v.end(), kRunningCalls.begin(), kRunningCalls.end());
    return v;
}

// ---- first-time setup ----

TEST_F(StartupTest, FirstStartInAnEmptyFolderMakesMemberOne) {
    expectWelcome();
    host.answerSetup(shared.str(), "山田");
    host.interval = 60000;

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);

    EXPECT_EQ(host.calls, setupCalls());
    EXPECT_EQ(st.CurrentMemberId, 1);
    EXPECT_EQ(st.localConfig.MemberId, 1);
    EXPECT_TRUE(st.SettingsReady);
    EXPECT_EQ(st.LastCheckTime, kNow);
    EXPECT_EQ(host.armed, 60000);

    UserEntry reg = workstation();
    EXPECT_EQ(reg.MemberName, shared.str());
    EXPECT_EQ(reg.MemberId, 1);

    auto members = membersOnDisk();
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0].MemberName, "山田");
    EXPECT_EQ(members[0].MemberId, 1);
    EXPECT_EQ(members[0].MemberPassword, "");
    // The join leaves the shared log as it found it: there was none, so it is empty.
    EXPECT_EQ(readBytes(shared.file("GRPINLY.FLG")), "");
}

TEST_F(StartupTest, SecondComputerTakesTheSmallestFreeNumber) {
    prepareFolder({member("佐藤", 1), member("鈴木", 3)}, {});
    expectWelcome();
    host.answerSetup(shared.str(), "山田", "AB12");

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);

    EXPECT_EQ(st.CurrentMemberId, 2);
    EXPECT_EQ(workstation().MemberId, 2);
    auto members = membersOnDisk();
    ASSERT_EQ(members.size(), 3u);
    EXPECT_EQ(members[0].MemberId, 1);
    EXPECT_EQ(members[1].MemberId, 3);
    EXPECT_EQ(members[2].MemberName, "山田");
    EXPECT_EQ(members[2].MemberId, 2);
    EXPECT_EQ(members[2].MemberPassword, ScramblePassword("AB12"));
    EXPECT_EQ(st.CurrentPassword, "AB12");
    // The member's own files are written at the end of the run, not now.
    EXPECT_FALSE(std::filesystem::exists(shared.file("ID00002.FDT")));
}

TEST_F(StartupTest, CancelledSetupEndsWithoutTouchingTheFolder) {
    expectWelcome();
    prompter.expect(kProduct, "セットアップ初期設定は中止されました。", Icon::Information, Buttons::Ok, Answer::Ok);
    host.cancelSetup();

    EXPECT_EQ(runStartup(st, host), StartupResult::Ended);
    EXPECT_EQ(exitCodeOf(StartupResult::Ended), 0);

    EXPECT_EQ((std::vector<std::string>{"unit", "dialog"}), host.calls);
    EXPECT_TRUE(std::filesystem::is_empty(shared.path()));
    EXPECT_EQ(readBytes(programDir.file("REG.CFG")), "");
}

TEST_F(StartupTest, LegacyMemberNumberWithoutPathStillRunsTheSetup) {
    store.values["QOV/TACKWISP/LID"] = "4";
    prompter.expect(kProduct + " 確認",
                    "旧バージョンの情報がレジストリに記録されています\r"
                    "旧バージョンのレジストリ情報をクリアし、新バージョンによるファイル管理に移行します",
                    Icon::None, Buttons::OkCancel, Answer::Cancel);
    expectWelcome();
    prompter.expect(kProduct, "セットアップ初期設定は中止されました。", Icon::Information, Buttons::Ok, Answer::Ok);
    host.cancelSetup();

    EXPECT_EQ(runStartup(st, host), StartupResult::Ended);

    UserEntry reg = workstation();
    EXPECT_EQ(reg.MemberName, "");
    EXPECT_EQ(reg.MemberId, 4);
    EXPECT_EQ(store.values.size(), 1u) << "Cancel keeps the old entries";
}

TEST_F(StartupTest, LegacyNumberIsReplacedByTheNumberOfTheJoin) {
    store.values["QOV/TACKWISP/LID"] = "4";
    prompter.expect(kProduct + " 確認",
                    "旧バージョンの情報がレジストリに記録されています\r"
                    "旧バージョンのレジストリ情報をクリアし、新バージョンによるファイル管理に移行します",
                    Icon::None, Buttons::OkCancel, Answer::Ok);
    expectWelcome();
    host.answerSetup(shared.str(), "山田");

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);
    EXPECT_TRUE(store.values.empty());
    EXPECT_EQ(workstation().MemberId, 1);
}

TEST_F(StartupTest, SecondCopyIsRefusedBeforeAnythingElse) {
    host.previous = true;
    prompter.expect(kProduct, kProduct + "は既に起動されています。", Icon::Warning, Buttons::Ok, Answer::Ok);

    EXPECT_EQ(runStartup(st, host), StartupResult::Ended);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_FALSE(std::filesystem::exists(programDir.file("REG.CFG")));
}

// ---- ordinary start ----

TEST_F(StartupTest, OrdinaryStartLoadsTheMembersSettingsAndNotes) {
    prepareFolder({member("佐藤", 1), member("鈴木", 3, "PW9")},
                  {{3, {note("会議", 100, 200), note("電話", 700, 1400)}}, {1, {note("other", 0, 0)}}});
    prepareWorkstation(shared.str(), 3);

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);

    EXPECT_EQ(host.calls, kRunningCalls);
    EXPECT_FALSE(host.readyWhenNotesOpened) << "the start-up is finished only after the notes are open";
    EXPECT_TRUE(st.SettingsReady);
    EXPECT_EQ(st.CurrentMemberId, 3);
    EXPECT_EQ(st.localConfig.MemberName, "鈴木");
    EXPECT_EQ(st.localConfig.CheckUnit, 2);
    ASSERT_EQ(st.NoteTable.size(), 2u);
    EXPECT_EQ(st.NoteTable[1].Text, "電話");
    EXPECT_EQ(st.CurrentPassword, "PW9");
    EXPECT_EQ(st.members.size(), 2u);
}

TEST_F(StartupTest, RemovedMemberIsToldAndMayResetTheEnvironment) {
    prepareFolder({member("佐藤", 1), member("鈴木", 2)}, {});
    prepareWorkstation(shared.str(), 3);
    prompter.expect(kProduct + " (確認)", "あなたのID: 3は共有設定ファイルから削除されています", Icon::Warning, Buttons::Ok,
                    Answer::Ok);
    prompter.expect("警告", kResetText, Icon::None, Buttons::OkCancel, Answer::Ok);

    EXPECT_EQ(runStartup(st, host), StartupResult::Ended);

    EXPECT_TRUE(host.calls.empty()) << "no note is shown";
    UserEntry reg = workstation();
    EXPECT_EQ(reg.MemberName, "");
    EXPECT_EQ(reg.MemberId, 0);
    EXPECT_EQ(membersOnDisk().size(), 2u) << "the shared folder is not touched";
}

TEST_F(StartupTest, RemovedMemberWhoKeepsHisEnvironmentGoesOnWithHisNotes) {
    std::vector<UserEntry> all = {member("佐藤", 1), member("鈴木", 3)};
    prepareFolder(all, {{3, {note("残す", 10, 10)}}});
    prepareFolder({member("佐藤", 1)}, {});   // member 3 removed; his files stay
    prepareWorkstation(shared.str(), 3);
    prompter.expect(kProduct + " (確認)", "あなたのID: 3は共有設定ファイルから削除されています", Icon::Warning, Buttons::Ok,
                    Answer::Ok);
    prompter.expect("警告", kResetText, Icon::None, Buttons::OkCancel, Answer::Cancel);

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);
    ASSERT_EQ(st.NoteTable.size(), 1u);
    EXPECT_EQ(st.NoteTable[0].Text, "残す");
    EXPECT_EQ(workstation().MemberId, 3);
}

TEST_F(StartupTest, DeletedLocalSettingsFileIsNamed) {
    prepareFolder({member("佐藤", 1), member("鈴木", 3)}, {{3, {note("メモ", 0, 0)}}}, false);
    prepareWorkstation(shared.str(), 3);
    prompter.expect(kProduct + " (確認)", "あなたのローカル環境設定ファイルID00003.FCG\rは削除された可能性があります",
                    Icon::Warning, Buttons::Ok, Answer::Ok);
    prompter.expect("警告", kResetText, Icon::None, Buttons::OkCancel, Answer::Cancel);

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);
    EXPECT_EQ(host.calls, kRunningCalls);
    EXPECT_EQ(st.NoteTable.size(), 1u);
}

TEST_F(StartupTest, ClearedMemberListIsAnotherRemovalNotANewFolder) {
    prepareFolder({member("佐藤", 1), member("鈴木", 3)}, {{1, {note("佐藤のメモ", 0, 0)}}, {3, {note("鈴木のメモ", 0, 0)}}});
    std::filesystem::remove(shared.file("GRPINLY.CFG"));   // somebody pressed "ｸﾘｱ(&C)"
    prepareWorkstation(shared.str(), 3);
    prompter.expect(kProduct + " (確認)", "あなたのID: 3は共有設定ファイルから削除されています", Icon::Warning, Buttons::Ok,
                    Answer::Ok);
    prompter.expect("警告", kResetText, Icon::None, Buttons::OkCancel, Answer::Cancel);

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);

    EXPECT_EQ(st.CurrentMemberId, 3) << "member 1's files are not taken over";
    ASSERT_EQ(st.NoteTable.size(), 1u);
    EXPECT_EQ(st.NoteTable[0].Text, "鈴木のメモ");
    EXPECT_EQ(readBytes(shared.file("GRPINLY.CFG")), "") << "the cleared list is not refilled";
}

TEST_F(StartupTest, UnreadableFilesEndTheProgram) {
    prepareFolder({member("佐藤", 1), member("鈴木", 3)}, {});
    prepareWorkstation(shared.str(), 3);
    // Member 3's note file lost its last byte.
    {
        AppState other;
        configure(other);
        other.SharedPath = shared.str();
        other.CurrentMemberId = 3;
        other.NoteTable = {note("abc", 0, 0)};
        ASSERT_TRUE(AccessSharedFile(other, kModeWrite, kKindNotes));
    }
    std::string bytes = readBytes(shared.file("ID00003.FDT"));
    std::ofstream(shared.file("ID00003.FDT"), std::ios::binary | std::ios::trunc) << bytes.substr(0, bytes.size() - 1);
    prompter.expect("エラー", "付箋紙データファイルにアクセスできません\r" + makeError(kErrPastEnd).description, Icon::Warning,
                    Buttons::Ok, Answer::Ok);

    EXPECT_EQ(runStartup(st, host), StartupResult::Failed);
    EXPECT_EQ(exitCodeOf(StartupResult::Failed), 1);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(st.NoteTable.empty());
}

TEST_F(StartupTest, ForeignSharedFileEndsTheSetup) {
    SharedConfig foreign;
    foreign.VersionMajor = 1;
    foreign.Signature = "OTHER";
    ByteWriter w;
    encode(w, foreign);
    std::ofstream(shared.file("GRPINLY.CFG"), std::ios::binary) << w.data();
    expectWelcome();
    host.answerSetup(shared.str(), "山田");
    prompter.expect("エラー", "共有設定ファイルではありません", Icon::Warning, Buttons::Ok, Answer::Ok);

    EXPECT_EQ(runStartup(st, host), StartupResult::Failed);
    EXPECT_EQ(readBytes(shared.file("GRPINLY.CFG")), w.data());
    EXPECT_EQ((std::vector<std::string>{"unit", "dialog"}), host.calls);
}

// ---- after a move to another shared folder ----

class FolderChangeTest : public StartupTest {
protected:
    TempDir oldFolder;
    // The environment dialog has saved and closed the old folder and set the new one.
    void movedBy(const std::string& name) {
        st.SettingsReady = true;
        st.pathChgFlag = true;
        st.localConfig = defaultLocalConfig();
        st.localConfig.MemberName = name;
        st.localConfig.MemberId = 7;
        st.CurrentMemberId = 7;
        st.SharedPath = shared.str();
        st.NoteTable.clear();
        WriteWorkstation(st);
    }
};

TEST_F(FolderChangeTest, SameNameTakesOverThatMembersNumberAndNotes) {
    prepareFolder({member("佐藤", 1), member("鈴木", 5)}, {{5, {note("鈴木の付箋", 300, 300)}}});
    std::string before = readBytes(shared.file("GRPINLY.CFG"));
    movedBy("鈴木");

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);

    EXPECT_EQ(host.calls, kRunningCalls) << "no setup dialog";
    EXPECT_EQ(st.CurrentMemberId, 5);
    EXPECT_EQ(st.localConfig.MemberId, 5);
    EXPECT_EQ(st.localConfig.CheckUnit, 2) << "the member's local settings of the new folder";
    ASSERT_EQ(st.NoteTable.size(), 1u);
    EXPECT_EQ(st.NoteTable[0].Text, "鈴木の付箋");
    EXPECT_EQ(workstation().MemberId, 5);
    EXPECT_EQ(readBytes(shared.file("GRPINLY.CFG")), before) << "the member list is not written";
}

TEST_F(FolderChangeTest, UnknownNameGetsTheSmallestFreeNumberWithoutPassword) {
    prepareFolder({member("佐藤", 1), member("田中", 3, "XY")}, {});
    movedBy("鈴木");

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);

    EXPECT_EQ(st.CurrentMemberId, 2);
    auto members = membersOnDisk();
    ASSERT_EQ(members.size(), 3u);
    EXPECT_EQ(members[2].MemberName, "鈴木");
    EXPECT_EQ(members[2].MemberId, 2);
    EXPECT_EQ(members[2].MemberPassword, "");
    EXPECT_TRUE(st.NoteTable.empty());
    EXPECT_EQ(st.localConfig.CheckUnit, 0) << "the settings brought along stay";
}

TEST_F(FolderChangeTest, EmptyFolderMakesMemberOne) {
    movedBy("鈴木");

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);

    EXPECT_EQ(st.CurrentMemberId, 1);
    auto members = membersOnDisk();
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0].MemberName, "鈴木");
    EXPECT_EQ(workstation().MemberName, shared.str());
}

// ---- the join lock ----

TEST_F(StartupTest, MemberListLockHoldsTheLogAgainstOtherOpens) {
    MemberListLock lock;
    ASSERT_TRUE(lock.acquire(st, shared.str()));
    EXPECT_TRUE(lock.held());

    SharedFile log;
    EXPECT_EQ(log.open(shared.file("GRPINLY.FLG"), ShareMode::ReadDenyWrite).number, kErrAccessDenied);

    MemberListLock second;
    st.sys.retrySeconds = 0.2;
    EXPECT_FALSE(second.acquire(st, shared.str())) << "a held lock is waited for, then given up";

    lock.release();
    EXPECT_TRUE(log.open(shared.file("GRPINLY.FLG"), ShareMode::ReadDenyWrite).ok());
    log.close();

    EXPECT_FALSE(lock.acquire(st, shared.file("no-such-folder")));
    EXPECT_FALSE(lock.acquire(st, ""));
}

#ifndef _WIN32
// Several computers start their first-time setup on one new folder at the same moment, again and
// again: each gets a number of its own and the member list keeps every one of them.
TEST_F(StartupTest, ComputersJoiningAtOnceGetDistinctNumbers) {
    const int processes = 6, joinsEach = 10;
    std::vector<TempDir> programs(processes);
    std::string go = shared.file("go");
    std::vector<pid_t> pids;
    for (int i = 0; i < processes; ++i) {
        std::string tool = std::string(TW_TOOLS_DIR) + "/join_member";
        std::string name = "member" + std::to_string(i), count = std::to_string(joinsEach);
        std::string prog = programs[i].str(), folder = shared.str();
        std::vector<char*> argv = {tool.data(), prog.data(), folder.data(), name.data(), go.data(), count.data(), nullptr};
        pid_t pid;
        ASSERT_EQ(posix_spawn(&pid, tool.c_str(), nullptr, nullptr, argv.data(), environ), 0);
        pids.push_back(pid);
    }
    usleep(200 * 1000);   // every process is waiting for the start signal
    std::ofstream(go) << "go";
    for (pid_t pid : pids) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }

    const size_t total = processes * joinsEach;
    auto members = membersOnDisk();
    EXPECT_EQ(members.size(), total) << "entries were lost";
    std::map<int16_t, std::string> byId;
    for (const UserEntry& m : members) byId[m.MemberId] = m.MemberName;
    ASSERT_EQ(byId.size(), members.size()) << "two computers took the same number";
    EXPECT_EQ(byId.begin()->first, 1);
    EXPECT_EQ(byId.rbegin()->first, static_cast<int16_t>(total));
    for (int i = 0; i < processes; ++i) {
        for (int k = 0; k < joinsEach; ++k) {
            UserEntry reg;
            std::string bytes = readBytes(programs[i].file(std::to_string(k) + "/REG.CFG"));
            ByteReader rd(bytes);
            ASSERT_TRUE(decode(rd, reg));
            EXPECT_EQ(byId[reg.MemberId], "member" + std::to_string(i) + "-" + std::to_string(k))
                << "computer " << i << "/" << k << " has number " << reg.MemberId;
        }
    }
}
#endif

}  // namespace
