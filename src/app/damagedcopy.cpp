#include "app/damagedcopy.h"

#include "model/datetime.h"

#include <cstdio>

namespace tw {

namespace {

// Far more than one second can produce; only a folder full of odd names gets there.
constexpr int kMaxAttempts = 1000;

}  // namespace

std::string damagedCopyPath(const std::string& path, double now, int attempt) {
    return datedCopyPath(path, "damaged", now, attempt);
}

std::string datedCopyPath(const std::string& path, const std::string& tag, double now, int attempt) {
    const DateParts p = splitDateTime(now);
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", p.year, p.month, p.day, p.hour, p.minute,
                  p.second);
    std::string name = path + "." + tag + "-" + stamp;
    if (attempt > 1) {
        // Appended in two steps: GCC 12 warns falsely (-Wrestrict) about "-" + std::to_string(…).
        name += '-';
        name += std::to_string(attempt);
    }
    return name;
}

FileError keepDamagedCopy(const std::string& path, const std::string& bytes, double now, std::string& copyPath) {
    return keepDatedCopy(path, "damaged", bytes, now, copyPath);
}

FileError keepDatedCopy(const std::string& path, const std::string& tag, const std::string& bytes, double now,
                        std::string& copyPath) {
    for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
        copyPath = datedCopyPath(path, tag, now, attempt);
        if (fileExists(copyPath) || directoryExists(copyPath)) continue;
        SharedFile f;
        FileError e = f.open(copyPath, ShareMode::WriteExclusive);
        if (e) return e;
        int64_t length = 0;
        e = f.length(length);
        if (!e && length > 0) continue;   // written by somebody else meanwhile: not ours to replace
        if (!e) e = f.replaceContent(bytes);
        f.close();
        if (e) removeFile(copyPath);   // the empty file our open made
        return e;
    }
    copyPath = datedCopyPath(path, tag, now, 1);
    return makeError(kErrAccessDenied);
}

}  // namespace tw
