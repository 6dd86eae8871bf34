#include "platform/posix/lockfolder.h"

#include "platform/clock.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <ctime>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <pthread.h>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tw::lockfolder {

namespace {

// Who we are, as an entry names it: the computer (its name and, where the system tells it, the
// identity of its current boot, so that two computers of one name are still told apart).
std::string thisComputer() {
    char host[256] = {0};
    gethostname(host, sizeof host - 1);
    std::string id;
    for (const char* c = host; *c; ++c) {
        const bool plain = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9') || *c == '-';
        id += plain ? *c : '_';
    }
    std::ifstream boot("/proc/sys/kernel/random/boot_id");
    std::string bootId;
    if (boot >> bootId) id += "_" + bootId.substr(0, 8);
    return id;
}

const std::string& computer() {
    static const std::string c = thisComputer();
    return c;
}

std::string nonce() {
    static std::mt19937_64 gen{std::random_device{}() ^ (static_cast<uint64_t>(getpid()) << 32)};
    return std::to_string(gen() % 1000000007ULL);
}

// An entry's name: kind ('r' or 'w'), computer, process and a number of its own.
struct EntryName {
    char kind = 0;
    std::string computer;
    long pid = 0;
};

bool parseEntry(const std::string& name, EntryName& out) {
    if (name.size() < 3 || (name[0] != 'r' && name[0] != 'w') || name[1] != '.') return false;
    const size_t hostEnd = name.find('.', 2);
    if (hostEnd == std::string::npos) return false;
    const size_t pidEnd = name.find('.', hostEnd + 1);
    if (pidEnd == std::string::npos) return false;
    out.kind = name[0];
    out.computer = name.substr(2, hostEnd - 2);
    char* end = nullptr;
    const std::string pid = name.substr(hostEnd + 1, pidEnd - hostEnd - 1);
    out.pid = std::strtol(pid.c_str(), &end, 10);
    return end != pid.c_str() && *end == '\0' && out.pid > 0;
}

// A process of this computer that is no longer running (a zombie has ended too).
bool processGone(long pid) {
    if (::kill(static_cast<pid_t>(pid), 0) != 0) return errno == ESRCH;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    const size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && (line[close + 2] == 'Z' || line[close + 2] == 'X');
}

struct HeldLock {
    std::string owner;
    int opens = 0;
};

// What a waiter saw of another member's lock folder, and since when (our own clock).
struct Sighting {
    std::string stamp;
    double since = 0;
};

// The lock folders of this process and the thread that keeps their owner entries fresh. One per
// process, as the locks of the system are; a forked child starts with none (it holds none of its
// parent's opens' locks, and has no keeper thread).
class Registry {
public:
    static Registry& get() {
        static Registry* r = [] {
            auto* made = new Registry();
            pthread_atfork([] { get().mutex_.lock(); }, [] { get().mutex_.unlock(); },
                           [] {
                               get().mutex_.unlock();
                               get().afterFork();
                           });
            return made;
        }();
        return *r;
    }

    std::mutex mutex_;
    std::map<std::string, HeldLock> held;     // by lock folder
    std::map<std::string, Sighting> sightings;   // other members' entries, by path
    std::map<std::string, double> glitches;      // lock folders, since when they answer oddly

    // With mutex_ held.
    void ensureKeeper() {
        if (keeper_ && keeperPid_ == getpid()) return;
        keeperPid_ = getpid();
        keeper_ = new std::thread([this] { keep(); });
        keeper_->detach();
    }

private:
    void afterFork() {
        // The child: the parent's thread is not here, and the parent's locks are not the child's.
        keeper_ = nullptr;
        held.clear();
        sightings.clear();
        glitches.clear();
    }

    void keep() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait_for(lock, std::chrono::milliseconds(static_cast<int>(kTouchSeconds * 1000)));
            std::vector<std::string> owners;
            for (const auto& [folder, h] : held) owners.push_back(h.owner);
            lock.unlock();
            for (const std::string& o : owners) utimensat(AT_FDCWD, o.c_str(), nullptr, 0);
            lock.lock();
        }
    }

    std::thread* keeper_ = nullptr;   // never joined: it only ends with the process
    pid_t keeperPid_ = 0;
    std::condition_variable wake_;
};

int retryingBusy(const std::function<int()>& step) {
    // A network client may refuse to change an entry for a moment after it was closed.
    int err = 0;
    for (int attempt = 0; attempt < 20; ++attempt) {
        err = step();
        if (err != EBUSY && err != ETXTBSY) return err;
        sleepMilliseconds(10);
    }
    return err;
}

int removeEntry(const std::string& path) {
    return retryingBusy([&] { return ::unlink(path.c_str()) == 0 ? 0 : errno; });
}

// The names in a lock folder; false when it cannot be read (nothing can then be said of who is in it).
bool entriesOf(const std::string& folder, std::vector<std::string>& out) {
    out.clear();
    DIR* d = opendir(folder.c_str());
    if (!d) return false;
    for (;;) {
        errno = 0;
        dirent* e = readdir(d);
        if (!e) break;
        std::string name = e->d_name;
        if (name != "." && name != "..") out.push_back(name);
    }
    // A listing cut short by an error says nothing of who is in the folder.
    const int err = errno;
    closedir(d);
    errno = err;
    return err == 0;
}

// True when another member's entry was left by a program that is gone (and is removed now); with
// the registry's mutex held.
bool clearIfDead(Registry& r, const std::string& folder, const std::string& name) {
    const std::string path = folder + "/" + name;
    EntryName e;
    bool dead = false;
    if (parseEntry(name, e) && e.computer == computer()) {
        // This process does not hold it: a process of an earlier boot had our number.
        dead = e.pid == getpid() ? r.held.find(folder) == r.held.end() : processGone(e.pid);
        // A running process of this computer is believed without a look at its entry: an entry that
        // another member removes at this moment is best not looked at (see lockFolderError).
        if (!dead) return false;
    }
    if (!dead) {
        // Elsewhere: the entry must not change for a while. A live owner touches it.
        struct stat st;
        if (::stat(path.c_str(), &st) != 0) return errno == ENOENT;
        const std::string stamp = std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
        const double now = monotonicSeconds();
        Sighting& s = r.sightings[path];
        if (s.stamp != stamp) {
            s.stamp = stamp;
            s.since = now;
            return false;
        }
        dead = now - s.since >= kStaleSeconds;
    }
    if (!dead) return false;
    r.sightings.erase(path);
    const int err = removeEntry(path);
    return err == 0 || err == ENOENT;
}

// Whether the entries of others in the folder keep us out: any live one keeps a writer out, a live
// writer's keeps a reader out. Dead ones are cleared on the way.
bool othersInTheWay(Registry& r, const std::string& folder, const std::string& ours, bool mustListOurs, bool reader,
                    bool& clearedDeadWriter) {
    std::vector<std::string> entries;
    if (!entriesOf(folder, entries)) return errno != ENOENT;   // gone: somebody removed it just now
    // Once our entry is made, a listing without it is not the server's (a client that lost its
    // connection for a moment may answer with nothing): nothing can be said of the others then.
    if (mustListOurs && std::find(entries.begin(), entries.end(), ours) == entries.end()) return true;
    bool inTheWay = false;
    for (const std::string& other : entries) {
        if (other == ours) continue;
        if (clearIfDead(r, folder, other)) {
            if (other[0] == 'w') clearedDeadWriter = true;
            continue;
        }
        if (!reader || other[0] != 'r') inTheWay = true;
    }
    return inTheWay;
}

// A network client may answer oddly for a moment when an entry it looks at is being removed by
// another member (smbnetfs gives EIO for every path of its connection for a few seconds after the
// server answered a lookup with "delete pending"). For a while that is a busy lock, which the caller
// waits out; an error that lasts is the error. With the registry's mutex held.
constexpr double kGlitchSeconds = 10;

FileError lockFolderError(Registry& r, int err, const std::string& folder, const std::string& file) {
    if (err == EIO || err == EINVAL || err == EBUSY || err == ESTALE) {
        const double now = monotonicSeconds();
        auto [it, first] = r.glitches.emplace(folder, now);
        if (first || now - it->second < kGlitchSeconds) return busyError();
        r.glitches.erase(it);
    }
    return systemErrorFor(err, file);
}

// Callers try a busy file again at once. Every try of a lock folder costs the file server a few
// requests, so a member kept out pauses a moment first (a random one, so that two members who keep
// meeting stop meeting), after letting go of the registry; the system's own lock, which costs
// nothing, is tried again without it.
void pauseBeforeTheNextTry() {
    static thread_local std::mt19937 gen{std::random_device{}()};
    sleepMilliseconds(2 + static_cast<int>(gen() % 8));
}

bool cannotLockHere(int err) {
    return err == EROFS || err == EACCES || err == EPERM || err == ENOSPC || err == EDQUOT;
}

}  // namespace

std::string folderFor(const std::string& file) { return file + ".~lock"; }

const std::string& computerName() { return computer(); }

// take() with the registry's mutex held; `keptOut` tells a busy answer of the lock folder.
static FileError takeHolding(Registry& r, const std::string& file, bool reader, std::string& owner, bool& cannotLock,
                             bool& clearedDeadWriter, bool& keptOut) {
    const std::string folder = folderFor(file);
    auto it = r.held.find(folder);
    if (it != r.held.end()) {
        ++it->second.opens;
        owner = it->second.owner;
        return {};
    }
    const std::string name = std::string(reader ? "r." : "w.") + computer() + "." + std::to_string(getpid()) + "." +
                             nonce();
    const std::string entry = folder + "/" + name;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const bool made = ::mkdir(folder.c_str(), 0777) == 0;
        if (!made && errno != EEXIST) {
            const int err = errno;
            if (reader && cannotLockHere(err)) {
                // Nobody can write here through this mount either; reading goes without the lock.
                cannotLock = true;
                return {};
            }
            return lockFolderError(r, err, folder, file);
        }
        // Somebody is in there: whether we may join is seen before anything is written.
        if (!made && othersInTheWay(r, folder, name, false, reader, clearedDeadWriter)) {
            keptOut = true;
            return busyError();
        }
        int fd = ::open(entry.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            const int err = errno;
            if (err == ENOENT) continue;   // somebody removed the folder just now
            // The server may have made it although the client said otherwise.
            if (err != EEXIST) ::unlink(entry.c_str());
            if (reader && cannotLockHere(err)) {
                cannotLock = true;
                return {};
            }
            return lockFolderError(r, err, folder, file);
        }
        ::close(fd);
        // Now that our entry is there, whoever else is in the folder (and was not found dead) decides.
        if (othersInTheWay(r, folder, name, true, reader, clearedDeadWriter)) {
            removeEntry(entry);
            keptOut = true;
            return busyError();
        }
        r.glitches.erase(folder);
        r.held[folder] = HeldLock{entry, 1};
        r.ensureKeeper();
        owner = entry;
        return {};
    }
    return busyError();
}

FileError take(const std::string& file, bool reader, std::string& owner, bool& cannotLock, bool& clearedDeadWriter) {
    cannotLock = false;
    clearedDeadWriter = false;
    owner.clear();
    bool keptOut = false;
    FileError e;
    {
        Registry& r = Registry::get();
        std::lock_guard<std::mutex> lock(r.mutex_);
        e = takeHolding(r, file, reader, owner, cannotLock, clearedDeadWriter, keptOut);
    }
    if (keptOut) pauseBeforeTheNextTry();
    return e;
}

void release(const std::string& owner) {
    if (owner.empty()) return;
    const std::string folder = owner.substr(0, owner.find_last_of('/'));
    Registry& r = Registry::get();
    std::lock_guard<std::mutex> lock(r.mutex_);
    auto it = r.held.find(folder);
    if (it == r.held.end() || it->second.owner != owner) return;
    if (--it->second.opens > 0) return;
    r.held.erase(it);
    removeEntry(owner);
}

FileError checkHeld(const std::string& owner, const std::string& file) {
    struct stat st;
    if (owner.empty() || ::stat(owner.c_str(), &st) == 0) return {};
    const int err = errno;
    struct stat parent;
    const std::string folder = file.substr(0, file.find_last_of('/') == std::string::npos ? 0 : file.find_last_of('/'));
    if (err == ENOENT && !folder.empty() && ::stat(folder.c_str(), &parent) != 0) return systemErrorFor(ENOENT, file);
    if (err != ENOENT) return systemErrorFor(err, file);
    return makeError(kErrLockLost);
}

}  // namespace tw::lockfolder
