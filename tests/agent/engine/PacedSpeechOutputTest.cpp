#include "agent/engine/PacedSpeechOutput.h"
#include "agent/engine/EngineTimer.h"
#include "agent/timing/QtScheduler.h"
#include "agent/timing/testing/ManualScheduler.h"

#include <QTest>

using namespace clipvoice::agent::engine;
using clipvoice::agent::timing::QtScheduler;
using clipvoice::agent::timing::Scheduler;
using clipvoice::agent::timing::testing::ManualScheduler;

namespace {

// Writes "<ms> word <offset>+<length>", "<ms> mouth <shape>" and "<ms> finished".
class Transcript final : public SpeechListener
{
public:
    explicit Transcript(const Scheduler& scheduler)
        : m_scheduler(scheduler)
    {}

    void wordReached(int offset, int length) override
    {
        lines.append(
            QStringLiteral("%1 word %2+%3").arg(m_scheduler.now()).arg(offset).arg(length));
    }
    void mouthShape(int shape) override
    {
        lines.append(QStringLiteral("%1 mouth %2").arg(m_scheduler.now()).arg(shape));
    }
    void finished() override { lines.append(QStringLiteral("%1 finished").arg(m_scheduler.now())); }

    QStringList lines;

private:
    const Scheduler& m_scheduler;
};

} // namespace

class PacedSpeechOutputTest : public QObject
{
    Q_OBJECT

private slots:
    void durationFollowsLengthWithAMinimumPerLine()
    {
        const SpeechPace pace;
        QCOMPARE(pace.duration(u"Hi"), 1000);
        QCOMPARE(pace.duration(QString(50, u'x')), 3000);
        QCOMPARE(pace.duration(u"one\n\ntwo\nthree"), 3000); // three lines of text
        QCOMPARE(pace.duration(u"  \n "), 0);
    }

    void wordsAreRevealedAtThePaceOfTheText()
    {
        ManualScheduler scheduler;
        PacedSpeechOutput voice(scheduler);
        Transcript transcript(scheduler);
        QVERIFY(voice.canSpeak(0x0409));
        voice.speak(QStringLiteral("Hello, big world"), 0x0409, transcript);
        QVERIFY(transcript.lines.isEmpty()); // nothing inside the call
        scheduler.advance(10000);
        // 16 characters would take 960 ms, but a line takes at least 1 s; "big"
        // starts at 7/16 of it and "world" at 11/16, and each mouth closes half
        // way through its word.
        QCOMPARE(transcript.lines,
                 (QStringList{QStringLiteral("0 word 0+6"), QStringLiteral("0 mouth 3"),
                              QStringLiteral("187 mouth 0"), QStringLiteral("437 word 7+3"),
                              QStringLiteral("437 mouth 2"), QStringLiteral("530 mouth 0"),
                              QStringLiteral("687 word 11+5"), QStringLiteral("687 mouth 6"),
                              QStringLiteral("843 mouth 0"), QStringLiteral("1000 mouth 0"),
                              QStringLiteral("1000 finished")}));
    }

    void cancelAndNewSpeechSilenceTheOldOne()
    {
        ManualScheduler scheduler;
        PacedSpeechOutput voice(scheduler);
        Transcript first(scheduler);
        Transcript second(scheduler);
        voice.speak(QStringLiteral("one two three"), 0x0409, first);
        scheduler.advance(300);
        voice.speak(QStringLiteral("four"), 0x0409, second);
        scheduler.advance(10000);
        QVERIFY(first.lines.filter(QStringLiteral("finished")).isEmpty());
        QCOMPARE(second.lines.last(), QStringLiteral("1300 finished"));

        voice.speak(QStringLiteral("five"), 0x0409, first);
        voice.cancel();
        const qsizetype heard = first.lines.size();
        scheduler.advance(10000);
        QCOMPARE(first.lines.size(), heard);
        QCOMPARE(scheduler.pendingCount(), 0);
    }

    void qtSchedulerRunsTasksLaterAndHonoursCancel()
    {
        QtScheduler scheduler;
        QStringList ran;
        scheduler.schedule(0, [&ran] { ran.append(QStringLiteral("first")); });
        const auto cancelled =
            scheduler.schedule(0, [&ran] { ran.append(QStringLiteral("cancelled")); });
        EngineTimer timer(scheduler);
        timer.start(0, [&ran] { ran.append(QStringLiteral("timer")); });
        scheduler.cancel(cancelled);
        QVERIFY(ran.isEmpty()); // never inside the call
        QTRY_COMPARE(ran, (QStringList{QStringLiteral("first"), QStringLiteral("timer")}));
        QVERIFY(!timer.isActive());
    }
};

QTEST_GUILESS_MAIN(PacedSpeechOutputTest)
#include "PacedSpeechOutputTest.moc"
