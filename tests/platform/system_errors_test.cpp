// The system's own errors as members read them: the common ones carry the number and the Japanese
// words Windows gives them, on Linux and on Windows alike, whatever language the system speaks. A
// table of the mapping, and a real full disk and a real read-only medium where this machine lets
// the tests mount small file systems.
#include "platform/sharedfile.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace tw;
namespace fs = std::filesystem;

namespace {

const std::string kBusyOrDenied = "ファイルにアクセスできません。他のコンピュータが使用中か、アクセス権がありません。";
const std::string kDiskFull = "ディスクに十分な空き領域がありません。";
const std::string kWriteProtect = "メディアは書き込み禁止になっています。";

struct Case {
    int systemCode;
    int number;
    std::string description;
};

FileError classified(int systemCode) {
#ifdef _WIN32
    SetLastError(static_cast<DWORD>(systemCode));
#else
    errno = systemCode;
#endif
    return lastSystemError();
}

fs::path u8(const std::string& s) { return fs::path(std::u8string(s.begin(), s.end())); }

std::string slurp(const std::string& path) {
    std::ifstream in(u8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> namesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(u8(dir))) {
        auto name = e.path().filename().u8string();
        std::string n(name.begin(), name.end());
        if (!tw::test::isLockFolderName(n)) names.push_back(n);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(SystemErrors, CommonErrorsGetTheWordsOfWindowsInJapanese) {
    const std::vector<Case> cases = {
#ifdef _WIN32
        {ERROR_FILE_NOT_FOUND, 53, "ファイルが見つかりません。"},
        {ERROR_PATH_NOT_FOUND, 76, "パスが見つかりません。"},
        {ERROR_ACCESS_DENIED, 70, kBusyOrDenied},
        {ERROR_SHARING_VIOLATION, 70, kBusyOrDenied},
        {ERROR_NOT_ENOUGH_MEMORY, 7, "メモリが不足しています。"},
        {ERROR_OUTOFMEMORY, 7, "メモリが不足しています。"},
        {ERROR_WRITE_PROTECT, 19, kWriteProtect},
        {ERROR_DISK_FULL, 112, kDiskFull},
        {ERROR_HANDLE_DISK_FULL, 112, kDiskFull},
        {1295 /* ERROR_DISK_QUOTA_EXCEEDED */, 112, kDiskFull},
        {ERROR_IO_DEVICE, 1117, "I/O デバイス エラーが発生したため、要求を実行できませんでした。"},
        {ERROR_TOO_MANY_OPEN_FILES, 4, "システムはファイルを開くことができません。"},
        {ERROR_FILENAME_EXCED_RANGE, 206, "ファイル名または拡張子が長すぎます。"},
        {ERROR_INVALID_NAME, 123, "ファイル名、ディレクトリ名、またはボリューム ラベルの構文が間違っています。"},
        {ERROR_FILE_EXISTS, 80, "ファイルが存在します。"},
        {ERROR_ALREADY_EXISTS, 80, "ファイルが存在します。"},
        {ERROR_NOT_SAME_DEVICE, 17, "別のディスク ドライブにファイルを移動できません。"},
        {ERROR_CANT_RESOLVE_FILENAME, 1921, "ファイル名をシステムで解決できません。"},
        {ERROR_NOT_READY, 21, "デバイスの準備ができていません。"},
        {ERROR_UNEXP_NET_ERR, 59, "予期しないネットワーク エラーが発生しました。"},
        {ERROR_NETNAME_DELETED, 64, "指定されたネットワーク名は利用できません。"},
#else
        {ENOENT, 53, "ファイルが見つかりません。"},
        {ENOTDIR, 76, "パスが見つかりません。"},
        {EACCES, 70, kBusyOrDenied},
        {EPERM, 70, kBusyOrDenied},
        {EBUSY, 70, kBusyOrDenied},
        {ETXTBSY, 70, kBusyOrDenied},
        {EISDIR, 70, kBusyOrDenied},   // Windows refuses to open a folder as a file as access denied
        {ENOMEM, 7, "メモリが不足しています。"},
        {EROFS, 19, kWriteProtect},
        {ENOSPC, 112, kDiskFull},
        {EDQUOT, 112, kDiskFull},      // Windows reports an exceeded quota as a full disk
        {EIO, 1117, "I/O デバイス エラーが発生したため、要求を実行できませんでした。"},
        {EMFILE, 4, "システムはファイルを開くことができません。"},
        {ENFILE, 4, "システムはファイルを開くことができません。"},
        {ENAMETOOLONG, 206, "ファイル名または拡張子が長すぎます。"},
        {EEXIST, 80, "ファイルが存在します。"},
        {EXDEV, 17, "別のディスク ドライブにファイルを移動できません。"},
        {ELOOP, 1921, "ファイル名をシステムで解決できません。"},
        {ENXIO, 21, "デバイスの準備ができていません。"},
        {ENOMEDIUM, 21, "デバイスの準備ができていません。"},
        {ECONNRESET, 59, "予期しないネットワーク エラーが発生しました。"},
        {EHOSTDOWN, 59, "予期しないネットワーク エラーが発生しました。"},
        {ESTALE, 64, "指定されたネットワーク名は利用できません。"},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("system error " + std::to_string(c.systemCode));
        FileError e = classified(c.systemCode);
        EXPECT_EQ(e.number, c.number);
        EXPECT_EQ(e.description, c.description);
        // The number alone gives the same words, wherever it came from.
        EXPECT_EQ(makeError(c.number).description, c.description);
    }
}

TEST(SystemErrors, RareErrorsKeepTheSystemsNumberAndWords) {
#ifdef _WIN32
    const int rare = ERROR_INVALID_EA_NAME;
#else
    const int rare = EPROTO;
#endif
    FileError e = classified(rare);
    EXPECT_EQ(e.number, rare);
    EXPECT_FALSE(e.description.empty());
    EXPECT_NE(e.description, makeError(rare).description);
#ifndef _WIN32
    EXPECT_EQ(e.description, std::strerror(EPROTO));
#endif
}

#ifndef _WIN32
namespace {

// Runs `body` in a child process with mounts of its own (gone with the child): a full file system
// of 64 KB at `full` holding GRPINLY.CFG, and a read-only one at `readOnly` holding GRPINLY.CFG.
// The body's lines come back as its report; "skip: ..." when this machine does not allow mounting.
template <class Body>
std::string withSmallFileSystems(const std::string& full, const std::string& readOnly, Body body) {
    int report[2];
    if (pipe(report) != 0) return "skip: no pipe";
    pid_t pid = fork();
    if (pid == 0) {
        ::close(report[0]);
        auto say = [&](const std::string& line) { (void)!::write(report[1], (line + "\n").data(), line.size() + 1); };
        auto skip = [&](const std::string& what) {
            say("skip: " + what + ": " + std::strerror(errno));
            _exit(0);
        };
        if (unshare(CLONE_NEWNS) != 0) skip("no mount namespace of its own (needs root)");
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) skip("mounts not private");
        if (mount("tmpfs", full.c_str(), "tmpfs", 0, "size=64k") != 0) skip("cannot mount a small file system");
        std::ofstream(full + "/GRPINLY.CFG", std::ios::binary) << "old content";
        {
            // Fill it up to the last byte.
            std::FILE* filler = std::fopen((full + "/filler").c_str(), "wb");
            if (!filler) skip("cannot fill the small file system");
            std::setvbuf(filler, nullptr, _IONBF, 0);
            const std::string page(4096, 'x');
            while (std::fwrite(page.data(), 1, page.size(), filler) == page.size()) {
            }
            while (std::fputc('x', filler) != EOF) {
            }
            std::fclose(filler);
        }
        if (mount("tmpfs", readOnly.c_str(), "tmpfs", 0, "size=64k") != 0) skip("cannot mount a small file system");
        std::ofstream(readOnly + "/GRPINLY.CFG", std::ios::binary) << "kept";
        if (mount(nullptr, readOnly.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
            skip("cannot make the file system read-only");
        body(say);
        _exit(0);
    }
    ::close(report[1]);
    std::string lines;
    char buf[512];
    for (ssize_t n; (n = ::read(report[0], buf, sizeof buf)) > 0;) lines.append(buf, static_cast<size_t>(n));
    ::close(report[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) lines += "child failed\n";
    return lines;
}

std::string line(const std::string& step, const FileError& e) {
    return step + " " + std::to_string(e.number) + " " + e.description;
}

}  // namespace

TEST(SystemErrorsOnRealFileSystems, AFullDiskAndAReadOnlyMediumAreReportedInJapanese) {
    test::TempDir dir;
    const std::string full = dir.file("full"), readOnly = dir.file("readonly");
    fs::create_directory(full);
    fs::create_directory(readOnly);
    const std::string report = withSmallFileSystems(full, readOnly, [&](auto say) {
        const std::string path = full + "/GRPINLY.CFG";
        SharedFile w;
        say(line("open", w.open(path, ShareMode::WriteExclusive)));
        // The new content does not fit: the replace fails and the old content stays, still ours.
        say(line("replace", w.replaceContent(std::string(20000, 'n'))));
        SharedFile other;
        say(line("other", other.open(path, ShareMode::ReadDenyWrite)));
        std::string seen;
        w.readAll(seen);
        w.close();
        say("content " + seen + " " + slurp(path));
        std::string names;
        for (const std::string& n : namesIn(full)) names += " " + n;
        say("names" + names);
        // A plain write that needs room.
        SharedFile grow;
        grow.open(full + "/ID00001.FDT", ShareMode::WriteExclusive);
        say(line("write", grow.write(std::string(8192, 'g').data(), 8192)));
        grow.close();

        // Nothing on a read-only medium can be changed or made; reading goes on.
        SharedFile ro;
        say(line("write-open", ro.open(readOnly + "/GRPINLY.CFG", ShareMode::WriteExclusive)));
        say(line("create", ro.open(readOnly + "/ID00001.FDT", ShareMode::ReadDenyWrite)));
        say(line("remove", removeFile(readOnly + "/GRPINLY.CFG")));
        say(line("read-open", ro.open(readOnly + "/GRPINLY.CFG", ShareMode::ReadDenyWrite)));
        std::string kept;
        ro.readAll(kept);
        say("kept " + kept);
    });
    if (report.rfind("skip: ", 0) == 0) GTEST_SKIP() << report;
    EXPECT_EQ(report, "open 0 \n"
                      "replace 112 " + kDiskFull + "\n"
                      "other 70 " + kBusyOrDenied + "\n"
                      "content old content old content\n"
                      "names GRPINLY.CFG filler\n"
                      "write 112 " + kDiskFull + "\n"
                      "write-open 19 " + kWriteProtect + "\n"
                      "create 19 " + kWriteProtect + "\n"
                      "remove 19 " + kWriteProtect + "\n"
                      "read-open 0 \n"
                      "kept kept\n");
}
#else
namespace {

// The folders that tests/tools/small_mounts.sh prepared for a run under Wine, as Windows paths.
std::string preparedFolder(const char* variable) {
    const char* unixPath = std::getenv(variable);
    if (!unixPath || unixPath[0] != '/') return {};
    std::string path = std::string("Z:") + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

}  // namespace

TEST(SystemErrorsOnRealFileSystems, AFullDiskIsReportedInJapanese) {
    const std::string full = preparedFolder("TACKWISP_TEST_FULL_DIR");
    if (full.empty()) GTEST_SKIP() << "no full file system prepared: run under tests/tools/small_mounts.sh as root";
    const std::string path = joinPath(full, "GRPINLY.CFG");
    SharedFile w;
    ASSERT_TRUE(w.open(path, ShareMode::WriteExclusive).ok());
    FileError e = w.replaceContent(std::string(20000, 'n'));
    EXPECT_EQ(e.number, kErrDiskFull);
    EXPECT_EQ(e.description, kDiskFull);
    // The old content stays, and the open still holds it against everybody.
    SharedFile other;
    EXPECT_EQ(other.open(path, ShareMode::ReadDenyWrite).number, kErrAccessDenied);
    std::string seen;
    ASSERT_TRUE(w.readAll(seen).ok());
    EXPECT_EQ(seen, "old content");
    w.close();
    EXPECT_EQ(slurp(path), "old content");
    EXPECT_EQ(namesIn(full), (std::vector<std::string>{"GRPINLY.CFG", "filler", "spare"}));

    // With a little room again: a short content fits, a long one does not, and whichever way this
    // system replaces the content, the short one stays complete and held.
    ASSERT_TRUE(removeFile(joinPath(full, "spare")).ok());
    const std::string notes = joinPath(full, "ID00001.FDT");
    SharedFile n;
    ASSERT_TRUE(n.open(notes, ShareMode::WriteExclusive).ok());
    ASSERT_TRUE(n.replaceContent("short").ok());
    e = n.replaceContent(std::string(20000, 'n'));
    EXPECT_EQ(e.number, kErrDiskFull);
    EXPECT_EQ(e.description, kDiskFull);
    EXPECT_EQ(other.open(notes, ShareMode::ReadDenyWrite).number, kErrAccessDenied);
    ASSERT_TRUE(n.readAll(seen).ok());
    EXPECT_EQ(seen, "short");
    n.close();
    EXPECT_EQ(slurp(notes), "short");
    EXPECT_EQ(namesIn(full), (std::vector<std::string>{"GRPINLY.CFG", "ID00001.FDT", "filler"}));
}

// Wine, like a read-only network share, refuses a write to a read-only file system as access denied
// (a write-protected disk under Windows gives 19, in the table above): the words must be Japanese
// all the same, and reading goes on. (Wine also reports a delete there as done, so that is left out.)
TEST(SystemErrorsOnRealFileSystems, AReadOnlyFileSystemIsReportedInJapanese) {
    const std::string readOnly = preparedFolder("TACKWISP_TEST_READONLY_DIR");
    if (readOnly.empty()) GTEST_SKIP() << "no read-only file system prepared: run under tests/tools/small_mounts.sh as root";
    SharedFile f;
    for (const char* name : {"GRPINLY.CFG", "ID00001.FDT"}) {
        SCOPED_TRACE(name);
        FileError e = f.open(joinPath(readOnly, name), ShareMode::WriteExclusive);
        EXPECT_TRUE(e.number == kErrAccessDenied || e.number == kErrWriteProtect) << e.number;
        EXPECT_EQ(e.description, makeError(e.number).description);
        EXPECT_TRUE(e.description == kBusyOrDenied || e.description == kWriteProtect) << e.description;
    }
    ASSERT_TRUE(f.open(joinPath(readOnly, "GRPINLY.CFG"), ShareMode::ReadDenyWrite).ok());
    std::string kept;
    ASSERT_TRUE(f.readAll(kept).ok());
    EXPECT_EQ(kept, "kept");
}
#endif
