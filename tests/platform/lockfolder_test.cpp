// The lock folder beside a shared file, the lock that reaches other computers where the network
// client keeps the system's locks to itself: what other members' entries in it mean, what a dead
// program's entry costs, and a writer whose lock was cleared while it was stopped.
#ifndef _WIN32

#include "platform/posix/lockfolder.h"
#include "platform/sharedfile.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace tw;
namespace fs = std::filesystem;

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void plant(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// A process number that is certainly not running: a child that has ended and been waited for.
long endedProcess() {
    pid_t pid = fork();
    if (pid == 0) _exit(0);
    int status = 0;
    waitpid(pid, &status, 0);
    return pid;
}

}  // namespace

// Entries planted as other members' programs would leave them, and what an open of each mode makes
// of them. Another computer's entry counts as alive (it is only cleared after it stayed unchanged for
// kStaleSeconds); one of this computer whose process is gone is cleared at once.
TEST(LockFolder, OtherMembersEntriesDecideAsTheirModesDo) {
    const std::string here = lockfolder::computerName();
    const std::string dead = std::to_string(endedProcess());
    const std::string alive = std::to_string(getppid());
    struct Case {
        std::string entry;   // planted in the lock folder, "" for an empty folder
        bool readerMayOpen, writerMayOpen, entryStays;
    } cases[] = {
        {"w.otherpc_12345678.4242.1", false, false, true},
        {"r.otherpc_12345678.4242.1", true, false, true},
        {"w." + here + "." + alive + ".7", false, false, true},
        {"r." + here + "." + alive + ".7", true, false, true},
        {"w." + here + "." + dead + ".7", true, true, false},
        {"r." + here + "." + dead + ".7", true, true, false},
        // Our own number without our open: a program of an earlier run had it.
        {"w." + here + "." + std::to_string(getpid()) + ".7", true, true, false},
        // A maker that died between making the folder and entering it.
        {"", true, true, false},
        // Not an entry of this program: somebody's file, left alone, and nobody gets in past it.
        {"notes.txt", false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("entry '" + c.entry + "'");
        test::TempDir dir;
        const std::string path = dir.file("GRPINLY.FLG");
        plant(path, "content");
        const std::string folder = lockfolder::folderFor(path);
        for (ShareMode mode : {ShareMode::ReadDenyWrite, ShareMode::ReadWriteExclusive}) {
            const bool reader = mode == ShareMode::ReadDenyWrite;
            fs::create_directory(folder);
            if (!c.entry.empty()) plant(folder + "/" + c.entry, "");
            SharedFile f;
            FileError e = f.open(path, mode);
            EXPECT_EQ(e.ok(), reader ? c.readerMayOpen : c.writerMayOpen) << (reader ? "reader" : "writer");
            if (!e.ok()) {
                EXPECT_EQ(e.number, kErrAccessDenied);
            }
            f.close();
            EXPECT_EQ(!c.entry.empty() && fs::exists(folder + "/" + c.entry), c.entryStays);
            fs::remove_all(folder);
        }
    }
}

// Opens of one program combine as the system's locks decide; between programs, readers share and a
// writer waits, and nobody's entry is left once the last open let go.
TEST(LockFolder, ReadersShareAcrossProgramsAndTheFolderGoesWithTheLast) {
    test::TempDir dir;
    const std::string path = dir.file("ID00001.FDT");
    plant(path, "notes");
    int toChild[2], toParent[2];
    ASSERT_EQ(pipe(toChild), 0);
    ASSERT_EQ(pipe(toParent), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        alarm(20);
        SharedFile r;
        char c = r.open(path, ShareMode::ReadDenyWrite).ok() ? 'o' : 'x';
        (void)!write(toParent[1], &c, 1);
        (void)!read(toChild[0], &c, 1);
        r.close();
        (void)!write(toParent[1], "c", 1);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(toParent[0], &c, 1), 1);
    ASSERT_EQ(c, 'o');
    SharedFile a, b, w;
    EXPECT_TRUE(a.open(path, ShareMode::ReadDenyWrite).ok());
    EXPECT_TRUE(b.open(path, ShareMode::ReadDenyWrite).ok());
    EXPECT_EQ(w.open(path, ShareMode::WriteExclusive).number, kErrAccessDenied);
    a.close();
    b.close();
    EXPECT_EQ(w.open(path, ShareMode::WriteExclusive).number, kErrAccessDenied);   // the child still reads
    (void)!write(toChild[1], "c", 1);
    ASSERT_EQ(read(toParent[0], &c, 1), 1);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(w.open(path, ShareMode::WriteExclusive).ok());
    w.close();
    EXPECT_TRUE(fs::is_empty(lockfolder::folderFor(path)));
    for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]}) close(fd);
}

// A writer that died leaves its entry and whatever its replace had beside the file; the next writer
// clears the entry and, holding the file, removes all of that at once, however young. Without a dead
// writer a young temporary file stays: its writer may be on another computer, still writing.
TEST(LockFolder, WhatADeadWriterLeftGoesWithItsEntry) {
    const std::string here = lockfolder::computerName();
    for (bool writerDied : {false, true}) {
        SCOPED_TRACE(writerDied ? "a dead writer's entry" : "no entry");
        test::TempDir dir;
        const std::string path = dir.file("GRPINLY.FLG");
        const std::string young = path + ".~pc2-678-90.tmp";
        plant(path, "content");
        plant(young, "partial");
        if (writerDied) {
            fs::create_directory(lockfolder::folderFor(path));
            plant(lockfolder::folderFor(path) + "/w." + here + "." + std::to_string(endedProcess()) + ".3", "");
        }
        SharedFile f;
        ASSERT_TRUE(f.open(path, ShareMode::ReadWriteExclusive).ok());
        EXPECT_EQ(fs::exists(young), !writerDied);
        f.close();
        EXPECT_TRUE(fs::is_empty(lockfolder::folderFor(path)));
    }
}

// A writer stopped for longer than the others wait finds its lock cleared by another member: it
// must not write over what that member may have changed meanwhile, and says why.
TEST(LockFolder, AWriterWhoseLockWasClearedWritesNothing) {
    test::TempDir dir;
    const std::string path = dir.file("GRPINLY.FLG");
    plant(path, "old");
    SharedFile f;
    ASSERT_TRUE(f.open(path, ShareMode::ReadWriteExclusive).ok());
    const std::string folder = lockfolder::folderFor(path);
    for (const auto& e : fs::directory_iterator(folder)) fs::remove(e.path());
    FileError e = f.replaceContent("new");
    EXPECT_EQ(e.number, kErrLockLost);
    EXPECT_EQ(e.description, "ファイルのロックが他のコンピュータに引き継がれました。変更は書き込まれていません。");
    f.close();
    EXPECT_EQ(slurp(path), "old");
}

#endif  // _WIN32
