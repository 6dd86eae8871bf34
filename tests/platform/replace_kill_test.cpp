// Shared files between real processes: the lock of another process, kept across its replace, and a
// writer killed at random moments of its replaces, which must leave one complete content every time.
#ifndef _WIN32

#include "platform/sharedfile.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <poll.h>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace tw;
namespace fs = std::filesystem;

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Two pipes between the test and one child: single-byte messages each way.
class Channel {
public:
    Channel() {
        if (pipe(toChild_) != 0 || pipe(toParent_) != 0) std::abort();
    }
    ~Channel() {
        for (int fd : {toChild_[0], toChild_[1], toParent_[0], toParent_[1]})
            if (fd >= 0) ::close(fd);
    }
    void becomeChild() {
        closeFd(toChild_[1]);
        closeFd(toParent_[0]);
    }
    void becomeParent() {
        closeFd(toChild_[0]);
        closeFd(toParent_[1]);
    }
    void tellParent(char c) { (void)!::write(toParent_[1], &c, 1); }
    void tellChild(char c) { (void)!::write(toChild_[1], &c, 1); }
    // The next byte from the other side, or 0 when none comes within the time or the side is gone.
    char fromParent(int timeoutMs = 10000) { return next(toChild_[0], timeoutMs); }
    char fromChild(int timeoutMs = 10000) { return next(toParent_[0], timeoutMs); }
    int childFd() const { return toParent_[0]; }

private:
    static void closeFd(int& fd) {
        ::close(fd);
        fd = -1;
    }
    static char next(int fd, int timeoutMs) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) != 1) return 0;
        char c = 0;
        return ::read(fd, &c, 1) == 1 ? c : 0;
    }
    int toChild_[2];
    int toParent_[2];
};

int waitChild(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Content number k: a header naming k and a body that depends on k, of two alternating sizes, so
// a mix of two versions, a cut-off file or an empty one is recognised.
std::string version(long k) {
    std::string s = "VERSION " + std::to_string(k) + "\n";
    size_t size = (k % 2 == 0) ? 200000 : 150001;
    size_t header = s.size();
    s.resize(size);
    for (size_t i = header; i < size; ++i) s[i] = static_cast<char>('!' + (static_cast<size_t>(k) * 31 + i * 7) % 90);
    return s;
}

// The number of the version `content` is exactly, or -1.
long whichVersion(const std::string& content) {
    if (content.compare(0, 8, "VERSION ") != 0) return -1;
    size_t nl = content.find('\n');
    if (nl == std::string::npos || nl > 30) return -1;
    long k = std::strtol(content.c_str() + 8, nullptr, 10);
    return content == version(k) ? k : -1;
}

}  // namespace

TEST(SharedFileAcrossProcesses, AnotherProcessKeepsItsLockAcrossItsReplace) {
    test::TempDir dir;
    std::string path = joinPath(dir.str(), "GRPINLY.FLG");
    std::ofstream(path, std::ios::binary) << "old";

    Channel ch;
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ch.becomeChild();
        SharedFile f;
        if (!f.open(path, ShareMode::ReadWriteExclusive).ok()) _exit(1);
        ch.tellParent('o');
        if (ch.fromParent() != 'r') _exit(2);
        if (!f.replaceContent("new content").ok()) _exit(3);
        ch.tellParent('r');
        if (ch.fromParent() != 'c') _exit(4);
        f.close();
        ch.tellParent('c');
        _exit(0);
    }
    ch.becomeParent();
    SharedFile mine;
    ASSERT_EQ(ch.fromChild(), 'o');
    for (ShareMode m : {ShareMode::ReadDenyWrite, ShareMode::WriteExclusive, ShareMode::ReadWriteExclusive})
        EXPECT_EQ(mine.open(path, m).number, kErrAccessDenied);

    ch.tellChild('r');
    ASSERT_EQ(ch.fromChild(), 'r');
    // The new content is in place, and the other process still holds it against everybody.
    EXPECT_EQ(slurp(path), "new content");
    for (ShareMode m : {ShareMode::ReadDenyWrite, ShareMode::WriteExclusive, ShareMode::ReadWriteExclusive})
        EXPECT_EQ(mine.open(path, m).number, kErrAccessDenied);

    ch.tellChild('c');
    ASSERT_EQ(ch.fromChild(), 'c');
    ASSERT_TRUE(mine.open(path, ShareMode::ReadWriteExclusive).ok());
    std::string seen;
    ASSERT_TRUE(mine.readAll(seen).ok());
    EXPECT_EQ(seen, "new content");
    mine.close();
    EXPECT_EQ(waitChild(pid), 0);
}

TEST(SharedFileAcrossProcesses, ReadersShareWritersWait) {
    test::TempDir dir;
    std::string path = joinPath(dir.str(), "ID00001.FDT");
    Channel ch;
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ch.becomeChild();
        SharedFile f;
        if (!f.open(path, ShareMode::ReadDenyWrite).ok()) _exit(1);
        ch.tellParent('o');
        if (ch.fromParent() != 'c') _exit(2);
        _exit(0);   // the end of the process lets go of the open, without a close
    }
    ch.becomeParent();
    ASSERT_EQ(ch.fromChild(), 'o');
    SharedFile reader, writer;
    EXPECT_TRUE(reader.open(path, ShareMode::ReadDenyWrite).ok());
    reader.close();
    EXPECT_EQ(writer.open(path, ShareMode::WriteExclusive).number, kErrAccessDenied);
    EXPECT_EQ(writer.open(path, ShareMode::ReadWriteExclusive).number, kErrAccessDenied);
    ch.tellChild('c');
    EXPECT_EQ(waitChild(pid), 0);
    EXPECT_TRUE(writer.open(path, ShareMode::WriteExclusive).ok());
}

// A child replaces the content again and again (version 1, 2, 3 ... alternating 200 KB and 150 KB)
// and reports each finished replace; it is killed at a random moment. The file must then hold
// exactly the last reported version or the one being written, never anything else; the lock of the
// dead process must be gone, and the next open must leave nothing of the dead replace behind. Both
// ways of replacing: the rename of a local disk, and the in-place rewrite with its undo copy that
// network shares get.
TEST(SharedFileAcrossProcesses, WriterKilledAtRandomMomentsLeavesOneCompleteContent) {
    for (const char* inPlace : {"0", "1"}) {
        SCOPED_TRACE(std::string("in place: ") + inPlace);
        test::TempDir dir;
        std::string path = joinPath(dir.str(), "GRPINLY.FLG");
        std::ofstream(path, std::ios::binary) << version(0);
        long current = 0;
        int caughtMidReplace = 0, leftovers = 0;
        std::mt19937 rng(std::random_device{}());

        for (int round = 0; round < 100; ++round) {
            SCOPED_TRACE("round " + std::to_string(round));
            Channel ch;
            pid_t pid = fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                ch.becomeChild();
                alarm(20);   // never outlive a test that went wrong
                setenv("TACKWISP_REPLACE_IN_PLACE", inPlace, 1);
                for (long k = current + 1;; ++k) {
                    SharedFile f;
                    if (!f.open(path, ShareMode::ReadWriteExclusive).ok()) _exit(1);
                    if (!f.replaceContent(version(k)).ok()) _exit(2);
                    f.close();
                    ch.tellParent('+');
                }
            }
            ch.becomeParent();
            // Let it finish 0..2 replaces, then kill it somewhere in the next 0..3 ms.
            long reported = 0;
            int waitFor = static_cast<int>(rng() % 3);
            for (; reported < waitFor; ++reported) ASSERT_EQ(ch.fromChild(), '+');
            std::this_thread::sleep_for(std::chrono::microseconds(rng() % 3000));
            kill(pid, SIGKILL);
            ASSERT_EQ(waitChild(pid), 128 + SIGKILL) << "the writer stopped by itself";
            while (ch.fromChild(0) == '+') ++reported;
            for (const auto& e : fs::directory_iterator(dir.path()))
                if (e.path().filename() != "GRPINLY.FLG" && e.path().filename() != "GRPINLY.FLG.~lock") ++leftovers;
            std::error_code noFolderYet;   // a kill before the first open: nothing was made
            for (const auto& e : fs::directory_iterator(dir.path() / "GRPINLY.FLG.~lock", noFolderYet)) {
                (void)e;
                ++leftovers;
            }

            // The killed writer's lock went with it; the next open puts back or clears what it left.
            SharedFile next;
            ASSERT_TRUE(next.open(path, ShareMode::ReadWriteExclusive).ok());
            std::string seen;
            ASSERT_TRUE(next.readAll(seen).ok());
            next.close();
            long k = whichVersion(seen);
            ASSERT_TRUE(k == current + reported || k == current + reported + 1)
                << "found version " << k << ", expected " << current + reported << " or " << current + reported + 1;
            if (k == current + reported + 1) ++caughtMidReplace;
            current = k;
            EXPECT_EQ(whichVersion(slurp(path)), k);
            std::vector<std::string> names;
            for (const auto& e : fs::directory_iterator(dir.path())) names.push_back(e.path().filename().string());
            std::sort(names.begin(), names.end());
            EXPECT_EQ(names, (std::vector<std::string>{"GRPINLY.FLG", "GRPINLY.FLG.~lock"}));
            EXPECT_TRUE(fs::is_empty(dir.path() / "GRPINLY.FLG.~lock"));
        }
        // The kills must have hit the replace itself, not only the moments between two of them.
        EXPECT_GT(leftovers + caughtMidReplace, 0);
        std::cout << "[          ] in place " << inPlace << ": " << leftovers << " kills left files beside it, "
                  << caughtMidReplace << " came out as the new content, now at version " << current << "\n";
    }
}

#endif  // _WIN32
