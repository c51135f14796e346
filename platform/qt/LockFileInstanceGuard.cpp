#include "platform/qt/LockFileInstanceGuard.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace clipvoice::platform {

LockFileInstanceGuard::LockFileInstanceGuard()
    : LockFileInstanceGuard(defaultLockFilePath())
{}

LockFileInstanceGuard::LockFileInstanceGuard(const QString& lockFilePath)
    : m_path(lockFilePath)
{}

LockFileInstanceGuard::~LockFileInstanceGuard() = default;

QString LockFileInstanceGuard::defaultLockFilePath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("clipvoice.lock"));
}

bool LockFileInstanceGuard::claim()
{
    if (m_lock && m_lock->isLocked())
        return true;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    m_lock = std::make_unique<QLockFile>(m_path);
    // A lock never goes stale by age: only a dead owner makes it stale.
    m_lock->setStaleLockTime(0);
    return m_lock->tryLock(0);
}

} // namespace clipvoice::platform
