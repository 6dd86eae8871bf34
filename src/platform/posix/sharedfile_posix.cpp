// Sharing modes on POSIX with open-file-description locks: deny-write is a read lock, exclusive is a
// write lock. Two opens in one process conflict as they do between processes, as on Windows.
#include "platform/sharedfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace tw {

namespace {

std::string parentOf(const std::string& path) {
    auto pos = path.find_last_of('/');
    if (pos == std::string::npos) return ".";
    if (pos == 0) return "/";
    return path.substr(0, pos);
}

FileError classify(int err, const std::string& path) {
    switch (err) {
    case ENOENT:
        // With the folder present the file itself is missing; otherwise the path is.
        return makeError(directoryExists(parentOf(path)) ? kErrFileNotFound : kErrPathNotFound);
    case ENOTDIR: return makeError(kErrPathNotFound);
    // A folder where the file should be: Windows refuses such an open as access denied.
    case EISDIR:
    case EACCES:
    case EPERM:
    case EAGAIN:
    case EBUSY:
    case ETXTBSY: return makeError(kErrAccessDenied);
    case ENOMEM: return makeError(kErrOutOfMemory);
    case EROFS: return makeError(kErrWriteProtect);
    case ENOSPC:
    case EDQUOT: return makeError(kErrDiskFull);
    case EIO: return makeError(kErrDeviceIo);
    case EMFILE:
    case ENFILE: return makeError(kErrTooManyOpenFiles);
    case ENAMETOOLONG: return makeError(kErrNameTooLong);
    case EEXIST: return makeError(kErrFileExists);
    case EXDEV: return makeError(kErrNotSameDevice);
    case ELOOP: return makeError(kErrCannotResolveName);
    case ENODEV:
    case ENXIO:
    case ENOMEDIUM: return makeError(kErrNotReady);
    case ESTALE: return makeError(kErrNetworkNameGone);
    case ENETDOWN:
    case ENETUNREACH:
    case ENETRESET:
    case ECONNABORTED:
    case ECONNRESET:
    case ENOTCONN:
    case ETIMEDOUT:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case EREMOTEIO: return makeError(kErrNetworkError);
    default: {
        // Rare ones keep the system's own number and words.
        FileError e;
        e.number = err;
        e.description = std::strerror(err);
        return e;
    }
    }
}

FileError errnoError(const std::string& path) { return classify(errno, path); }

short lockTypeFor(ShareMode mode) { return mode == ShareMode::ReadDenyWrite ? F_RDLCK : F_WRLCK; }

// Takes the sharing lock of `mode` on the open file description `fd` without waiting.
bool lockFd(int fd, ShareMode mode) {
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = lockTypeFor(mode);
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0;
    for (;;) {
        if (fcntl(fd, F_OFD_SETLK, &fl) == 0) return true;
        if (errno != EINTR) return false;
    }
}

std::string uniqueSuffix() {
    static std::mt19937_64 gen{std::random_device{}() ^ (static_cast<uint64_t>(getpid()) << 32)};
    char host[64] = {0};
    gethostname(host, sizeof host - 1);
    for (char& c : host)
        if (c == '/' || c == '\\') c = '_';
    return std::string(".~") + host + "-" + std::to_string(getpid()) + "-" + std::to_string(gen() % 1000000007ULL) +
           ".tmp";
}

bool writeAllFd(int fd, const char* p, size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

}  // namespace

FileError lastSystemError() { return classify(errno, "."); }

char pathSeparator() { return '/'; }

SharedFile::~SharedFile() { close(); }

FileError SharedFile::open(const std::string& path, ShareMode mode) {
    close();
    // A few rounds in case the file is replaced between our open and our lock.
    for (int attempt = 0; attempt < 50; ++attempt) {
        int flags = O_CREAT | O_CLOEXEC | (mode == ShareMode::ReadDenyWrite ? O_RDONLY : O_RDWR);
        int fd = ::open(path.c_str(), flags, 0666);
        if (fd < 0) {
            if (errno == EINTR) continue;
            return errnoError(path);
        }
        if (!lockFd(fd, mode)) {
            int err = errno;
            ::close(fd);
            if (err == EAGAIN || err == EACCES) return makeError(kErrAccessDenied);
            errno = err;
            return errnoError(path);
        }
        struct stat a, b;
        if (fstat(fd, &a) != 0) {
            FileError e = errnoError(path);
            ::close(fd);
            return e;
        }
        if (::stat(path.c_str(), &b) != 0 || a.st_ino != b.st_ino || a.st_dev != b.st_dev) {
            // We locked a file that has been replaced (or removed) meanwhile: take the current one.
            ::close(fd);
            continue;
        }
        handle_ = fd;
        path_ = path;
        mode_ = mode;
        return {};
    }
    return makeError(kErrAccessDenied);
}

FileError SharedFile::length(int64_t& out) {
    if (!isOpen()) return makeError(kErrBadFileNumber);
    struct stat st;
    if (fstat(static_cast<int>(handle_), &st) != 0) return errnoError(path_);
    out = st.st_size;
    return {};
}

FileError SharedFile::position(int64_t& out) {
    if (!isOpen()) return makeError(kErrBadFileNumber);
    off_t p = lseek(static_cast<int>(handle_), 0, SEEK_CUR);
    if (p < 0) return errnoError(path_);
    out = p;
    return {};
}

FileError SharedFile::seek(int64_t pos) {
    if (!isOpen()) return makeError(kErrBadFileNumber);
    if (lseek(static_cast<int>(handle_), pos, SEEK_SET) < 0) return errnoError(path_);
    return {};
}

FileError SharedFile::read(void* buf, size_t n, size_t& got) {
    got = 0;
    if (!isOpen()) return makeError(kErrBadFileNumber);
    char* p = static_cast<char*>(buf);
    while (got < n) {
        ssize_t r = ::read(static_cast<int>(handle_), p + got, n - got);
        if (r < 0) {
            if (errno == EINTR) continue;
            return errnoError(path_);
        }
        if (r == 0) break;
        got += static_cast<size_t>(r);
    }
    return {};
}

FileError SharedFile::write(const void* buf, size_t n) {
    if (!isOpen()) return makeError(kErrBadFileNumber);
    if (mode_ == ShareMode::ReadDenyWrite) return makeError(kErrBadFileMode);
    if (!writeAllFd(static_cast<int>(handle_), static_cast<const char*>(buf), n)) return errnoError(path_);
    return {};
}

FileError SharedFile::replaceContent(const std::string& bytes) {
    if (!isOpen()) return makeError(kErrBadFileNumber);
    if (mode_ == ShareMode::ReadDenyWrite) return makeError(kErrBadFileMode);
    // The new content goes into a file of its own in the same folder, locked like our open before
    // it gets the name: from the rename on, an open of the path meets our lock on the new file
    // (and one that still got the old file finds it replaced and tries again).
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 5 && fd < 0; ++attempt) {
        tmp = path_ + uniqueSuffix();
        fd = ::open(tmp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return errnoError(tmp);
    auto fail = [&](const std::string& which) {
        FileError e = errnoError(which);
        ::close(fd);
        ::unlink(tmp.c_str());
        return e;
    };
    if (!lockFd(fd, mode_)) return fail(tmp);
    struct stat st;
    if (fstat(static_cast<int>(handle_), &st) == 0) fchmod(fd, st.st_mode & 07777);
    if (!writeAllFd(fd, bytes.data(), bytes.size()) || fsync(fd) != 0) return fail(tmp);
    if (::rename(tmp.c_str(), path_.c_str()) != 0) return fail(path_);
    // Make the rename itself durable where the file system allows it.
    int dfd = ::open(parentOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        ::close(dfd);
    }
    // The old file is gone from the folder; our open now is the new one.
    ::close(static_cast<int>(handle_));
    handle_ = fd;
    removeStaleReplaceFiles(path_);
    return {};
}

void SharedFile::close() {
    if (handle_ != kInvalid) {
        ::close(static_cast<int>(handle_));
        handle_ = kInvalid;
    }
}

FileError removeFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0) return errnoError(path);
    return {};
}

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool directoryExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> listDirectory(const std::string& dir, const std::string& pattern) {
    std::vector<std::string> out;
    DIR* d = opendir(dir.c_str());
    if (!d) return out;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (!fileExists(joinPath(dir, name))) continue;
        if (matchesPattern(name, pattern)) out.push_back(name);
    }
    closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace tw
