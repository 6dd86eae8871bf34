// Shared files: the sharing modes as the only lock, the error numbers, plain file access, the one-step
// replace and the directory listing. Runs on Linux and, in the Windows build, under Wine.
#include "platform/sharedfile.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace tw;
namespace fs = std::filesystem;

namespace {

// Paths are UTF-8 in the program; say so to the standard library, whose own guess differs by system.
fs::path u8(const std::string& s) { return fs::path(std::u8string(s.begin(), s.end())); }

std::string in(const test::TempDir& dir, const std::string& name) { return joinPath(dir.str(), name); }

std::string slurp(const std::string& path) {
    std::ifstream file(u8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void plant(const std::string& path, const std::string& bytes) {
    std::ofstream out(u8(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Every name in the folder, directories included, so that a left-over temporary file shows; but the
// lock folders of POSIX systems, which stay beside the files they guard (lockfolder_test checks them).
std::vector<std::string> everything(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(u8(dir))) {
        auto u8 = e.path().filename().u8string();
        std::string name(u8.begin(), u8.end());
        if (!test::isLockFolderName(name)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string bigContent(char tag, size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(tag + static_cast<int>((i * 7) % 13));
    return s;
}

const char* modeName(ShareMode m) {
    switch (m) {
    case ShareMode::ReadDenyWrite: return "ReadDenyWrite";
    case ShareMode::WriteExclusive: return "WriteExclusive";
    case ShareMode::ReadWriteExclusive: return "ReadWriteExclusive";
    }
    return "?";
}

const ShareMode kModes[] = {ShareMode::ReadDenyWrite, ShareMode::WriteExclusive, ShareMode::ReadWriteExclusive};

}  // namespace

TEST(SharedFileModes, SecondOpenConflictsExactlyAsShareModesDo) {
    test::TempDir dir;
    std::string path = in(dir, "GRPINLY.FLG");
    plant(path, "abc");
    for (ShareMode first : kModes) {
        for (ShareMode second : kModes) {
            SCOPED_TRACE(std::string(modeName(first)) + " then " + modeName(second));
            SharedFile a, b;
            ASSERT_TRUE(a.open(path, first).ok());
            FileError e = b.open(path, second);
            bool bothRead = first == ShareMode::ReadDenyWrite && second == ShareMode::ReadDenyWrite;
            if (bothRead) {
                EXPECT_TRUE(e.ok()) << e.number;
                EXPECT_TRUE(b.isOpen());
            } else {
                EXPECT_EQ(e.number, kErrAccessDenied);
                EXPECT_EQ(e.description, makeError(kErrAccessDenied).description);
                EXPECT_FALSE(b.isOpen());
            }
            b.close();
            a.close();
            // Once the first open is gone the second one always gets in.
            EXPECT_TRUE(b.open(path, second).ok());
        }
    }
}

TEST(SharedFileModes, ThirdReaderAndLateWriter) {
    test::TempDir dir;
    std::string path = in(dir, "ID00001.FDT");
    SharedFile r1, r2, r3, w;
    ASSERT_TRUE(r1.open(path, ShareMode::ReadDenyWrite).ok());
    ASSERT_TRUE(r2.open(path, ShareMode::ReadDenyWrite).ok());
    ASSERT_TRUE(r3.open(path, ShareMode::ReadDenyWrite).ok());
    r1.close();
    r2.close();
    // One remaining reader still keeps every writer out.
    EXPECT_EQ(w.open(path, ShareMode::WriteExclusive).number, kErrAccessDenied);
    r3.close();
    EXPECT_TRUE(w.open(path, ShareMode::WriteExclusive).ok());
}

TEST(SharedFileOpen, MissingFileIsCreatedEmptyInEveryMode) {
    test::TempDir dir;
    for (ShareMode m : kModes) {
        SCOPED_TRACE(modeName(m));
        std::string path = in(dir, std::string("new-") + modeName(m));
        ASSERT_FALSE(fileExists(path));
        SharedFile f;
        ASSERT_TRUE(f.open(path, m).ok());
        int64_t len = -1;
        ASSERT_TRUE(f.length(len).ok());
        EXPECT_EQ(len, 0);
        f.close();
        EXPECT_TRUE(fileExists(path));
        EXPECT_EQ(slurp(path), "");
    }
}

// A file read whole without a lock: all of it without a limit (more than one read's buffer), at most
// one byte past a limit, and a missing file told as such.
TEST(SharedFileOpen, ReadWithoutALockStopsOneBytePastItsLimit) {
    test::TempDir dir;
    const std::string path = in(dir, "whole");
    const std::string content(70000, 'x');
    std::ofstream(path, std::ios::binary) << content;
    const struct {
        size_t limit;
        size_t got;
    } cases[] = {{SIZE_MAX, 70000}, {70000, 70000}, {69999, 70000}, {100, 101}, {0, 1}};
    for (const auto& c : cases) {
        std::string bytes = "old";
        ASSERT_TRUE(readFileUnlocked(path, bytes, c.limit).ok()) << c.limit;
        EXPECT_EQ(bytes, content.substr(0, c.got)) << c.limit;
    }
    std::string bytes;
    EXPECT_TRUE(readFileUnlocked(path, bytes).ok());
    EXPECT_EQ(bytes.size(), 70000u);
    EXPECT_EQ(readFileUnlocked(in(dir, "missing"), bytes).number, kErrFileNotFound);
}

TEST(SharedFileOpen, NonAsciiNamesReachTheSameFile) {
    test::TempDir dir;
    std::string path = in(dir, "付箋ＤＡＴＡ.FDT");
    SharedFile f;
    ASSERT_TRUE(f.open(path, ShareMode::WriteExclusive).ok());
    ASSERT_TRUE(f.write("xyz", 3).ok());
    f.close();
    EXPECT_EQ(slurp(path), "xyz");
    EXPECT_EQ(listDirectory(dir.str()), std::vector<std::string>{"付箋ＤＡＴＡ.FDT"});
    EXPECT_TRUE(removeFile(path).ok());
    EXPECT_FALSE(fileExists(path));
}

TEST(SharedFileErrors, MissingFileMissingFolderAndOthers) {
    test::TempDir dir;
    std::string missingDir = joinPath(dir.str(), "gone");

    FileError e = removeFile(in(dir, "nothing.CFG"));
    EXPECT_EQ(e.number, kErrFileNotFound);
    EXPECT_EQ(e.description, "ファイルが見つかりません。");

    e = removeFile(joinPath(missingDir, "nothing.CFG"));
    EXPECT_EQ(e.number, kErrPathNotFound);
    EXPECT_EQ(e.description, "パスが見つかりません。");

    for (ShareMode m : kModes) {
        SharedFile f;
        e = f.open(joinPath(missingDir, "GRPINLY.CFG"), m);
        EXPECT_EQ(e.number, kErrPathNotFound) << modeName(m);
        EXPECT_FALSE(f.isOpen());
    }
    EXPECT_FALSE(directoryExists(missingDir));

    // A name the system refuses: the number and the Japanese words Windows gives it, on every system.
#ifdef _WIN32
    std::string bad = in(dir, "a<b");
    const int expected = kErrInvalidName;
    const std::string words = "ファイル名、ディレクトリ名、またはボリューム ラベルの構文が間違っています。";
#else
    std::string bad = in(dir, std::string(300, 'a'));
    const int expected = kErrNameTooLong;
    const std::string words = "ファイル名または拡張子が長すぎます。";
#endif
    SharedFile f;
    e = f.open(bad, ShareMode::ReadDenyWrite);
    EXPECT_EQ(e.number, expected);
    EXPECT_EQ(e.description, words);
}

TEST(SharedFileErrors, ClosedFileAndReadOnlyOpenAreRefused) {
    test::TempDir dir;
    std::string path = in(dir, "ID00002.FCG");
    plant(path, "keep");

    SharedFile closed;
    int64_t n = 0;
    size_t got = 7;
    char buf[4];
    std::string all;
    EXPECT_EQ(closed.length(n).number, kErrBadFileNumber);
    EXPECT_EQ(closed.position(n).number, kErrBadFileNumber);
    EXPECT_EQ(closed.seek(0).number, kErrBadFileNumber);
    EXPECT_EQ(closed.read(buf, sizeof buf, got).number, kErrBadFileNumber);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(closed.write("x", 1).number, kErrBadFileNumber);
    EXPECT_EQ(closed.readAll(all).number, kErrBadFileNumber);
    FileError e = closed.replaceContent("x");
    EXPECT_EQ(e.number, kErrBadFileNumber);
    EXPECT_EQ(e.description, "ファイル名または番号が不正です。");

    // A reader's open cannot change the file, and says so with its own number: not "busy" (70),
    // which would only make the caller wait.
    SharedFile r;
    ASSERT_TRUE(r.open(path, ShareMode::ReadDenyWrite).ok());
    e = r.write("x", 1);
    EXPECT_EQ(e.number, kErrBadFileMode);
    EXPECT_EQ(e.description, "ファイル モードが不正です。");
    EXPECT_EQ(r.replaceContent("changed").number, kErrBadFileMode);
    ASSERT_TRUE(r.readAll(all).ok());
    EXPECT_EQ(all, "keep");
    r.close();
    EXPECT_EQ(slurp(path), "keep");
    EXPECT_EQ(everything(dir.str()), std::vector<std::string>{"ID00002.FCG"});
}

TEST(SharedFileIo, LengthSeekPositionReadWrite) {
    test::TempDir dir;
    std::string path = in(dir, "io.bin");
    SharedFile f;
    ASSERT_TRUE(f.open(path, ShareMode::ReadWriteExclusive).ok());
    ASSERT_TRUE(f.write("0123456789", 10).ok());
    int64_t pos = -1, len = -1;
    ASSERT_TRUE(f.position(pos).ok());
    EXPECT_EQ(pos, 10);
    ASSERT_TRUE(f.length(len).ok());
    EXPECT_EQ(len, 10);

    ASSERT_TRUE(f.seek(3).ok());
    char buf[8] = {0};
    size_t got = 0;
    ASSERT_TRUE(f.read(buf, 4, got).ok());
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(std::string(buf, got), "3456");
    ASSERT_TRUE(f.position(pos).ok());
    EXPECT_EQ(pos, 7);

    // A read across the end gets what is there; at the end it gets nothing and no error.
    ASSERT_TRUE(f.read(buf, 8, got).ok());
    EXPECT_EQ(std::string(buf, got), "789");
    ASSERT_TRUE(f.read(buf, 8, got).ok());
    EXPECT_EQ(got, 0u);

    // Writing in the middle overwrites in place and keeps the length.
    ASSERT_TRUE(f.seek(2).ok());
    ASSERT_TRUE(f.write("ab", 2).ok());
    ASSERT_TRUE(f.length(len).ok());
    EXPECT_EQ(len, 10);

    // readAll reads from the start whatever the position, and leaves the position at the end.
    ASSERT_TRUE(f.seek(5).ok());
    std::string all;
    ASSERT_TRUE(f.readAll(all).ok());
    EXPECT_EQ(all, "01ab456789");
    ASSERT_TRUE(f.position(pos).ok());
    EXPECT_EQ(pos, 10);

    // Binary bytes pass untouched (no text-mode translation of CR LF or 0x1A).
    std::string binary("\r\n\x1a\0\xff\n", 6);
    ASSERT_TRUE(f.seek(10).ok());
    ASSERT_TRUE(f.write(binary.data(), binary.size()).ok());
    f.close();
    EXPECT_EQ(slurp(path), "01ab456789" + binary);

    EXPECT_EQ(f.open(path, ShareMode::ReadDenyWrite).number, kErrNone);
    ASSERT_TRUE(f.readAll(all).ok());
    EXPECT_EQ(all, "01ab456789" + binary);
}

TEST(SharedFileReplace, ContentReplacedAndLockKeptUntilClose) {
    test::TempDir dir;
    std::string path = in(dir, "GRPINLY.FLG");
    std::string oldContent = bigContent('a', 70000);
    std::string newContent = bigContent('N', 50001);
    plant(path, oldContent);

    for (ShareMode m : {ShareMode::WriteExclusive, ShareMode::ReadWriteExclusive}) {
        SCOPED_TRACE(modeName(m));
        plant(path, oldContent);
        SharedFile w;
        ASSERT_TRUE(w.open(path, m).ok());
        ASSERT_TRUE(w.replaceContent(newContent).ok());

        // Still ours: nobody else gets in, neither reader nor writer.
        SharedFile other;
        for (ShareMode o : kModes) EXPECT_EQ(other.open(path, o).number, kErrAccessDenied) << modeName(o);

        // The open now is the new file, positioned at its end.
        int64_t len = 0, pos = 0;
        ASSERT_TRUE(w.length(len).ok());
        EXPECT_EQ(len, static_cast<int64_t>(newContent.size()));
        ASSERT_TRUE(w.position(pos).ok());
        EXPECT_EQ(pos, len);
        std::string seen;
        ASSERT_TRUE(w.readAll(seen).ok());
        EXPECT_EQ(seen, newContent);

        // A second replace through the same open, to a shorter content.
        ASSERT_TRUE(w.replaceContent("short").ok());
        EXPECT_EQ(other.open(path, ShareMode::ReadDenyWrite).number, kErrAccessDenied);
        w.close();

        // A reader that opens afterwards sees the newest content, and no temporary file is left.
        ASSERT_TRUE(other.open(path, ShareMode::ReadDenyWrite).ok());
        ASSERT_TRUE(other.readAll(seen).ok());
        EXPECT_EQ(seen, "short");
        other.close();
        EXPECT_EQ(everything(dir.str()), std::vector<std::string>{"GRPINLY.FLG"});
    }
}

TEST(SharedFileReplace, EmptyAndMissingFiles) {
    test::TempDir dir;
    std::string path = in(dir, "ID00003.FDT");
    SharedFile w;
    // A file created by the open itself.
    ASSERT_TRUE(w.open(path, ShareMode::WriteExclusive).ok());
    ASSERT_TRUE(w.replaceContent(std::string("\0\x01\x02", 3)).ok());
    w.close();
    EXPECT_EQ(slurp(path), std::string("\0\x01\x02", 3));
    // Emptying a file.
    ASSERT_TRUE(w.open(path, ShareMode::ReadWriteExclusive).ok());
    ASSERT_TRUE(w.replaceContent("").ok());
    int64_t len = -1;
    ASSERT_TRUE(w.length(len).ok());
    EXPECT_EQ(len, 0);
    w.close();
    EXPECT_TRUE(fileExists(path));
    EXPECT_EQ(slurp(path), "");
}

TEST(SharedFileReplace, MissingFolderFailsAndTheOldContentSurvives) {
    test::TempDir dir;
    std::string folder = joinPath(dir.str(), "share");
    fs::create_directory(u8(folder));
    std::string path = joinPath(folder, "GRPINLY.CFG");
    plant(path, "old content");

    SharedFile w;
    ASSERT_TRUE(w.open(path, ShareMode::WriteExclusive).ok());
    // The shared folder disappears under the open (a network drive that went away).
    std::string moved = joinPath(dir.str(), "moved");
    std::error_code ec;
    fs::rename(u8(folder), u8(moved), ec);
    if (ec) GTEST_SKIP() << "this system does not let a folder with an open file go away";

    FileError e = w.replaceContent("new content");
    EXPECT_EQ(e.number, kErrPathNotFound);
    // Our open still holds the old file, unchanged, and nothing was left behind.
    std::string seen;
    ASSERT_TRUE(w.readAll(seen).ok());
    EXPECT_EQ(seen, "old content");
    w.close();
    EXPECT_EQ(slurp(joinPath(moved, "GRPINLY.CFG")), "old content");
    EXPECT_EQ(everything(moved), std::vector<std::string>{"GRPINLY.CFG"});
}

#ifndef _WIN32
// Read-only folders are a POSIX matter here (Windows ignores the read-only mark of a folder). The
// check runs in a child without root's rights, since root may write anywhere.
TEST(SharedFileReplace, ReadOnlyFolderFailsAndTheOldContentSurvives) {
    test::TempDir dir;
    std::string folder = joinPath(dir.str(), "share");
    fs::create_directory(folder);
    std::string path = joinPath(folder, "GRPINLY.CFG");
    plant(path, "old content");
    fs::permissions(path, fs::perms::all & ~(fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec));
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(dir.path(), fs::perms::all);

    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(10);
        SharedFile w;
        if (!w.open(path, ShareMode::WriteExclusive).ok()) _exit(11);
        FileError e = w.replaceContent("new content");
        if (e.number != kErrAccessDenied) _exit(12);
        std::string seen;
        if (!w.readAll(seen).ok() || seen != "old content") _exit(13);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    fs::permissions(folder, fs::perms::owner_all);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 11 && geteuid() == 0) GTEST_SKIP() << "the temporary folder is closed to other users";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10 no unprivileged user, 11 open, 12 replace error, 13 old content";
    EXPECT_EQ(slurp(path), "old content");
    EXPECT_EQ(everything(folder), std::vector<std::string>{"GRPINLY.CFG"});
}
#endif

#ifdef _WIN32
namespace {

// The undo copy that the in-place replace of the Windows build puts beside the file before it
// changes a byte of it: the old content, then its length and its FNV-1a checksum as 64-bit
// little-endian numbers, then a mark.
std::string undoCopyOf(const std::string& old) {
    uint64_t sum = 14695981039346656037ULL;
    for (char c : old) {
        sum ^= static_cast<unsigned char>(c);
        sum *= 1099511628211ULL;
    }
    std::string out = old;
    for (uint64_t v : {static_cast<uint64_t>(old.size()), sum})
        for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return out + "TWUNDO01";
}

}  // namespace

// What a writer killed in the middle of rewriting the file in place leaves: the file part new and
// part old, and the complete undo copy beside it. Whoever opens the file next, reader or writer,
// reads the old content, and the copy is gone.
TEST(SharedFileReplace, AnOpenPutsBackWhatAWriterKilledInTheMiddleLeft) {
    test::TempDir dir;
    const std::string path = in(dir, "GRPINLY.FLG");
    const std::string oldContent = bigContent('a', 70000);
    const std::string half = bigContent('N', 30000) + oldContent.substr(30000);
    for (ShareMode m : kModes) {
        SCOPED_TRACE(modeName(m));
        plant(path, half);
        plant(path + ".~undo", undoCopyOf(oldContent));
        SharedFile f;
        ASSERT_TRUE(f.open(path, m).ok());
        // As any open: at the start of the file.
        int64_t pos = -1;
        ASSERT_TRUE(f.position(pos).ok());
        EXPECT_EQ(pos, 0);
        std::string seen;
        ASSERT_TRUE(f.readAll(seen).ok());
        EXPECT_TRUE(seen == oldContent) << "read " << seen.size() << " bytes that are not the old content";
        f.close();
        EXPECT_TRUE(slurp(path) == oldContent);
        EXPECT_EQ(everything(dir.str()), std::vector<std::string>{"GRPINLY.FLG"});
    }
}

// An undo copy that is not complete (cut short or damaged) was never finished, so its replace never
// touched the file: it goes, and the file stays as it is.
TEST(SharedFileReplace, AnIncompleteUndoCopyIsNeverPutBack) {
    test::TempDir dir;
    const std::string path = in(dir, "GRPINLY.FLG");
    const std::string whole = undoCopyOf("older content");
    std::string damaged = whole;
    damaged[3] = 'X';
    for (const std::string& copy : {whole.substr(0, whole.size() - 1), damaged, std::string()}) {
        plant(path, "current content");
        plant(path + ".~undo", copy);
        SharedFile f;
        ASSERT_TRUE(f.open(path, ShareMode::ReadDenyWrite).ok());
        std::string seen;
        ASSERT_TRUE(f.readAll(seen).ok());
        EXPECT_EQ(seen, "current content");
        f.close();
        EXPECT_EQ(everything(dir.str()), std::vector<std::string>{"GRPINLY.FLG"});
    }
}

// A reader that finds the undo copy while a program that knows nothing of it reads the file cannot
// put the old content back: it reports the file busy instead of handing out the half-written one,
// and gets the old content once that program let go.
TEST(SharedFileReplace, AReaderNeverHandsOutAHalfWrittenFile) {
    test::TempDir dir;
    const std::string path = in(dir, "GRPINLY.FLG");
    plant(path, "new-ish content");
    plant(path + ".~undo", undoCopyOf("old content"));
    HANDLE foreign = CreateFileW(u8(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(foreign, INVALID_HANDLE_VALUE);
    SharedFile r;
    EXPECT_EQ(r.open(path, ShareMode::ReadDenyWrite).number, kErrAccessDenied);
    EXPECT_FALSE(r.isOpen());
    CloseHandle(foreign);
    ASSERT_TRUE(r.open(path, ShareMode::ReadDenyWrite).ok());
    std::string seen;
    ASSERT_TRUE(r.readAll(seen).ok());
    EXPECT_EQ(seen, "old content");
}
#endif

TEST(SharedFileReplace, LeftoversOfDeadWritersAreRemovedOthersKept) {
    test::TempDir dir;
    const std::string target = in(dir, "GRPINLY.FLG");
    const std::string dead = in(dir, "GRPINLY.FLG.~pc1-123-45.tmp");
    const std::string busy = in(dir, "GRPINLY.FLG.~pc2-678-90.tmp");
    const std::string other = in(dir, "ID00001.FDT.~pc1-123-46.tmp");
    for (const auto& p : {dead, busy, other}) plant(p, "partial");
    const auto twoHoursAgo = fs::file_time_type::clock::now() - std::chrono::hours(2);
    fs::last_write_time(u8(dead), twoHoursAgo);
    fs::last_write_time(u8(other), twoHoursAgo);

    SharedFile f;
    ASSERT_TRUE(f.open(target, ShareMode::WriteExclusive).ok());
    ASSERT_TRUE(f.replaceContent("new").ok());
    f.close();

    EXPECT_FALSE(fileExists(dead));    // an hour untouched: its writer is gone
    EXPECT_TRUE(fileExists(busy));     // may still be written by another computer
    EXPECT_TRUE(fileExists(other));    // belongs to another file's replace
    EXPECT_EQ(slurp(target), "new");
}

TEST(ListDirectory, PlainFilesMatchingThePattern) {
    test::TempDir dir;
    for (const char* name : {"FSTYLE.001", "FSTYLE.002", "fstyle.003", "FSTYLE1", "a.JPG", "b.jpg", "c.jpeg",
                             "d.Jpg", "x1.txt", "x22.txt", "付箋.txt", "ab.txt"})
        plant(in(dir, name), "x");
    fs::create_directory(dir.path() / "FSTYLE.DIR");
    fs::create_directory(dir.path() / "e.jpg");

    using V = std::vector<std::string>;
    EXPECT_EQ(listDirectory(dir.str(), "FSTYLE.*"), (V{"FSTYLE.001", "FSTYLE.002", "fstyle.003"}));
    EXPECT_EQ(listDirectory(dir.str(), "*.JPG"), (V{"a.JPG", "b.jpg", "d.Jpg"}));
    EXPECT_EQ(listDirectory(dir.str(), "*.jpg"), (V{"a.JPG", "b.jpg", "d.Jpg"}));
    EXPECT_EQ(listDirectory(dir.str(), "x?.txt"), (V{"x1.txt"}));
    // '?' is one character, also a two-byte one.
    EXPECT_EQ(listDirectory(dir.str(), "??.txt"), (V{"ab.txt", "x1.txt", "付箋.txt"}));
    EXPECT_EQ(listDirectory(dir.str(), "付*"), (V{"付箋.txt"}));
    EXPECT_EQ(listDirectory(dir.str(), "*.bmp"), V{});
    EXPECT_EQ(listDirectory(dir.str()).size(), 12u);
    EXPECT_EQ(listDirectory(joinPath(dir.str(), "nowhere"), "*"), V{});
}

TEST(ListDirectory, FileAndFolderTests) {
    test::TempDir dir;
    plant(in(dir, "REG.CFG"), "");
    EXPECT_TRUE(fileExists(in(dir, "REG.CFG")));
    EXPECT_FALSE(directoryExists(in(dir, "REG.CFG")));
    EXPECT_TRUE(directoryExists(dir.str()));
    EXPECT_FALSE(fileExists(dir.str()));
    EXPECT_FALSE(fileExists(in(dir, "none")));
    EXPECT_FALSE(directoryExists(in(dir, "none")));
}

TEST(Paths, JoinPathUsesTheSystemSeparator) {
#ifdef _WIN32
    EXPECT_EQ(pathSeparator(), '\\');
    EXPECT_EQ(joinPath("\\\\server\\share", "GRPINLY.CFG"), "\\\\server\\share\\GRPINLY.CFG");
    EXPECT_EQ(joinPath("C:\\notes\\", "ID00001.FDT"), "C:\\notes\\ID00001.FDT");
#else
    EXPECT_EQ(pathSeparator(), '/');
    EXPECT_EQ(joinPath("/srv/share", "GRPINLY.CFG"), "/srv/share/GRPINLY.CFG");
#endif
    // A folder that already ends with either separator gets none added; an empty folder none at all.
    EXPECT_EQ(joinPath("dir/", "f"), "dir/f");
    EXPECT_EQ(joinPath(std::string("dir") + pathSeparator(), "f"), std::string("dir") + pathSeparator() + "f");
    EXPECT_EQ(joinPath("", "REG.CFG"), "REG.CFG");
}
