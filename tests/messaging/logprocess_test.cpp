// The shared log between real processes: a log held by another process, a disk that fills during a
// change, a short stress run of six member processes, and changes killed at random moments.
// The helper programs and fork() exist on POSIX only.
#ifndef _WIN32

#include "messaging/logcodec.h"
#include "messaging/sharedlog.h"
#include "platform/clock.h"
#include "platform/sharedfile.h"
#include "support/scripted_prompter.h"
#include "support/test_services.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <iterator>
#include <utility>
#include <random>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tw {
namespace {

using test::ScriptedPrompter;
using test::TempDir;
using test::TestClock;

constexpr double kT0 = 45000.5;
const std::string kBusy = "ログ・ファイルアクセスが混雑しています";

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// The names the helper program gives its members.
std::string toolName(int id) { return (id % 2) ? "member" + std::to_string(id) : "メンバー" + std::to_string(id); }

std::string someRecords(int count) {
    ByteWriter w;
    for (int i = 0; i < count; ++i) {
        LogRecord r;
        r.SentAt = 44000 + i / 1440.0;
        r.SenderId = static_cast<int16_t>(3 + i % 4);
        r.SenderName = toolName(r.SenderId);
        r.NoteId = static_cast<int16_t>(i % 7);
        r.RecipientId = static_cast<int16_t>(1 + i % 2);
        r.RecipientName = toolName(r.RecipientId);
        r.ReceivedAt = (i % 3) ? 0 : 44100.25;
        r.QuestionKind = static_cast<int16_t>(i % 3);
        encode(w, r);
    }
    return w.data();
}

// Another process that opens the log with a sharing mode and keeps it until the test releases it.
// Both hand-offs go through pipes: the constructor returns once the other process holds the log,
// release() once it has let go, so the test alone decides how long the log stays busy.
class LockHolder {
public:
    LockHolder(const std::string& path, ShareMode mode) {
        int ready[2], letGo[2];
        if (pipe(ready) != 0 || pipe(letGo) != 0) throw std::runtime_error("pipe");
        pid_ = fork();
        if (pid_ < 0) throw std::runtime_error("fork");
        if (pid_ == 0) {
            close(ready[0]);
            close(letGo[1]);
            SharedFile f;
            while (f.open(path, mode)) sleepMilliseconds(1);
            (void)!write(ready[1], "L", 1);
            // "R" from release(), or the end of the pipe when the test process is gone.
            char c;
            (void)!read(letGo[0], &c, 1);
            f.close();
            _exit(0);
        }
        close(ready[1]);
        close(letGo[0]);
        release_ = letGo[1];
        char c = 0;
        const bool held = read(ready[0], &c, 1) == 1 && c == 'L';
        close(ready[0]);
        if (!held) {
            release();
            throw std::runtime_error("the other process did not get hold of the log");
        }
    }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    // Lets go of the log; the log is free when this returns.
    void release() {
        if (pid_ <= 0) return;
        (void)!write(release_, "R", 1);
        close(release_);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    ~LockHolder() { release(); }

private:
    pid_t pid_ = -1;
    int release_ = -1;
};

// The wait indication of a retry that frees the log the moment the retry is known to be waiting for
// it, and counts how often the indication came and went.
class ReleaseWhenWaiting : public WaitIndicator {
public:
    explicit ReleaseWhenWaiting(LockHolder& holder) : holder_(holder) {}
    void beginWait() override {
        ++begun;
        holder_.release();
    }
    void endWait() override { ++ended; }
    int begun = 0;
    int ended = 0;

private:
    LockHolder& holder_;
};

// Lets the test act (release the other process) when a box comes up, then answers from the script.
class HookPrompter : public Prompter {
public:
    explicit HookPrompter(ScriptedPrompter& inner) : inner_(inner) {}
    Answer ask(const std::string& title, const std::string& text, Icon icon, Buttons buttons) override {
        if (onAsk) std::exchange(onAsk, nullptr)();
        return inner_.ask(title, text, icon, buttons);
    }
    std::function<void()> onAsk;

private:
    ScriptedPrompter& inner_;
};

class LogProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        st.SharedPath = dir.str();
        st.CurrentMemberId = 1;
        st.localConfig.MemberName = toolName(1);
        for (int i = 1; i <= 2; ++i) {
            UserEntry u;
            u.MemberName = toolName(i);
            u.MemberId = static_cast<int16_t>(i);
            st.members.push_back(u);
        }
        st.sys.retrySeconds = 0.2;
        st.sys.retryPauseMs = 2;
        writeFile(logPath(), someRecords(20));
    }
    std::string logPath() const { return joinPath(dir.str(), "GRPINLY.FLG"); }

    TempDir dir;
    ScriptedPrompter prompter;
    TestClock clock{kT0};
    FixedScreen screen;
    EmptySettingsStore store;
    AppState st{Services{prompter, clock, screen, store}};
};

TEST_F(LogProcessTest, ChangeWaitsSilentlyWhileAnotherProcessHoldsTheLogBriefly) {
    st.sys.retrySeconds = 20;
    const std::string before = readFile(logPath());
    LockHolder other(logPath(), ShareMode::ReadWriteExclusive);
    ReleaseWhenWaiting waiting(other);   // busy until the change shows that it waits, then free
    st.sys.waitIndicator = waiting;
    const SendWrite w = writeSendRecord(st, 1, 2, 0);
    ASSERT_TRUE(w);   // any box would fail the test
    EXPECT_EQ(waiting.begun, 1) << "the change did not find the log busy";
    EXPECT_EQ(waiting.ended, 1);
    EXPECT_EQ(readFile(logPath()).substr(0, before.size()), before);
    EXPECT_EQ(logRecordsOf(w.content).size(), 21u);
}

TEST_F(LogProcessTest, BusyQuestionRetryGoesOnWaitingUntilTheLogIsFree) {
    HookPrompter hook(prompter);
    st.sys.prompter = hook;
    LockHolder other(logPath(), ShareMode::ReadWriteExclusive);
    prompter.expect("確認", kBusy, Icon::Information, Buttons::RetryCancel, Answer::Retry);
    prompter.expect("確認", kBusy, Icon::Information, Buttons::RetryCancel, Answer::Retry);
    int asked = 0;
    std::function<void()> second = [&] { ++asked; other.release(); };
    hook.onAsk = [&] {
        ++asked;
        hook.onAsk = second;   // free the log when the question comes the second time
    };
    const SendWrite w = writeSendRecord(st, 1, 2, 0);
    ASSERT_TRUE(w);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(logRecordsOf(w.content).size(), 21u);
}

TEST_F(LogProcessTest, BusyQuestionCancelReportsAccessDeniedAndChangesNothing) {
    const std::string before = readFile(logPath());
    const std::string denied = makeError(kErrAccessDenied).description;
    {
        LockHolder other(logPath(), ShareMode::ReadWriteExclusive);
        prompter.expect("確認", kBusy, Icon::Information, Buttons::RetryCancel, Answer::Cancel);
        prompter.expect("エラー", "共有ログファイルにアクセスできません(ERR:70)\r受信書込に失敗しました\r" + denied,
                        Icon::Warning, Buttons::Ok, Answer::Ok);
        const ReceiptWrite w = writeReceipt(st, 3, 0, 44000, 5, 0);
        EXPECT_FALSE(w);
        EXPECT_FALSE(w.marked);
        EXPECT_TRUE(w.content.empty());
        // A change in progress elsewhere keeps readers out as well.
        prompter.expect("確認", kBusy, Icon::Information, Buttons::RetryCancel, Answer::Cancel);
        prompter.expect("エラー", "共有ログファイルにアクセスできません(ERR:70)\r全体チェックに失敗しました\r" + denied,
                        Icon::Warning, Buttons::Ok, Answer::Ok);
        EXPECT_FALSE(readWholeLog(st));
    }
    EXPECT_EQ(readFile(logPath()), before);

    // A reader elsewhere lets other readers in but keeps changes out.
    LockHolder reader(logPath(), ShareMode::ReadDenyWrite);
    const std::optional<LogRecords> whole = readWholeLog(st);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->size(), 20u);
    prompter.expect("確認", kBusy, Icon::Information, Buttons::RetryCancel, Answer::Cancel);
    prompter.expect("エラー", "共有ログファイルにアクセスできません(ERR:70)\r送信用無確認削除に失敗しました\r" + denied,
                    Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(deleteSendTo(st, 3, 2));
    reader.release();
    EXPECT_EQ(readFile(logPath()), before);
}

TEST_F(LogProcessTest, DiskFullDuringAChangeKeepsTheOldLogWhole) {
    const std::string before = readFile(logPath());
    int box[2];
    ASSERT_EQ(pipe(box), 0);
    pid_t pid = fork();
    if (pid == 0) {
        // The new content does not fit any more: writes beyond this size fail with EFBIG.
        close(box[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim{static_cast<rlim_t>(before.size() + 10), static_cast<rlim_t>(before.size() + 10)};
        setrlimit(RLIMIT_FSIZE, &lim);
        class PipePrompter : public Prompter {
        public:
            explicit PipePrompter(int fd) : fd_(fd) {}
            Answer ask(const std::string& title, const std::string& text, Icon, Buttons) override {
                std::string s = title + "|" + text;
                (void)!write(fd_, s.data(), s.size());
                return Answer::Ok;
            }

        private:
            int fd_;
        } pp(box[1]);
        st.sys.prompter = pp;
        bool ok = writeSendRecord(st, 1, 2, 0).ok;
        close(box[1]);
        _exit(ok ? 1 : 0);
    }
    close(box[1]);
    std::string shown;
    char buf[512];
    for (ssize_t n; (n = read(box[0], buf, sizeof buf)) > 0;) shown.append(buf, static_cast<size_t>(n));
    close(box[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the change must report failure";
    EXPECT_EQ(shown, "エラー|共有ログファイルにアクセスできません(ERR:" + std::to_string(EFBIG) +
                         ")\r送信書込に失敗しました\r" + std::strerror(EFBIG));
    EXPECT_EQ(readFile(logPath()), before);
    EXPECT_EQ(listDirectory(dir.str()), std::vector<std::string>{"GRPINLY.FLG"}) << "no partial file left behind";
}

// ---- helper program runs ----

std::string toolPath() { return std::string(TW_TOOLS_DIR) + "/logstress"; }

pid_t spawnTool(const std::vector<std::string>& args, const std::string& outFile) {
    pid_t pid = fork();
    if (pid == 0) {
        int fd = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
        }
        std::vector<char*> argv;
        std::string prog = toolPath();
        argv.push_back(prog.data());
        std::vector<std::string> copy = args;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(prog.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

TEST(LogStress, SixMembersForThreeSecondsLoseNothing) {
    TempDir dir, out;
    pid_t pid = spawnTool({"stress", dir.str(), "6", "3", "11"}, out.file("stress.txt"));
    int status = 0;
    waitpid(pid, &status, 0);
    std::string report = readFile(out.file("stress.txt"));
    ASSERT_TRUE(WIFEXITED(status)) << report;
    EXPECT_EQ(WEXITSTATUS(status), 0) << report;
    EXPECT_NE(report.find("\nOK\n"), std::string::npos) << report;
    // The run really had records to fight over.
    EXPECT_EQ(report.find(" 0 sends in all"), std::string::npos) << report;
}

TEST(LogKill, KilledChangesLeaveTheLogBeforeOrAfterTheChange) {
    TempDir dir, out;
    const std::string log = joinPath(dir.str(), "GRPINLY.FLG");
    const std::string before = someRecords(3000);
    writeFile(log, before);

    // What the helper's change produces: member 1 sends note 1 to member 2 at its fixed time.
    tw::test::TestServices env;
    env.clock.set(kT0);
    AppState st(env.services());
    st.SharedPath = dir.str();
    st.CurrentMemberId = 1;
    st.localConfig.MemberName = toolName(1);
    for (int i = 1; i <= 2; ++i) {
        UserEntry u;
        u.MemberName = toolName(i);
        u.MemberId = static_cast<int16_t>(i);
        st.members.push_back(u);
    }
    ASSERT_TRUE(writeSendRecord(st, 1, 2, 0));
    const std::string after = readFile(log);
    ASSERT_EQ(after.size(), before.size() + 32 + 7 + 9);
    ASSERT_TRUE(deleteAllSends(st, 1));
    ASSERT_EQ(readFile(log), before);

    std::mt19937 rng(20240617);
    int sawBefore = 0, sawAfter = 0, leftovers = 0;
    for (int round = 0; round < 200; ++round) {
        pid_t pid = spawnTool({"churn", dir.str(), "1"}, out.file("churn.txt"));
        sleepMilliseconds(1 + static_cast<int>(rng() % 30));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the helper stopped by itself: " << readFile(out.file("churn.txt"));

        std::string now = readFile(log);
        std::vector<LogEntryRef> entries;
        ASSERT_TRUE(scanLogRecords(now, entries)) << "round " << round << ": the log does not decode";
        if (now == before) {
            ++sawBefore;
        } else if (now == after) {
            ++sawAfter;
            ASSERT_TRUE(deleteAllSends(st, 1));   // back to the start for the next round
        } else {
            FAIL() << "round " << round << ": the log is neither the old nor the new content (" << now.size()
                   << " bytes)";
        }
        // A kill in the middle of writing leaves the unfinished temporary file; the log is untouched.
        for (const auto& name : listDirectory(dir.str())) {
            if (name == "GRPINLY.FLG") continue;
            ++leftovers;
            removeFile(joinPath(dir.str(), name));
        }
    }
    std::printf("kills: %d before, %d after the change, %d while writing the new content\n", sawBefore, sawAfter,
                leftovers);
    EXPECT_GT(sawBefore, 0);
    EXPECT_GT(sawAfter, 0);
}

}  // namespace
}  // namespace tw

#endif  // _WIN32
