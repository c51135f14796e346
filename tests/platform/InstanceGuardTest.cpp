#include "platform/qt/LockFileInstanceGuard.h"

#include <QFile>
#include <QHostInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using clipvoice::platform::LockFileInstanceGuard;

class InstanceGuardTest : public QObject
{
    Q_OBJECT

private slots:
    void secondClaimIsRefusedUntilFirstEnds()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("clipvoice.lock"));
        {
            LockFileInstanceGuard first(path);
            QVERIFY(first.claim());
            QVERIFY(first.claim()); // claiming again keeps the claim

            LockFileInstanceGuard second(path);
            QVERIFY(!second.claim());
        }
        LockFileInstanceGuard third(path);
        QVERIFY(third.claim());
    }

    void lockOfAProcessThatIsGoneIsTakenOver()
    {
        // A copy that crashed leaves its lock file behind; its process no longer exists.
        QProcess finished;
        finished.start(QStringLiteral("true"));
        QVERIFY(finished.waitForFinished(10000));
        const qint64 deadPid = finished.processId() > 0 ? finished.processId() : 999999;

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("clipvoice.lock"));
        QFile stale(path);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write(QByteArray::number(deadPid) + "\nclipvoice\n" +
                    QHostInfo::localHostName().toUtf8() + "\n");
        stale.close();

        LockFileInstanceGuard guard(path);
        QVERIFY(guard.claim());
    }

    void missingFolderIsCreated()
    {
        QTemporaryDir dir;
        LockFileInstanceGuard guard(dir.filePath(QStringLiteral("run/user/clipvoice.lock")));
        QVERIFY(guard.claim());
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("run/user/clipvoice.lock"))));
    }

    void defaultLockIsPerUser()
    {
        const QString path = LockFileInstanceGuard::defaultLockFilePath();
        QVERIFY(path.endsWith(QStringLiteral("/clipvoice.lock")));
        QVERIFY(!path.startsWith(QStringLiteral("/tmp/clipvoice.lock")));
    }
};

QTEST_GUILESS_MAIN(InstanceGuardTest)
#include "InstanceGuardTest.moc"
