#include "platform/qt/instancelock.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace tw {

QString InstanceLock::defaultKey() {
    return QDir::homePath() + QLatin1Char('|') + QCoreApplication::applicationFilePath();
}

InstanceLock::InstanceLock(const QString& key) {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty() || !QDir().mkpath(dir)) dir = QDir::tempPath();
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    fileName_ = QDir(dir).filePath(QStringLiteral("tackwisp-") + QString::fromLatin1(hash) + QStringLiteral(".lock"));
    lock_ = std::make_unique<QLockFile>(fileName_);
    // A running copy keeps its lock for days: only a dead owner makes it stale, never its age.
    lock_->setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::anotherCopyRuns() {
    if (held_) return false;
    if (lock_->tryLock(0)) {
        held_ = true;
        return false;
    }
    // Only a lock held by a live process means another copy; a folder we may not write in must not
    // keep the program from starting.
    return lock_->error() == QLockFile::LockFailedError;
}

}  // namespace tw
