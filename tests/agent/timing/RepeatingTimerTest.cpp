// The repeating timer keeps its beat on a hand-driven clock, and its task may
// stop it, restart it or destroy its owner.

#include "agent/timing/RepeatingTimer.h"
#include "agent/timing/testing/ManualScheduler.h"

#include <QTest>

#include <memory>

using clipvoice::agent::timing::RepeatingTimer;
using clipvoice::agent::timing::testing::ManualScheduler;

class RepeatingTimerTest : public QObject
{
    Q_OBJECT

private slots:
    void ticksEveryIntervalUntilStopped()
    {
        ManualScheduler scheduler;
        RepeatingTimer timer(scheduler);
        QList<qint64> ticks;
        scheduler.advance(5);
        timer.start(10, [&] { ticks.append(scheduler.now()); });
        QVERIFY(timer.isActive());
        scheduler.advance(34);
        QCOMPARE(ticks, (QList<qint64>{15, 25, 35}));

        timer.stop();
        QVERIFY(!timer.isActive());
        scheduler.advance(100);
        QCOMPARE(ticks.size(), 3);
        QCOMPARE(scheduler.pendingCount(), 0);

        // Starting again starts a new beat from now.
        timer.start(20, [&] { ticks.append(scheduler.now()); });
        scheduler.advance(45);
        QCOMPARE(ticks.mid(3), (QList<qint64>{159, 179}));
    }

    void theTaskMayStopOrRestartItsTimer()
    {
        ManualScheduler scheduler;
        RepeatingTimer timer(scheduler);
        QList<qint64> ticks;
        timer.start(10, [&] {
            ticks.append(scheduler.now());
            if (ticks.size() == 2)
                timer.stop();
        });
        scheduler.advance(100);
        QCOMPARE(ticks, (QList<qint64>{10, 20}));
        QVERIFY(!timer.isActive());
        QCOMPARE(scheduler.pendingCount(), 0);

        ticks.clear();
        std::function<void()> slower = [&] { ticks.append(scheduler.now()); };
        timer.start(10, [&] {
            ticks.append(scheduler.now());
            timer.start(30, slower);
        });
        scheduler.advance(100);
        QCOMPARE(ticks, (QList<qint64>{110, 140, 170, 200}));
        QCOMPARE(scheduler.pendingCount(), 1);
    }

    void destroyingTheTimerCancelsItEvenFromItsTask()
    {
        ManualScheduler scheduler;
        int ticks = 0;
        {
            RepeatingTimer timer(scheduler);
            timer.start(10, [&] { ++ticks; });
            scheduler.advance(10);
        }
        QCOMPARE(scheduler.pendingCount(), 0);
        scheduler.advance(100);
        QCOMPARE(ticks, 1);

        // The owner goes away inside the task, as a speaker deleted from a slot does.
        auto owned = std::make_unique<RepeatingTimer>(scheduler);
        owned->start(10, [&] {
            ++ticks;
            owned.reset();
        });
        scheduler.advance(100);
        QCOMPARE(ticks, 2);
        QCOMPARE(scheduler.pendingCount(), 0);
    }
};

QTEST_GUILESS_MAIN(RepeatingTimerTest)
#include "RepeatingTimerTest.moc"
