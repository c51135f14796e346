#pragma once

#include "platform/InstanceGuard.h"

#include <QLockFile>
#include <QString>

#include <memory>

namespace clipvoice::platform {

// Per-user single-instance guard built on a lock file in the user's runtime
// folder. A lock left behind by a crashed copy is recognised as stale (its
// process is gone) and taken over.
class LockFileInstanceGuard final : public InstanceGuard
{
public:
    // The default lock lives in the per-user runtime folder.
    LockFileInstanceGuard();
    explicit LockFileInstanceGuard(const QString& lockFilePath);
    ~LockFileInstanceGuard() override;

    bool claim() override;

    static QString defaultLockFilePath();

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace clipvoice::platform
