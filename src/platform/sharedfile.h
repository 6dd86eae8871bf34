// Binary files in the shared folder, opened with a sharing mode that is also the only lock between
// computers: a reader denies other writers, a writer denies everybody.
#pragma once

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
    // Where the system allows it (POSIX, Windows 10 on NTFS) the bytes go completely into a temporary
    // file beside the old one, which then takes the old one's place in one rename. Where Windows
    // refuses that rename (older systems, many network shares, Wine) the content is rewritten in
    // place through this open: first a complete copy of the old content goes beside it as
    // "<name>.~undo", then the new bytes, then the copy goes. Nobody can open the file meanwhile; a
    // writer killed midway leaves the copy, and the next open of the file puts the old content back
    // before anybody reads it. A failure puts the old content back at once. Either way an open sees
    // the old or the new content, never a mix.
    FileError replaceContent(const std::string& bytes);

    void close();

private:
    static constexpr intptr_t kInvalid = -1;
    intptr_t handle_ = kInvalid;
    std::string path_;
    ShareMode mode_ = ShareMode::ReadDenyWrite;
};

FileError removeFile(const std::string& path);    // a missing file gives kErrFileNotFound
bool fileExists(const std::string& path);
bool directoryExists(const std::string& path);
// Names (not paths) of the plain files in `dir` whose name matches `pattern` ('*' and '?', no case).
std::vector<std::string> listDirectory(const std::string& dir, const std::string& pattern = "*");
// Removes what replaces of `path` left behind when their process died mid-write: temporary files
// "<name>.~<host>-<pid>-<n>.tmp" beside it that nobody has touched for an hour.
void removeStaleReplaceFiles(const std::string& path);
bool matchesPattern(const std::string& name, const std::string& pattern);

// Joins a folder and a file name with this system's separator.
std::string joinPath(const std::string& dir, const std::string& name);
char pathSeparator();

}  // namespace tw
