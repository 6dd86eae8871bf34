// One copy of the program per user and executable: a lock file in the user's runtime folder (the
// temporary folder when there is none), named after the executable's path. The lock goes with the
// process, also when it dies; a lock file left by a dead process does not count.
#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace tw {

class InstanceLock {
public:
    // `key` tells programs apart; by default the user's home and the executable's full path.
    explicit InstanceLock(const QString& key = defaultKey());
    ~InstanceLock();

    // True when another running copy holds the lock. Otherwise this copy takes it (and keeps it
    // until it ends) and false is returned, also on every later call.
    bool anotherCopyRuns();

    QString fileName() const { return fileName_; }
    static QString defaultKey();

private:
    QString fileName_;
    std::unique_ptr<QLockFile> lock_;
    bool held_ = false;
};

}  // namespace tw
