// Sharing modes on Windows are the share modes of CreateFileW: a reader shares reading only, a
// writer shares nothing. The writer's open also allows deletion, which the one-step replace of the
// content needs (the new file takes the old one's name while our open still holds it).
//
// Where that one-step replace is refused, the content is rewritten in place through the writer's
// open, which is never let go (common.cpp, the same on every system). Every open puts back what a
// writer killed midway left (see open()).
#include "platform/sharedfile.h"
#include "platform/win/wide.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <random>
#include <vector>
#include <windows.h>

namespace tw {

namespace {

// The rename class and flags of Windows 10; spelled out here so the build does not depend on the
// SDK's version macros. The layout is the system's FILE_RENAME_INFO.
constexpr int kFileRenameInfoEx = 22;
constexpr DWORD kRenameReplaceIfExists = 0x1;
constexpr DWORD kRenamePosixSemantics = 0x2;
struct RenameInfo {
    DWORD flags;   // shares its place with the BOOLEAN ReplaceIfExists of the older class
    HANDLE rootDirectory;
    DWORD fileNameLength;
    WCHAR fileName[1];
};

// Not in every SDK's headers.
constexpr DWORD kErrorDiskQuotaExceeded = 1295;

HANDLE asHandle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

std::string systemMessage(DWORD err) {
    wchar_t* buf = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, err, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::string text;
    if (n > 0 && buf) {
        std::wstring w(buf, n);
        while (!w.empty() && (w.back() == L'\r' || w.back() == L'\n' || w.back() == L' ')) w.pop_back();
        text = win::narrow(w);
    }
    if (buf) LocalFree(buf);
    if (text.empty()) text = "エラー " + std::to_string(err);
    return text;
}

FileError classify(DWORD err) {
    switch (err) {
    case ERROR_FILE_NOT_FOUND: return makeError(kErrFileNotFound);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BAD_PATHNAME: return makeError(kErrPathNotFound);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return busyError();
    case ERROR_ACCESS_DENIED: return makeError(kErrAccessDenied);
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return makeError(kErrOutOfMemory);
    // The common ones in the program's own words, whatever language this Windows speaks.
    case ERROR_TOO_MANY_OPEN_FILES: return makeError(kErrTooManyOpenFiles);
    case ERROR_NOT_SAME_DEVICE: return makeError(kErrNotSameDevice);
    case ERROR_WRITE_PROTECT: return makeError(kErrWriteProtect);
    case ERROR_NOT_READY: return makeError(kErrNotReady);
    case ERROR_UNEXP_NET_ERR: return makeError(kErrNetworkError);
    case ERROR_NETNAME_DELETED: return makeError(kErrNetworkNameGone);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return makeError(kErrFileExists);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case kErrorDiskQuotaExceeded: return makeError(kErrDiskFull);
    case ERROR_INVALID_NAME: return makeError(kErrInvalidName);
    case ERROR_FILENAME_EXCED_RANGE: return makeError(kErrNameTooLong);
    case ERROR_IO_DEVICE: return makeError(kErrDeviceIo);
    case ERROR_CANT_RESOLVE_FILENAME: return makeError(kErrCannotResolveName);
    default: {
        // Rare ones keep the system's own number and words.
        FileError e;
        e.number = static_cast<int>(err);
        e.description = systemMessage(err);
        return e;
    }
    }
}

FileError lastError() { return classify(GetLastError()); }

DWORD accessFor(ShareMode mode) {
    return mode == ShareMode::ReadDenyWrite ? GENERIC_READ : (GENERIC_READ | GENERIC_WRITE);
}

DWORD shareFor(ShareMode mode) {
    return mode == ShareMode::ReadDenyWrite ? FILE_SHARE_READ : FILE_SHARE_DELETE;
}

std::wstring fullPath(const std::wstring& p) {
    DWORD n = GetFullPathNameW(p.c_str(), 0, nullptr, nullptr);
    if (n == 0) return p;
    std::wstring out(n, L'\0');
    DWORD m = GetFullPathNameW(p.c_str(), n, out.data(), nullptr);
    if (m == 0 || m >= n) return p;
    out.resize(m);
    return out;
}

std::wstring uniqueSuffix() {
    static std::mt19937_64 gen = [] {
        LARGE_INTEGER t;
        QueryPerformanceCounter(&t);
        std::seed_seq seq{static_cast<uint32_t>(GetCurrentProcessId()), static_cast<uint32_t>(t.LowPart),
                          static_cast<uint32_t>(t.HighPart), static_cast<uint32_t>(GetTickCount())};
        return std::mt19937_64(seq);
    }();
    wchar_t host[MAX_COMPUTERNAME_LENGTH + 1] = {0};
    DWORD len = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(host, &len)) len = 0;
    return L".~" + std::wstring(host, len) + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(gen() % 1000000007ULL) + L".tmp";
}

bool writeAllHandle(HANDLE h, const char* p, size_t n) {
    while (n > 0) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(n, 1u << 30));
        DWORD done = 0;
        if (!WriteFile(h, p, chunk, &done, nullptr)) return false;
        if (done == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        p += done;
        n -= done;
    }
    return true;
}

// Gives `h` the name `target`, replacing the file there even while it is open (our own open of
// it shares deletion). Needs Windows 10 and a file system that knows the newer rename; false
// with the system's error otherwise.
bool renameOverOpenFile(HANDLE h, const std::wstring& target) {
    size_t nameBytes = target.size() * sizeof(wchar_t);
    if (nameBytes > 0xFFFF) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    // Room for the name and its terminating zero whichever way the system measures the record.
    std::vector<std::byte> buf(sizeof(RenameInfo) + nameBytes + sizeof(wchar_t));
    auto* info = reinterpret_cast<RenameInfo*>(buf.data());
    info->flags = kRenameReplaceIfExists | kRenamePosixSemantics;
    info->rootDirectory = nullptr;
    info->fileNameLength = static_cast<DWORD>(nameBytes);
    std::copy(target.begin(), target.end(), info->fileName);
    info->fileName[target.size()] = L'\0';
    return SetFileInformationByHandle(h, static_cast<FILE_INFO_BY_HANDLE_CLASS>(kFileRenameInfoEx), info,
                                      static_cast<DWORD>(buf.size())) != 0;
}

// Folders where the one-step replace was refused because the system or the share does not know it;
// their files go straight to the in-place replace instead of writing a temporary file for nothing.
std::mutex refusedMutex;
std::vector<std::wstring> refusedFolders;

std::wstring folderOf(const std::wstring& path) {
    auto sep = path.find_last_of(L"\\/");
    return sep == std::wstring::npos ? std::wstring() : path.substr(0, sep);
}

bool oneStepRefusedIn(const std::wstring& folder) {
    std::lock_guard<std::mutex> lock(refusedMutex);
    return std::find(refusedFolders.begin(), refusedFolders.end(), folder) != refusedFolders.end();
}

void rememberRefusal(const std::wstring& folder, DWORD err) {
    if (err != ERROR_INVALID_PARAMETER && err != ERROR_NOT_SUPPORTED && err != ERROR_INVALID_FUNCTION) return;
    std::lock_guard<std::mutex> lock(refusedMutex);
    if (std::find(refusedFolders.begin(), refusedFolders.end(), folder) == refusedFolders.end())
        refusedFolders.push_back(folder);
}

}  // namespace

FileError lastSystemError() { return lastError(); }

char pathSeparator() { return '\\'; }

SharedFile::~SharedFile() { close(); }

FileError SharedFile::open(const std::string& path, ShareMode mode) {
    close();
    std::wstring wpath = win::widen(path);
    if (wpath.empty()) return makeError(kErrFileNotFound);
    for (int attempt = 0; attempt < 3; ++attempt) {
        HANDLE h = CreateFileW(wpath.c_str(), accessFor(mode), shareFor(mode), nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return lastError();
        // With the file held, an undo copy beside it is the one of a writer that died in the middle of
        // a replace: its old content goes back before anybody reads the file.
        if (GetFileAttributesW(win::widen(undoCopyPath(path)).c_str()) == INVALID_FILE_ATTRIBUTES) {
            DWORD err = GetLastError();
            if (err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND) {
                CloseHandle(h);
                return classify(err);
            }
        } else if (mode != ShareMode::ReadDenyWrite) {
            handle_ = reinterpret_cast<intptr_t>(h);
            path_ = path;
            mode_ = mode;
            FileError e = putBackUnfinishedReplace();
            if (!e) e = seek(0);
            if (e) close();
            return e;
        } else {
            // A reader cannot write: it lets go, puts the old content back through a writer's open and
            // opens again. Another reader there meanwhile makes that open busy; the caller retries.
            CloseHandle(h);
            HANDLE w = CreateFileW(wpath.c_str(), accessFor(ShareMode::ReadWriteExclusive),
                                   shareFor(ShareMode::ReadWriteExclusive), nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
            if (w == INVALID_HANDLE_VALUE) return lastError();
            SharedFile writer;
            writer.handle_ = reinterpret_cast<intptr_t>(w);
            writer.path_ = path;
            writer.mode_ = ShareMode::ReadWriteExclusive;
            FileError e = writer.putBackUnfinishedReplace();
            writer.close();
            if (e) return e;
            continue;
        }
        handle_ = reinterpret_cast<intptr_t>(h);
        path_ = path;
        mode_ = mode;
        return {};
    }
    return makeError(kErrAccessDenied);
}

FileError SharedFile::length(int64_t& out) {
    if (!isOpen()) return makeError(kErrBadFileNumber);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(asHandle(handle_), &size)) return lastError();
    out = size.QuadPart;
    return {};
}

FileError SharedFile::position(int64_t& out) {
    if (!isOpen()) return makeError(kErrBadFileNumber);
    LARGE_INTEGER zero, pos;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(asHandle(handle_), zero, &pos, FILE_CURRENT)) return lastError();
    out = pos.QuadPart;
    return {};
}

FileError SharedFile::seek(int64_t pos) {
    if (!isOpen()) return makeError(kErrBadFileNumber);
    LARGE_INTEGER to;
    to.QuadPart = pos;
    if (!SetFilePointerEx(asHandle(handle_), to, nullptr, FILE_BEGIN)) return lastError();
    return {};
}

FileError SharedFile::read(void* buf, size_t n, size_t& got) {
    got = 0;
    if (!isOpen()) return makeError(kErrBadFileNumber);
    char* p = static_cast<char*>(buf);
    while (got < n) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(n - got, 1u << 30));
        DWORD done = 0;
        if (!ReadFile(asHandle(handle_), p + got, chunk, &done, nullptr)) return lastError();
        if (done == 0) break;   // end of file
        got += done;
    }
    return {};
}

FileError SharedFile::write(const void* buf, size_t n) {
    if (!isOpen()) return makeError(kErrBadFileNumber);
    if (mode_ == ShareMode::ReadDenyWrite) return makeError(kErrBadFileMode);
    if (!writeAllHandle(asHandle(handle_), static_cast<const char*>(buf), n)) return lastError();
    return {};
}

FileError SharedFile::replaceContent(const std::string& bytes) {
    if (!isOpen()) return makeError(kErrBadFileNumber);
    if (mode_ == ShareMode::ReadDenyWrite) return makeError(kErrBadFileMode);

    const std::wstring target = fullPath(win::widen(path_));
    HANDLE held = asHandle(handle_);
    // An undo copy that our own failed replace could not take back first: the file must hold the old
    // content again before anything else is read or replaced.
    if (FileError e = putBackUnfinishedReplace()) return e;

    const std::wstring folder = folderOf(target);
    if (!oneStepRefusedIn(folder)) {
        // The new content goes into a file of its own in the same folder. It is opened with our sharing
        // mode from the start, so once it carries the name nobody else can open it before close().
        std::wstring tmp;
        HANDLE t = INVALID_HANDLE_VALUE;
        for (int attempt = 0; attempt < 5 && t == INVALID_HANDLE_VALUE; ++attempt) {
            tmp = target + uniqueSuffix();
            t = CreateFileW(tmp.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (t == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
        }
        if (t == INVALID_HANDLE_VALUE) return lastError();
        auto discard = [&] {
            DWORD err = GetLastError();
            CloseHandle(t);
            DeleteFileW(tmp.c_str());
            SetLastError(err);
        };
        if (!writeAllHandle(t, bytes.data(), bytes.size()) || !FlushFileBuffers(t)) {
            discard();
            return lastError();
        }
        // The complete file takes the old one's name in one step while our open of the old file still
        // holds it, so no other computer gets in between.
        if (renameOverOpenFile(t, target)) {
            CloseHandle(held);
            handle_ = reinterpret_cast<intptr_t>(t);
            removeStaleReplaceFiles(path_);
            return {};
        }
        discard();
        rememberRefusal(folder, GetLastError());
    }

    // Without that rename the old file could only be replaced after letting go of it, and another
    // member could then open it between our read and our write: so it is rewritten through our open.
    FileError e = rewriteInPlace(bytes);
    removeStaleReplaceFiles(path_);
    return e;
}

FileError SharedFile::setLength(int64_t n) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(n);
    if (!SetFilePointerEx(asHandle(handle_), to, nullptr, FILE_BEGIN) || !SetEndOfFile(asHandle(handle_)))
        return lastError();
    return {};
}

FileError SharedFile::flush() {
    if (!FlushFileBuffers(asHandle(handle_))) return lastError();
    return {};
}

FileError SharedFile::reserveRoom(int64_t n) {
    // Only a full disk counts; a file system that cannot reserve just goes on.
    FILE_ALLOCATION_INFO room;
    room.AllocationSize.QuadPart = static_cast<LONGLONG>(n);
    if (!SetFileInformationByHandle(asHandle(handle_), FileAllocationInfo, &room, sizeof room)) {
        DWORD err = GetLastError();
        if (err == ERROR_DISK_FULL || err == ERROR_HANDLE_DISK_FULL || err == kErrorDiskQuotaExceeded)
            return classify(err);
    }
    return {};
}

std::string temporaryNameBeside(const std::string& path) { return path + win::narrow(uniqueSuffix()); }

bool replacesInOneStep(const std::string& folder) {
    const std::wstring full = fullPath(win::widen(folder));
    return !oneStepRefusedIn(full);
}

FileError readFileUnlocked(const std::string& path, std::string& bytes, size_t limit) {
    bytes.clear();
    std::wstring wpath = win::widen(path);
    if (wpath.empty()) return makeError(kErrFileNotFound);
    HANDLE h = CreateFileW(wpath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return lastError();
    char buf[65536];
    while (bytes.size() <= limit) {
        DWORD done = 0;
        // One byte past the limit at most (written so that no limit, SIZE_MAX, cannot wrap around).
        const size_t room = limit - bytes.size();
        const DWORD want = static_cast<DWORD>(room >= sizeof buf ? sizeof buf : room + 1);
        if (!ReadFile(h, buf, want, &done, nullptr)) {
            FileError e = lastError();
            CloseHandle(h);
            return e;
        }
        if (done == 0) break;
        bytes.append(buf, done);
    }
    CloseHandle(h);
    return {};
}

FileError writeNewFile(const std::string& path, const std::string& bytes) {
    std::wstring wpath = win::widen(path);
    HANDLE t = CreateFileW(wpath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (t == INVALID_HANDLE_VALUE) return lastError();
    bool written = writeAllHandle(t, bytes.data(), bytes.size()) && FlushFileBuffers(t);
    DWORD err = GetLastError();
    CloseHandle(t);
    if (!written) return classify(err);
    return {};
}

FileError renameFile(const std::string& from, const std::string& to) {
    if (!MoveFileExW(win::widen(from).c_str(), win::widen(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return lastError();
    return {};
}

void SharedFile::close() {
    if (handle_ != kInvalid) {
        CloseHandle(asHandle(handle_));
        handle_ = kInvalid;
    }
}

FileError removeFile(const std::string& path) {
    std::wstring wpath = win::widen(path);
    if (wpath.empty()) return makeError(kErrFileNotFound);
    if (!DeleteFileW(wpath.c_str())) return lastError();
    return {};
}

bool fileExists(const std::string& path) {
    std::wstring wpath = win::widen(path);
    if (wpath.empty()) return false;
    DWORD a = GetFileAttributesW(wpath.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool directoryExists(const std::string& path) {
    std::wstring wpath = win::widen(path);
    if (wpath.empty()) return false;
    DWORD a = GetFileAttributesW(wpath.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> listDirectory(const std::string& dir, const std::string& pattern) {
    std::vector<std::string> out;
    std::wstring query = win::widen(joinPath(dir, "*"));
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW(query.c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return out;
    do {
        if (fd.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) continue;
        std::string name = win::narrow(fd.cFileName, wcslen(fd.cFileName));
        if (matchesPattern(name, pattern)) out.push_back(name);
    } while (FindNextFileW(f, &fd));
    FindClose(f);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace tw
