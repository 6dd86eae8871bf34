// A counter in a shared folder that only the lock of the shared log protects: what several member
// programs (on several computers) have in common when they change a file one after the other.
//
//   lock_counter <folder> <increments>
//       <increments> times: opens <folder>/GRPINLY.FLG for reading and writing (the lock; a busy open
//       is tried again after a short pause), reads the decimal number in <folder>/counter with plain
//       file reads (a missing or empty file is 0), writes that number plus one back, closes the
//       counter, and only then closes GRPINLY.FLG. With the lock working between all the processes,
//       the counter ends at the sum of their increments; any two holding it at once lose a count.
//
// Exit status: 0 done, 1 a failure (said on stderr), 2 usage.
#include "platform/clock.h"
#include "platform/sharedfile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace tw;

namespace {

// One wait for the lock longer than this means it is never let go: the tool gives up.
constexpr double kLongestWaitSeconds = 60;

int failed(const std::string& what) {
    std::fprintf(stderr, "lock_counter: %s\n", what.c_str());
    return 1;
}

// The number in the counter file; false with `error` set when it cannot be read or is no number.
bool readCounter(const std::string& path, long& value, std::string& error) {
    value = 0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (errno == ENOENT) return true;   // the first increment of all
        error = "cannot open " + path + " for reading: " + std::strerror(errno);
        return false;
    }
    char buf[64];
    const size_t got = std::fread(buf, 1, sizeof buf - 1, f);
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError) {
        error = "cannot read " + path;
        return false;
    }
    buf[got] = '\0';
    if (got == 0) return true;
    char* end = nullptr;
    value = std::strtol(buf, &end, 10);
    if (end == buf || (*end != '\0' && *end != '\n')) {
        error = "the counter holds no number: \"" + std::string(buf, got) + "\"";
        return false;
    }
    return true;
}

bool writeCounter(const std::string& path, long value, std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = "cannot open " + path + " for writing: " + std::strerror(errno);
        return false;
    }
    const std::string text = std::to_string(value) + "\n";
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (std::fclose(f) != 0 || !written) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::atol(argv[2]) < 0) {
        std::fprintf(stderr, "usage: lock_counter <folder> <increments>\n");
        return 2;
    }
    const std::string folder = argv[1];
    const long increments = std::atol(argv[2]);
    const std::string lockPath = joinPath(folder, "GRPINLY.FLG");
    const std::string counterPath = joinPath(folder, "counter");
    long busy = 0;
    double longestWait = 0;
    for (long i = 0; i < increments; ++i) {
        SharedFile lock;
        const double since = monotonicSeconds();
        for (;;) {
            const FileError e = lock.open(lockPath, ShareMode::ReadWriteExclusive);
            if (e.ok()) break;
            if (e.number != kErrAccessDenied)
                return failed("open of " + lockPath + ": error " + std::to_string(e.number) + " " + e.description);
            ++busy;
            if (monotonicSeconds() - since > kLongestWaitSeconds)
                return failed("the lock " + lockPath + " stayed busy for " + std::to_string(kLongestWaitSeconds) +
                              " s (increment " + std::to_string(i + 1) + ")");
            sleepMilliseconds(2);
        }
        if (monotonicSeconds() - since > longestWait) longestWait = monotonicSeconds() - since;
        long value = 0;
        std::string error;
        if (!readCounter(counterPath, value, error) || !writeCounter(counterPath, value + 1, error))
            return failed(error + " (increment " + std::to_string(i + 1) + ")");
        lock.close();
    }
    std::printf("lock_counter: %ld increments in %s, %ld busy opens, longest wait %.3f s\n", increments,
                folder.c_str(), busy, longestWait);
    return 0;
}
