// The shared-folder files between real processes: another computer holding a file open, and a
// writer that dies in the middle of a write.
#ifndef _WIN32

#include "app/groval.h"

#include "platform/clock.h"
#include "platform/sharedfile.h"
#include "support/scripted_prompter.h"
#include "support/test_services.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace tw;
using tw::test::ScriptedPrompter;
using tw::test::TempDir;
using tw::test::TestClock;

namespace {

// Another member's program holding a file: the holdfile tool in its own process. It holds the file
// from "ready" until the test releases it; both hand-offs go through pipes, so the test alone decides
// how long the file stays busy.
class Holder {
public:
    Holder(const std::string& path, const std::string& mode) {
        // Close-on-exec: no other program started meanwhile keeps the tool's input open.
        int out[2], in[2];
        if (pipe2(out, O_CLOEXEC) != 0) return;
        if (pipe2(in, O_CLOEXEC) != 0) {
            ::close(out[0]);
            ::close(out[1]);
            return;
        }
        std::string tool = std::string(TW_TOOLS_DIR) + "/holdfile";
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            dup2(in[0], 0);
            execl(tool.c_str(), tool.c_str(), path.c_str(), mode.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        ::close(out[1]);
        ::close(in[0]);
        out_ = out[0];
        in_ = in[1];
    }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;
    ~Holder() {
        release();
        if (out_ >= 0) ::close(out_);
    }
    // The next line the tool printed: "ready" once it holds the file.
    std::string nextLine() {
        std::string line;
        char c;
        while (out_ >= 0 && ::read(out_, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }
    // Lets go of the file: the file is free when this returns. The tool's exit status, 0 when it held
    // the file until now and closed it.
    int release() {
        if (in_ >= 0) {
            ::close(in_);   // the end of its input is the tool's signal to let go
            in_ = -1;
        }
        if (pid_ <= 0) return status_;
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return status_;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int in_ = -1;
    int status_ = -1;
};

// The wait indication of a silent retry, which releases the holder the n-th time it shows: the retry
// is known to be waiting for the file then.
class ReleaseWhenWaiting : public WaitIndicator {
public:
    explicit ReleaseWhenWaiting(Holder& holder, int at = 1) : holder_(holder), at_(at) {}
    void beginWait() override {
        if (++begun == at_) releaseStatus = holder_.release();
    }
    void endWait() override { ++ended; }
    int begun = 0;
    int ended = 0;
    int releaseStatus = -1;

private:
    Holder& holder_;
    int at_;
};

UserEntry member(const std::string& name, int16_t id) {
    UserEntry u;
    u.MemberName = name;
    u.MemberId = id;
    return u;
}

class SharedAccessProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        st.sys.programDir = program.str();
        st.sys.retryPauseMs = 20;
        st.SharedPath = shared.str();
        st.CurrentMemberId = 1;
        // A folder with two members.
        AppState w = st;
        w.sharedConfig.Signature = kProductName;
        w.sharedConfig.VersionMajor = 1;
        w.members = {member("山田", 1), member("鈴木", 2)};
        EXPECT_TRUE(AccessSharedFile(w, kModeWrite, kKindShared));
    }

    TempDir shared;
    TempDir program;
    ScriptedPrompter prompter;
    TestClock clock{36724.375};
    FixedScreen screen;
    EmptySettingsStore store;
    DecliningPrompter nobody;   // the prompter of a child process: nobody is there to answer
    AppState st{Services{prompter, clock, screen, store}};
};

const std::string kBusy = "ファイルアクセスが混雑しています";

}  // namespace

TEST_F(SharedAccessProcessTest, ShortHoldIsWaitedOutSilently) {
    Holder h(shared.file("GRPINLY.CFG"), "write");
    ASSERT_EQ(h.nextLine(), "ready");
    st.sys.retrySeconds = 5;
    ReleaseWhenWaiting waiting(h);   // the other computer lets go once the read waits for it
    st.sys.waitIndicator = waiting;
    ASSERT_TRUE(AccessSharedFile(st, kModeRead, kKindShared));
    EXPECT_EQ(waiting.begun, 1) << "the read did not have to wait for the other computer";
    EXPECT_EQ(waiting.ended, 1);
    EXPECT_EQ(waiting.releaseStatus, 0);   // it held the file until then
    EXPECT_TRUE(prompter.shown().empty());
    ASSERT_EQ(st.members.size(), 2u);
    EXPECT_EQ(st.members[1].MemberName, "鈴木");
}

TEST_F(SharedAccessProcessTest, LongHoldAsksRetryOrCancel) {
    Holder h(shared.file("GRPINLY.CFG"), "write");   // for the whole test
    ASSERT_EQ(h.nextLine(), "ready");
    st.sys.retrySeconds = 1;
    prompter.expect("確認", kBusy, Icon::Information, Buttons::RetryCancel, Answer::Retry);   // waits another second
    prompter.expect("確認", kBusy, Icon::Information, Buttons::RetryCancel, Answer::Cancel);
    prompter.expect("エラー", "共有設定ファイルにアクセスできません\r" + makeError(kErrAccessDenied).description,
                    Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(AccessSharedFile(st, kModeRead, kKindShared));
    EXPECT_TRUE(st.members.empty());
    EXPECT_EQ(h.release(), 0);   // it held the file all the time
}

TEST_F(SharedAccessProcessTest, RetryWaitsAnotherRound) {
    Holder h(shared.file("GRPINLY.CFG"), "read");   // a reader blocks a writer
    ASSERT_EQ(h.nextLine(), "ready");
    st.sys.retrySeconds = 1.5;
    ReleaseWhenWaiting waiting(h, 2);   // the reader lets go once the second round waits for it
    st.sys.waitIndicator = waiting;
    st.sharedConfig.Signature = kProductName;
    st.sharedConfig.VersionMajor = 1;
    st.members = {member("山田", 1), member("鈴木", 2), member("佐藤", 3)};
    prompter.expect("確認", kBusy, Icon::Information, Buttons::RetryCancel, Answer::Retry);
    ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindShared));
    EXPECT_EQ(waiting.begun, 2);
    EXPECT_EQ(waiting.releaseStatus, 0);   // it held the file through the first round
    AppState o = st;
    o.members.clear();
    ASSERT_TRUE(AccessSharedFile(o, kModeRead, kKindShared));
    EXPECT_EQ(o.members.size(), 3u);
}

namespace {

std::vector<NoteRecord> notes(const std::string& tag, int count) {
    std::vector<NoteRecord> v;
    for (int i = 0; i < count; ++i) {
        NoteRecord n;
        n.NoteId = static_cast<int16_t>(i);
        n.Text = tag + std::to_string(i) + std::string(1500, tag[0]);
        v.push_back(n);
    }
    return v;
}

// Which of the two contents the note file holds: "old", "new", or what went wrong.
std::string whichContent(AppState& reader, const std::vector<NoteRecord>& oldNotes,
                         const std::vector<NoteRecord>& newNotes) {
    reader.NoteTable.clear();
    if (!AccessSharedFile(reader, kModeRead, kKindNotes)) return "unreadable";
    auto same = [&](const std::vector<NoteRecord>& want) {
        if (reader.NoteTable.size() != want.size()) return false;
        for (size_t i = 0; i < want.size(); ++i)
            if (reader.NoteTable[i].Text != want[i].Text) return false;
        return true;
    };
    if (same(oldNotes)) return "old";
    if (same(newNotes)) return "new";
    return "mixed (" + std::to_string(reader.NoteTable.size()) + " records)";
}

}  // namespace

TEST_F(SharedAccessProcessTest, WriterKilledAtAnyMomentLeavesOldOrNewContent) {
    const auto oldNotes = notes("o", 60);
    const auto newNotes = notes("n", 45);
    st.sys.retrySeconds = 5;
    AppState reader = st;

    // How long one write takes here, to spread the kills over it.
    st.NoteTable = newNotes;
    double t0 = monotonicSeconds();
    ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindNotes));
    double writeSeconds = monotonicSeconds() - t0;
    int spanUs = static_cast<int>(writeSeconds * 1.5e6) + 200;

    std::mt19937 rng(12345);
    int seen[2] = {0, 0};
    for (int round = 0; round < 100; ++round) {
        st.NoteTable = oldNotes;
        ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindNotes));
        st.NoteTable = newNotes;
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            st.sys.prompter = nobody;
            _exit(AccessSharedFile(st, kModeWrite, kKindNotes) ? 0 : 1);
        }
        usleep(static_cast<useconds_t>(std::uniform_int_distribution<int>(0, spanUs)(rng)));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        std::string got = whichContent(reader, oldNotes, newNotes);
        ASSERT_TRUE(got == "old" || got == "new") << "round " << round << ": " << got;
        ++seen[got == "new"];
    }
    // How the kills fell, before or after the replacement, goes into the test report.
    RecordProperty("old", seen[0]);
    RecordProperty("new", seen[1]);
    RecordProperty("leftover_files", static_cast<int>(listDirectory(shared.str()).size()) - 2);
    EXPECT_TRUE(prompter.shown().empty());
}

TEST_F(SharedAccessProcessTest, ReadersNeverSeeAHalfWrittenFile) {
    const auto a = notes("a", 50);
    const auto b = notes("b", 30);
    st.sys.retrySeconds = 5;
    st.NoteTable = a;
    ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindNotes));
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        st.sys.prompter = nobody;
        double until = monotonicSeconds() + 1.0;
        for (int i = 0; monotonicSeconds() < until; ++i) {
            st.NoteTable = (i % 2) ? a : b;
            if (!AccessSharedFile(st, kModeWrite, kKindNotes)) _exit(1);
        }
        _exit(0);
    }
    AppState reader = st;
    int reads = 0;
    for (;;) {
        int status = 0;
        bool writerDone = waitpid(pid, &status, WNOHANG) == pid;
        std::string got = whichContent(reader, a, b);
        ASSERT_TRUE(got == "old" || got == "new") << "read " << reads << ": " << got;
        ++reads;
        if (writerDone) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            break;
        }
    }
    EXPECT_GT(reads, 1);
    EXPECT_TRUE(prompter.shown().empty());
}

#endif  // _WIN32
