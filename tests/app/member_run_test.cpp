// One member on two computers, and the files of a member who joins: the member's run mark keeps a
// second start of the same member out before it writes anything; a new member's files are written when
// he joins, and what a deleted member left under his number is kept aside, never loaded.
#include "app/memberrun.h"
#include "app/recovery.h"
#include "startup_fixture.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace tw;
using namespace tw::test;
using namespace tw::test::startup;

namespace {

// Every plain file of the folders with its bytes and time of its last write.
using Snapshot = std::map<std::string, std::pair<std::string, std::filesystem::file_time_type>>;
Snapshot snapshot(const std::vector<std::string>& folders) {
    Snapshot s;
    for (const std::string& f : folders)
        for (const auto& e : std::filesystem::directory_iterator(f))
            if (e.is_regular_file()) s[e.path().string()] = {readBytes(e.path().string()), e.last_write_time()};
    return s;
}

std::string runningElsewhere(const std::string& who, const std::string& computer) {
    return "このメンバー(" + who + ")は既にコンピュータ「" + computer + "」で起動しています。\r" +
           "同じメンバーを2台のコンピュータで同時に使うことはできません。";
}

class RunMarkTest : public StartupTest {
protected:
    MemberRunMark mark{"計算機B"};
    // The member's program elsewhere; in this process its open conflicts with ours as another's does.
    MemberRunMark elsewhere{"計算機A"};

    void holdElsewhere(int16_t id) {
        ASSERT_EQ(elsewhere.take(st, shared.str(), id, 0).result, MemberRunMark::Result::Held);
    }
};

}  // namespace

TEST(RunMarkContent, TwoLinesNamingTheComputerAndTheRun) {
    EXPECT_EQ(encodeRunMark({"計算機A", "123"}), "計算機A\r\n123\r\n");
    RunMarkContent c;
    ASSERT_TRUE(decodeRunMark("計算機A\r\n123\r\n", c));
    EXPECT_EQ(c.computer, "計算機A");
    EXPECT_EQ(c.token, "123");
    for (const std::string bad : {"", "計算機A", "計算機A\r\n123", "計算機A\r\n123\r\nx", "A\r\n1\r\n2\r\n", "A\n\r\n1\r\n"})
        EXPECT_FALSE(decodeRunMark(bad, c)) << bad;
}

TEST_F(RunMarkTest, TheSameMemberRunningElsewhereEndsTheStartBeforeAnythingIsWritten) {
    prepareFolder({member("山田", 1), member("鈴木", 2)}, {{1, {note("会議", 10, 10)}}});
    prepareWorkstation(shared.str(), 1);
    holdElsewhere(1);
    const Snapshot before = snapshot({shared.str(), programDir.str()});
    // A program of another computer may have died: its mark is waited for (the retry window) first.
    st.sys.retrySeconds = 0.3;
    prompter.expect(kProduct, runningElsewhere("ID: 1 山田", "計算機A"), Icon::Warning, Buttons::Ok, Answer::Ok);

    EXPECT_EQ(runStartup(st, host, &mark), StartupResult::Ended);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_FALSE(mark.held());
    EXPECT_EQ(snapshot({shared.str(), programDir.str()}), before);

    // Once the other program has let go, the member starts here and holds the mark himself.
    elsewhere.release();
    AppState again = fresh();
    FakeHost host2{again};
    ASSERT_EQ(runStartup(again, host2, &mark), StartupResult::Running);
    EXPECT_TRUE(mark.held());
    RunMarkContent c;
    ASSERT_TRUE(decodeRunMark(readBytes(shared.file("ID00001.RUN")), c));
    EXPECT_EQ(c.computer, "計算機B");
    EXPECT_EQ(elsewhere.take(st, shared.str(), 1, 0).holder, "計算機B");
}

TEST_F(RunMarkTest, ANumberStillRunningIsNotGivenToANewMember) {
    // Member 2 was deleted while his program ran on; it still holds his mark.
    prepareFolder({member("佐藤", 1), member("田中", 3)}, {});
    holdElsewhere(2);
    expectWelcome();
    host.answerSetup(shared.str(), "山田");

    ASSERT_EQ(runStartup(st, host, &mark), StartupResult::Running);
    EXPECT_EQ(st.CurrentMemberId, 4);
    const auto members = membersOnDisk();
    ASSERT_EQ(members.size(), 3u);
    EXPECT_EQ(members[2].MemberId, 4);
    EXPECT_FALSE(std::filesystem::exists(shared.file("ID00002.FCG")));
}

TEST_F(RunMarkTest, AMoveToAFolderWhereTheSameNameRunsElsewhereIsRefused) {
    prepareFolder({member("佐藤", 1), member("鈴木", 5)}, {{5, {note("鈴木の付箋", 300, 300)}}});
    holdElsewhere(5);
    st.SettingsReady = st.pathChgFlag = true;
    st.localConfig = defaultLocalConfig();
    st.localConfig.MemberName = "鈴木";
    st.SharedPath = shared.str();
    WriteWorkstation(st);
    const std::vector<std::string> files = {programDir.file("REG.CFG"), shared.file("GRPINLY.CFG"),
                                            shared.file("ID00005.FCG"), shared.file("ID00005.FDT")};
    std::vector<std::string> before;
    for (const std::string& f : files) before.push_back(readBytes(f));
    st.sys.retrySeconds = 0.1;
    prompter.expect(kProduct, runningElsewhere("ID: 5 鈴木", "計算機A"), Icon::Warning, Buttons::Ok, Answer::Ok);

    EXPECT_EQ(runStartup(st, host, &mark), StartupResult::Ended);
    EXPECT_TRUE(st.NoteTable.empty());
    for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(readBytes(files[i]), before[i]) << files[i];
}

// A program stopped for longer than a dead holder is waited for (a computer put to sleep) may find on
// waking that its member was started elsewhere: the mark names another run, taken after its lock was
// cleared as a dead one's or through a lock lost with the connection to the file server. A lock gone
// alone, or a share away for a moment, takes nothing.
TEST_F(RunMarkTest, AMarkTakenOverWhileTheProgramWasStoppedIsSeenAndLetGo) {
    prepareFolder({member("山田", 1)}, {});
    const std::string path = shared.file("ID00001.RUN");
    const auto clearLock = [&] {
        for (const auto& e : std::filesystem::directory_iterator(path + ".~lock")) std::filesystem::remove(e.path());
    };
    const auto rewrite = [&] { std::ofstream(path, std::ios::binary | std::ios::trunc) << "計算機A\r\n42\r\n"; };
    const auto awayAndBack = [&] {
        std::filesystem::rename(shared.path(), shared.str() + ".away");
        EXPECT_EQ(mark.check().result, MemberRunMark::Result::Held) << "nothing can be told while the share is away";
        std::filesystem::rename(shared.str() + ".away", shared.path());
    };
    struct Case {
        const char* what;
        std::function<void()> meanwhile;
        MemberRunMark::Result result;
        std::string holder;
    };
    const std::vector<Case> cases = {
        {"nothing happened", [] {}, MemberRunMark::Result::Held, ""},
#ifndef _WIN32
        {"the share was away", awayAndBack, MemberRunMark::Result::Held, ""},
        {"the lock was cleared, nothing taken yet", clearLock, MemberRunMark::Result::Held, ""},
        {"the lock was cleared and the mark taken", [&] { clearLock(), rewrite(); }, MemberRunMark::Result::Elsewhere, "計算機A"},
        {"the mark was taken", rewrite, MemberRunMark::Result::Elsewhere, "計算機A"},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(mark.take(st, shared.str(), 1, 0).result, MemberRunMark::Result::Held);
        c.meanwhile();
        const MemberRunMark::Outcome o = mark.check();
        EXPECT_EQ(o.result, c.result);
        EXPECT_EQ(o.holder, c.holder);
        EXPECT_EQ(mark.held(), c.result == MemberRunMark::Result::Held);
        mark.release();
    }
    EXPECT_EQ(mark.check().result, MemberRunMark::Result::NotHeld) << "no mark, nothing to look at";
}

// What this program still has of the member is kept on this computer, never written over the notes
// that the member's program elsewhere has now.
TEST_F(RunMarkTest, AMemberTakenOverKeepsItsFilesHereAndWritesNothingInTheSharedFolder) {
    prepareFolder({member("山田", 1)}, {{1, {note("会議", 10, 10)}}});
    TempDir dataDir;
    const std::string intro = "このメンバー(ID: 1 山田)は、このプログラムが止まっている間にコンピュータ「計算機A」で起動されました。\r"
                              "そちらの付箋紙を上書きしないよう、共有フォルダには保存せずに終了します。\r";
    for (const bool withDataFolder : {true, false}) {
        SCOPED_TRACE(withDataFolder ? "kept" : "no data folder");
        AppState here = fresh();
        here.SharedPath = shared.str();
        here.CurrentMemberId = 1;
        ASSERT_TRUE(AccessSharedFile(here, kModeRead, kKindShared));
        ASSERT_TRUE(AccessSharedFile(here, kModeRead, kKindLocal));
        ASSERT_TRUE(AccessSharedFile(here, kModeRead, kKindNotes));
        here.NoteTable[0].Text = "止まる前に書いた";
        here.sys.userDataDir = withDataFolder ? dataDir.str() : "";
        const Snapshot before = snapshot({shared.str()});
        const std::string folder = recoveryFolder(here);
        prompter.expect(kProduct,
                        intro + (withDataFolder ? "このコンピュータでの内容は\r" + folder +
                                                      "\rに残しました。次回の起動時に元に戻すことができます。"
                                                : "このコンピュータでの内容を残せませんでした\r" +
                                                      makeError(kErrPathNotFound).description),
                        Icon::Warning, Buttons::Ok, Answer::Ok);

        keepFilesOfMemberTakenOver(here, "計算機A");
        EXPECT_EQ(snapshot({shared.str()}), before);
        if (withDataFolder) {
            EXPECT_EQ(readBytes(joinPath(folder, "ID00001.FDT")), memberFileBytes(here, kKindNotes));
            EXPECT_EQ(readBytes(joinPath(folder, "ID00001.FCG")), memberFileBytes(here, kKindLocal));
        }
    }
}

// A new member who gets the number of a deleted member, by the first-time setup or after a move to
// another folder: the deleted member's files are kept aside with the time in their name, the new
// member's own are written at once, and the next start loads them without a warning.
class LeftoverTest : public RunMarkTest, public ::testing::WithParamInterface<bool> {};

TEST_P(LeftoverTest, ANewMemberOnADeletedMembersNumberKeepsTheLeftoversAside) {
    prepareFolder({member("佐藤", 1), member("鈴木", 2)}, {{2, {note("鈴木のメモ", 0, 0)}}});
    const std::string oldFcg = readBytes(shared.file("ID00002.FCG"));
    const std::string oldFdt = readBytes(shared.file("ID00002.FDT"));
    prepareFolder({member("佐藤", 1)}, {}, false);   // 鈴木 deleted; his files stay
    if (GetParam()) {   // moved here from another folder in the environment dialog
        st.SettingsReady = true;
        st.pathChgFlag = true;
        st.localConfig = defaultLocalConfig();
        st.localConfig.MemberName = "山田";
        st.SharedPath = shared.str();
        WriteWorkstation(st);
    } else {
        expectWelcome();
        host.answerSetup(shared.str(), "山田");
    }
    ASSERT_EQ(runStartup(st, host, &mark), StartupResult::Running);
    ASSERT_EQ(st.CurrentMemberId, 2);
    EXPECT_EQ(readBytes(shared.file("ID00002.FCG.deleted-20000717-090000")), oldFcg);
    EXPECT_EQ(readBytes(shared.file("ID00002.FDT.deleted-20000717-090000")), oldFdt);
    EXPECT_EQ(readBytes(shared.file("ID00002.FCG")), memberFileBytes(st, kKindLocal));
    EXPECT_EQ(readBytes(shared.file("ID00002.FDT")), "");

    mark.release();
    AppState next = fresh();
    FakeHost nextHost{next};
    ASSERT_EQ(runStartup(next, nextHost, &mark), StartupResult::Running);
    EXPECT_EQ(next.localConfig.MemberName, "山田");
    EXPECT_TRUE(next.NoteTable.empty());
}
INSTANTIATE_TEST_SUITE_P(Joins, LeftoverTest, ::testing::Bool());

#ifndef _WIN32

namespace {

// The run_member tool: one computer's program in a process of its own.
class MemberProcess {
public:
    MemberProcess(const std::string& programDir, const std::string& computer) {
        int out[2], in[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(in, O_CLOEXEC) != 0) return;
        const std::string tool = std::string(TW_TOOLS_DIR) + "/run_member";
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            dup2(in[0], 0);
            execl(tool.c_str(), tool.c_str(), programDir.c_str(), computer.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        ::close(out[1]);
        ::close(in[0]);
        out_ = out[0];
        in_ = in[1];
    }
    MemberProcess(const MemberProcess&) = delete;
    MemberProcess& operator=(const MemberProcess&) = delete;
    ~MemberProcess() {
        if (in_ >= 0) ::close(in_);
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            exitStatus();
        }
        if (out_ >= 0) ::close(out_);
    }
    std::string nextLine() {
        std::string line;
        char c;
        while (::read(out_, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }
    void killHard() { ::kill(pid_, SIGKILL); }
    int exitStatus() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int in_ = -1;
};

}  // namespace

// Two program folders with the same workstation file on one computer: the second start is refused
// with the computer's name and writes nothing; once the first was killed, the second starts at once.
TEST_F(StartupTest, TheSameMemberInTwoProcessesIsRefusedUntilTheFirstDies) {
    prepareFolder({member("山田", 1)}, {{1, {note("会議", 10, 10)}}});
    prepareWorkstation(shared.str(), 1);
    TempDir second;
    std::filesystem::copy_file(programDir.file("REG.CFG"), second.file("REG.CFG"));

    MemberProcess first(programDir.str(), "計算機A");
    ASSERT_EQ(first.nextLine(), "running");
    const Snapshot before = snapshot({shared.str(), second.str()});
    {
        MemberProcess refused(second.str(), "計算機A");
        EXPECT_EQ(refused.nextLine(), "box " + kProduct + "|" + runningElsewhere("ID: 1 山田", "計算機A"));
        EXPECT_EQ(refused.exitStatus(), 4);
    }
    EXPECT_EQ(snapshot({shared.str(), second.str()}), before);

    first.killHard();
    EXPECT_EQ(first.exitStatus(), -SIGKILL);
    const double start = monotonicSeconds();
    MemberProcess after(second.str(), "計算機A");
    EXPECT_EQ(after.nextLine(), "running");
    EXPECT_LT(monotonicSeconds() - start, 5.0) << "a dead program of this computer keeps nobody waiting";
}

#endif
