// Binary files in the shared folder, opened with a sharing mode that is also the only lock between
// computers: a reader denies other writers, a writer denies everybody.
//
// On Windows the file server enforces the sharing modes against every client. On POSIX systems the
// locks of the system (open-file-description locks) stay inside one computer wherever the network
// client does not carry them to the server (FUSE clients of SMB, `nobrl` or `nolock` mounts), so
// every open there also holds a lock folder "<name>.~lock" beside the file, which the file server
// creates atomically for exactly one computer (see the implementation for how a folder left by a
// dead program is taken over). Both locks are held on every folder, local or not: a member on the
// server's own disk and one reaching it through a share then exclude each other too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tw {

// Error numbers the program uses throughout (they also appear in messages).
enum : int {
    kErrNone = 0,
    kErrBadFileNumber = 52,  // the file is not open (a program fault, never a busy file)
    kErrFileNotFound = 53,
    kErrBadFileMode = 54,    // a write or a replace through an open made for reading
    kErrAccessDenied = 70,   // a conflicting open by someone else, or no permission
    kErrPathNotFound = 76,
    kErrPastEnd = 62,        // a record runs past the end of the file (truncated or corrupted)
    kErrOutOfMemory = 7,     // the content does not fit into memory
    // The common failures of the system itself carry the numbers Windows gives them, on every system,
    // so that a member sees the same number and the same words whichever computer failed.
    kErrTooManyOpenFiles = 4,
    kErrNotSameDevice = 17,
    kErrWriteProtect = 19,       // read-only medium or file system
    kErrNotReady = 21,           // no medium, or the device is gone
    kErrNetworkError = 59,       // the connection to the server broke
    kErrNetworkNameGone = 64,    // the share or the open file on it went away
    kErrFileExists = 80,
    kErrDiskFull = 112,          // also an exceeded disk quota
    kErrInvalidName = 123,
    kErrNameTooLong = 206,
    kErrDeviceIo = 1117,
    kErrCannotResolveName = 1921,   // a loop of links
    kErrLockLost = 33,           // the lock of an open was taken over by another computer meanwhile
};

struct FileError {
    int number = kErrNone;      // one of the numbers above, or the system's own number for anything else
    std::string description;    // UTF-8, shown to the user after the message of the caller
    bool ok() const { return number == kErrNone; }
    explicit operator bool() const { return !ok(); }   // true when there IS an error
};

// Any number above with its Japanese description (the words of Windows for the system's errors).
FileError makeError(int number);
FileError lastSystemError();              // errno / GetLastError(), classified
// The file held by another member's open: kErrAccessDenied, which callers wait out.
FileError busyError();

enum class ShareMode {
    ReadDenyWrite,        // read; others may read, nobody may write
    WriteExclusive,       // write; nobody else may open
    ReadWriteExclusive,   // read and write; nobody else may open
};

class SharedFile {
public:
    SharedFile() = default;
    ~SharedFile();
    SharedFile(const SharedFile&) = delete;
    SharedFile& operator=(const SharedFile&) = delete;

    // Opens (creating a missing file empty) and takes the sharing lock without waiting. A conflict
    // with another open (in this or another process) gives kErrAccessDenied; the caller decides
    // whether to retry. The open always refers to the file currently at `path`: an open that raced
    // with a replace of the file is taken again on the new file. On Windows, an open that finds the
    // "<name>.~undo" copy of a writer killed in the middle of a replace (see replaceContent) puts the
    // old content back before it returns; a reader's open reports the file busy while it cannot.
    FileError open(const std::string& path, ShareMode mode);
    bool isOpen() const { return handle_ != kInvalid; }

    FileError length(int64_t& out);
    FileError position(int64_t& out);
    FileError seek(int64_t pos);
    // Reads up to n bytes; `got` tells how many were read (less at the end of the file).
    FileError read(void* buf, size_t n, size_t& got);
    FileError write(const void* buf, size_t n);
    // The whole content from the start.
    FileError readAll(std::string& bytes);

    // Replaces the whole content without ever letting go of this open's lock, so that nobody gets at
    // the file between the caller's read and this write. Whatever it returns, the open stays valid
    // until close(), with its lock; a busy result (kErrAccessDenied) means nothing was changed while
    // the lock was held throughout, so repeating the call with the same bytes is sound. On success
    // the open holds the new content, positioned at its end. Only for an open made for writing.
    //
    // Where the system allows it (local disks, NFS, Windows 10 on NTFS) the bytes go completely into a
    // temporary file beside the old one, which then takes the old one's place in one rename. Where
    // that rename is refused (an SMB server will not replace a file that is open, nor will older
    // Windows or Wine), or on a file system whose rename cannot be trusted with it (SMB and other
    // network clients, FUSE, which also cannot tell a replaced file by its inode number), the content
    // is rewritten in place through this open: first a complete copy of the old content goes beside
    // it as "<name>.~undo", then the new bytes, then the copy goes. Nobody can open the file
    // meanwhile; a writer killed midway leaves the copy, and the next open of the file puts the old
    // content back before anybody reads it. A failure puts the old content back at once. Either way
    // an open sees the old or the new content, never a mix, and no path removes the file before its
    // new content is in place. Temporary files of a failed replace are removed before it returns.
    FileError replaceContent(const std::string& bytes);

    void close();

private:
    // The in-place replace and its undo copy, the same on every system (common.cpp), on top of the
    // system's own pieces below.
    FileError rewriteInPlace(const std::string& bytes);
    FileError putBackUnfinishedReplace();
    FileError overwriteWhole(const char* bytes, size_t n);   // content, length and flush to the disk
    FileError setLength(int64_t n);
    FileError flush();
    FileError reserveRoom(int64_t n);   // a full disk reported before a longer content is written

    static constexpr intptr_t kInvalid = -1;
    intptr_t handle_ = kInvalid;
    std::string path_;
    ShareMode mode_ = ShareMode::ReadDenyWrite;
    std::string lockOwner_;   // POSIX: the owner entry of the lock folder this open holds, if any
};

// The pieces of a replace, on every system.
// The undo copy of an in-place replace of `path` (see replaceContent).
std::string undoCopyPath(const std::string& path);
// The whole content of a file that only its writer changes (an undo copy, the shape files beside the
// program), without any lock; a missing file gives kErrFileNotFound. Reading stops after `limit` + 1
// bytes, so a caller with a ceiling sees a file beyond it without reading all of it.
FileError readFileUnlocked(const std::string& path, std::string& bytes, size_t limit = SIZE_MAX);
// Writes a new file that must not exist yet, with `bytes` flushed to the disk before it is closed.
FileError writeNewFile(const std::string& path, const std::string& bytes);
// Gives `from` the name `to` in one step, replacing a file of that name that nobody holds open.
FileError renameFile(const std::string& from, const std::string& to);
// Whether files in `folder` are replaced in one step (a rename), so that even a program that reads
// without any lock finds the old or the new content; false where they are rewritten in place.
bool replacesInOneStep(const std::string& folder);
// A name beside `path` that nobody else makes: "<name>.~<host>-<pid>-<n>.tmp".
std::string temporaryNameBeside(const std::string& path);

FileError removeFile(const std::string& path);    // a missing file gives kErrFileNotFound
bool fileExists(const std::string& path);
bool directoryExists(const std::string& path);
// Names (not paths) of the plain files in `dir` whose name matches `pattern` ('*' and '?', no case).
std::vector<std::string> listDirectory(const std::string& dir, const std::string& pattern = "*");
// Removes what replaces of `path` left behind when their process died mid-write: temporary files
// "<name>.~<host>-<pid>-<n>.tmp" beside it that nobody has touched for an hour. With
// `heldForWriting` the caller holds `path` open for writing, so no replace of it can be under way
// anywhere and every such file goes, whatever its age.
void removeStaleReplaceFiles(const std::string& path, bool heldForWriting = false);
// Removes a file that a network client may refuse to remove for a moment after it was closed: a few
// tries over a fraction of a second.
FileError removeFileSoon(const std::string& path);
bool matchesPattern(const std::string& name, const std::string& pattern);

// Joins a folder and a file name with this system's separator.
std::string joinPath(const std::string& dir, const std::string& name);
char pathSeparator();

}  // namespace tw
