// Sharing modes on POSIX with open-file-description locks: deny-write is a read lock, exclusive is a
// write lock. Two opens in one process conflict as they do between processes, as on Windows. Every
// open also holds the lock folder of the file (posix/lockfolder.h), the lock that reaches other
// computers whatever the network client does with the system's locks.
#include "platform/sharedfile.h"

#include "platform/clock.h"
#include "platform/posix/lockfolder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <random>
#include <sys/stat.h>
#ifdef __linux__
#include <linux/magic.h>
#include <sys/statfs.h>
#endif
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
    case EPERM: return makeError(kErrAccessDenied);
    case EAGAIN:
    case EBUSY:
    case ETXTBSY: return busyError();
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



// How a replace goes in one folder: by a rename over the held file, or in place through it. The
// rename is used where the file system is known to do it faithfully and to give a replaced file a
// new inode number (local disks and NFS, whose file ids are the server's); elsewhere (SMB clients,
// which the server refuses to replace an open file for; FUSE clients, whose inode numbers come from
// the path; anything unknown) and wherever a rename was refused once, in place.
// TACKWISP_REPLACE_IN_PLACE=1 makes every folder replace in place, for tests and diagnosis.
std::mutex replaceWayMutex;
std::map<std::string, bool> renameTrusted;   // by folder

bool fileSystemRenamesFaithfully(const std::string& folder) {
#ifdef __linux__
    struct statfs fs;
    if (statfs(folder.c_str(), &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case EXT4_SUPER_MAGIC:   // also ext2 and ext3
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case RAMFS_MAGIC:
    case F2FS_SUPER_MAGIC:
    case REISERFS_SUPER_MAGIC:
    case OVERLAYFS_SUPER_MAGIC:
    case NFS_SUPER_MAGIC:
    case 0x2FC12FC1UL:   // ZFS
    case 0x3153464AUL:   // JFS
    case 0xCA451A4EUL:   // bcachefs
        return true;
    default:
        return false;
    }
#else
    (void)folder;
    return true;   // a refused rename still moves the folder to the in-place replace
#endif
}

bool renameTrustedIn(const std::string& folder) {
    const char* forced = std::getenv("TACKWISP_REPLACE_IN_PLACE");
    if (forced && std::string(forced) == "1") return false;
    std::lock_guard<std::mutex> lock(replaceWayMutex);
    auto it = renameTrusted.find(folder);
    if (it == renameTrusted.end()) it = renameTrusted.emplace(folder, fileSystemRenamesFaithfully(folder)).first;
    return it->second;
}

void rememberRefusedRename(const std::string& folder) {
    std::lock_guard<std::mutex> lock(replaceWayMutex);
    renameTrusted[folder] = false;
}

// The answers of a file system or server that will not rename over a file that is open, or not
// this way at all; the in-place replace then does the work.
bool renameRefused(int err) {
    switch (err) {
    case EBUSY:
    case ETXTBSY:
    case EEXIST:
    case ENOTEMPTY:
    case EACCES:
    case EPERM:
    case EXDEV:
    case EINVAL:
    case ENOSYS:
    case EOPNOTSUPP:
#if ENOTSUP != EOPNOTSUPP
    case ENOTSUP:
#endif
        return true;
    default: return false;
    }
}

// Repeats a step that a network client refuses for a moment after a file was closed.
template <class Step>
bool retryBriefly(Step step) {
    for (int attempt = 0;; ++attempt) {
        if (step()) return true;
        if ((errno != EBUSY && errno != ETXTBSY) || attempt >= 20) return false;
        sleepMilliseconds(10);
    }
}

// An open of `path` with its system lock, on the file that is at `path` now; busy without waiting.
FileError openLockedFd(const std::string& path, ShareMode mode, int& out) {
    out = -1;
    // A few rounds in case the file is replaced between our open and our lock.
    for (int attempt = 0; attempt < 50; ++attempt) {
        int flags = O_CREAT | O_CLOEXEC | (mode == ShareMode::ReadDenyWrite ? O_RDONLY : O_RDWR);
        int fd = ::open(path.c_str(), flags, 0666);
        if (fd < 0) {
            if (errno == EINTR || errno == ESTALE) continue;
            return errnoError(path);
        }
        if (!lockFd(fd, mode)) {
            int err = errno;
            ::close(fd);
            if (err == EAGAIN || err == EACCES) return busyError();
            errno = err;
            return errnoError(path);
        }
        struct stat a, b;
        if (fstat(fd, &a) != 0) {
            int err = errno;
            ::close(fd);
            if (err == ESTALE) continue;
            errno = err;
            return errnoError(path);
        }
        if (::stat(path.c_str(), &b) != 0 || a.st_ino != b.st_ino || a.st_dev != b.st_dev) {
            // We locked a file that has been replaced (or removed) meanwhile: take the current one.
            ::close(fd);
            continue;
        }
        out = fd;
        return {};
    }
    return busyError();
}

// The one-step replace: the new content in a file of its own in the same folder, locked like our
// open before it gets the name, so that from the rename on an open of the path meets our lock on
// the new file (and one that still got the old file finds it replaced and tries again). `refused`
// tells a rename that this file system or server will not do; the temporary file is gone then.
FileError replaceByRename(int held, const std::string& path, ShareMode mode, const std::string& bytes, int& newFd,
                          bool& refused) {
    refused = false;
    newFd = -1;
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 5 && fd < 0; ++attempt) {
        tmp = temporaryNameBeside(path);
        fd = ::open(tmp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return errnoError(tmp);
    auto fail = [&](const std::string& which, bool wasRefused) {
        FileError e = errnoError(which);
        ::close(fd);
        removeFileSoon(tmp);
        refused = wasRefused;
        return e;
    };
    if (!lockFd(fd, mode)) return fail(tmp, false);
    struct stat st;
    if (fstat(held, &st) == 0) fchmod(fd, st.st_mode & 07777);
    if (!writeAllFd(fd, bytes.data(), bytes.size()) || fsync(fd) != 0) return fail(tmp, false);
    if (::rename(tmp.c_str(), path.c_str()) != 0) return fail(path, renameRefused(errno));
    // Make the rename itself durable where the file system allows it.
    int dfd = ::open(parentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        ::close(dfd);
    }
    newFd = fd;
    return {};
}

}  // namespace

FileError lastSystemError() { return classify(errno, "."); }

FileError lockfolder::systemErrorFor(int err, const std::string& path) { return classify(err, path); }

char pathSeparator() { return '/'; }

std::string temporaryNameBeside(const std::string& path) { return path + uniqueSuffix(); }

bool replacesInOneStep(const std::string& folder) { return renameTrustedIn(folder); }

SharedFile::~SharedFile() { close(); }

FileError SharedFile::open(const std::string& path, ShareMode mode) {
    close();
    const bool reader = mode == ShareMode::ReadDenyWrite;
    path_ = path;
    mode_ = mode;
    bool clearedDeadWriter = false;
    // On a local disk the system's lock comes first: a program of this computer that holds the file is
    // seen cheaply, and a replaced file is told by its inode number. Elsewhere the lock folder comes
    // first: once it is ours nobody replaces the file, so the open that follows is of the file that
    // is there, whatever inode numbers the file system makes up.
    bool folderTaken = false;
    bool cannotLock = false;
    if (!renameTrustedIn(parentOf(path))) {
        if (FileError e = lockfolder::take(path, reader, lockOwner_, cannotLock, clearedDeadWriter)) {
            close();
            return e;
        }
        folderTaken = true;
    }
    for (int round = 0; round < 3; ++round) {
        int fd = -1;
        if (FileError e = openLockedFd(path, mode, fd)) {
            close();
            return e;
        }
        handle_ = fd;
        if (!folderTaken) {
            if (FileError e = lockfolder::take(path, reader, lockOwner_, cannotLock, clearedDeadWriter)) {
                close();
                return e;
            }
            folderTaken = true;
        }
        if (!fileExists(undoCopyPath(path))) break;
        // The undo copy of a writer that died in the middle of an in-place replace: the old content
        // goes back before anybody reads the file. A reader cannot write: it lets go of its open and
        // puts it back through a writer's open of its own (the lock folder keeps other computers
        // out meanwhile; a program of this computer that holds the file makes it busy).
        if (!reader) {
            FileError e = putBackUnfinishedReplace();
            if (!e) e = seek(0);
            if (e) close();
            if (!e) removeStaleReplaceFiles(path, true);
            return e;
        }
        ::close(fd);
        handle_ = kInvalid;
        SharedFile writer;
        if (FileError e = openLockedFd(path, ShareMode::ReadWriteExclusive, fd)) {
            close();
            return e;
        }
        writer.handle_ = fd;
        writer.path_ = path;
        writer.mode_ = ShareMode::ReadWriteExclusive;
        FileError e = writer.putBackUnfinishedReplace();
        writer.close();
        if (e) {
            close();
            return e;
        }
    }
    if (!isOpen()) {
        close();
        return busyError();
    }
    // A writer of this file died. Holding the file, for reading or writing, nobody can be in the
    // middle of a replace of it, so whatever temporary files of it are there were left by it.
    if (clearedDeadWriter) removeStaleReplaceFiles(path, true);
    return {};
}

FileError SharedFile::length(int64_t& out) {
    if (!isOpen()) return makeError(kErrBadFileNumber);
#ifdef __linux__
    // From the file server, not from what this computer remembers of the file: a FUSE client keeps
    // the size it saw for a moment, and a content rewritten in place by another computer is then
    // read cut short.
    struct statx sx;
    if (statx(static_cast<int>(handle_), "", AT_EMPTY_PATH | AT_STATX_FORCE_SYNC, STATX_SIZE, &sx) == 0) {
        out = static_cast<int64_t>(sx.stx_size);
        return {};
    }
#endif
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
    const off_t start = lseek(static_cast<int>(handle_), 0, SEEK_CUR);
    bool reopened = false;
    while (got < n) {
        ssize_t r = ::read(static_cast<int>(handle_), p + got, n - got);
        if (r < 0) {
            if (errno == EINTR) continue;
            if (errno == ESTALE && !reopened && start >= 0) {
                // NFS: another client replaced the file under our open. We hold the lock, so the
                // replace is complete: read the file that is there now from the same place.
                int fd = -1;
                if (FileError e = openLockedFd(path_, mode_, fd)) return e;
                ::close(static_cast<int>(handle_));
                handle_ = fd;
                reopened = true;
                if (lseek(fd, start + static_cast<off_t>(got), SEEK_SET) < 0) return errnoError(path_);
                continue;
            }
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

FileError SharedFile::setLength(int64_t n) {
    if (ftruncate(static_cast<int>(handle_), static_cast<off_t>(n)) != 0) return errnoError(path_);
    return {};
}

FileError SharedFile::flush() {
    if (fsync(static_cast<int>(handle_)) != 0 && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return errnoError(path_);
    return {};
}

FileError SharedFile::reserveRoom(int64_t n) {
#ifdef __linux__
    // Only a full disk counts; a file system that cannot reserve (network clients) just goes on.
    if (fallocate(static_cast<int>(handle_), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(n)) != 0 &&
        (errno == ENOSPC || errno == EDQUOT))
        return errnoError(path_);
#else
    (void)n;
#endif
    return {};
}

FileError SharedFile::replaceContent(const std::string& bytes) {
    if (!isOpen()) return makeError(kErrBadFileNumber);
    if (mode_ == ShareMode::ReadDenyWrite) return makeError(kErrBadFileMode);
    if (FileError e = lockfolder::checkHeld(lockOwner_, path_)) return e;
    // An undo copy that our own failed replace could not take back first: the file must hold the old
    // content again before anything else is read or replaced.
    if (FileError e = putBackUnfinishedReplace()) return e;
    const std::string folder = parentOf(path_);
    if (renameTrustedIn(folder)) {
        int fd = -1;
        bool refused = false;
        FileError e = replaceByRename(static_cast<int>(handle_), path_, mode_, bytes, fd, refused);
        if (!e) {
            // The old file is gone from the folder; our open now is the new one.
            ::close(static_cast<int>(handle_));
            handle_ = fd;
            removeStaleReplaceFiles(path_);
            return {};
        }
        if (!refused) return e;
        rememberRefusedRename(folder);
    }
    FileError e = rewriteInPlace(bytes);
    if (!e) removeStaleReplaceFiles(path_);
    return e;
}

void SharedFile::close() {
    if (handle_ != kInvalid) {
        ::close(static_cast<int>(handle_));
        handle_ = kInvalid;
    }
    lockfolder::release(lockOwner_);
    lockOwner_.clear();
}

FileError readFileUnlocked(const std::string& path, std::string& bytes, size_t limit) {
    bytes.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errnoError(path);
    char buf[65536];
    while (bytes.size() <= limit) {
        // One byte past the limit at most (written so that no limit, SIZE_MAX, cannot wrap around).
        const size_t room = limit - bytes.size();
        ssize_t r = ::read(fd, buf, room >= sizeof buf ? sizeof buf : room + 1);
        if (r < 0) {
            if (errno == EINTR) continue;
            FileError e = errnoError(path);
            ::close(fd);
            return e;
        }
        if (r == 0) break;
        bytes.append(buf, static_cast<size_t>(r));
    }
    ::close(fd);
    return {};
}

FileError writeNewFile(const std::string& path, const std::string& bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errnoError(path);
    bool ok = writeAllFd(fd, bytes.data(), bytes.size()) &&
              (fsync(fd) == 0 || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP);
    int err = errno;
    ::close(fd);
    if (!ok) {
        errno = err;
        return errnoError(path);
    }
    return {};
}

FileError renameFile(const std::string& from, const std::string& to) {
    if (!retryBriefly([&] { return ::rename(from.c_str(), to.c_str()) == 0; })) return errnoError(to);
    return {};
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
        if (matchesPattern(name, pattern) && fileExists(joinPath(dir, name))) out.push_back(name);
    }
    closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace tw
