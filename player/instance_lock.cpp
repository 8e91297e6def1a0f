#include "instance_lock.h"

#include <QDir>
#include <QStandardPaths>

namespace zrc::player {

InstanceLock::InstanceLock(const QString& path) : m_file(path) {
    // A running player may hold the lock for days; only a dead owner makes
    // it stale, never its age.
    m_file.setStaleLockTime(0);
}

QString InstanceLock::defaultPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("ZrcPlayer.lock"));
}

InstanceLock::Result InstanceLock::tryLock() {
    if (m_file.tryLock(0)) return Result::Acquired;
    return m_file.error() == QLockFile::LockFailedError ? Result::HeldByOther : Result::Unavailable;
}

void InstanceLock::unlock() { m_file.unlock(); }

}  // namespace zrc::player
