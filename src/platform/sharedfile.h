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
};

struct FileError {
    int number = kErrNone;      // 53, 70, 76, 62, or the system's own number for anything else
    std::string description;    // UTF-8, shown to the user after the message of the caller
    bool ok() const { return number == kErrNone; }
    explicit operator bool() const { return !ok(); }   // true when there IS an error
};

FileError makeError(int number);          // 52/53/54/70/76/62 with their Japanese descriptions
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
    // with a replace of the file is taken again on the new file.
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

    // Replaces the whole content in one step: the bytes go completely into a temporary file in the
    // same folder, which then takes the place of the old file while this open still holds its lock.
    // Readers never see a half-written file, and a failure or a kill at any moment leaves either the
    // old or the new content. The open stays valid until close(): it then refers to the new file, with
    // the same sharing lock, positioned at its end. Only for an open made for writing.
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
