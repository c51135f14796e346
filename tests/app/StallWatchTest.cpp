// The stall diagnostic logs each hold-up of the thread beyond its threshold,
// measured as the lateness of its timer, and nothing else.

#include "app/StallWatch.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using clipvoice::app::StallWatch;

class StallWatchTest : public QObject
{
    Q_OBJECT

private slots:
    void logsOnlyHoldUpsBeyondTheThreshold()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("stalls.log"));
        StallWatch watch(path, 20);
        QVERIFY(watch.isOpen());
        const int step = StallWatch::IntervalMs;
        watch.tick(step);               // on time
        watch.tick(2 * step + 20);      // 20 ms late: at the threshold, not beyond
        watch.tick(3 * step + 20 + 75); // 75 ms late
        watch.tick(4 * step + 20 + 75 + 3);
        QCOMPARE(watch.longestMs(), 75);

        QFile log(path);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll(), QByteArray("stall 75 ms\n"));
    }

    void anUnwritableLogIsNoError()
    {
        StallWatch watch(QStringLiteral("/nonexistent-folder/stalls.log"));
        QVERIFY(!watch.isOpen());
        watch.tick(500);
        QCOMPARE(watch.longestMs(), 500 - StallWatch::IntervalMs);
    }
};

QTEST_GUILESS_MAIN(StallWatchTest)
#include "StallWatchTest.moc"
