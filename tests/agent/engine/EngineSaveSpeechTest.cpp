// Saving speech to a file through a character: the save runs beside the
// character's queue, its request reports how it ended, and Stop, unloading and
// a missing output each end it the way the program expects.

#include "TestCharacters.h"

#include "agent/engine/EngineCharacter.h"
#include "agent/engine/testing/EngineEventLog.h"
#include "agent/engine/testing/FakeVoice.h"
#include "agent/engine/testing/MemoryCharacterSource.h"
#include "agent/engine/testing/RecordingPartsFactory.h"
#include "agent/engine/testing/RecordingRequestObserver.h"
#include "agent/timing/testing/ManualScheduler.h"
#include "platform/agent/testing/ScriptedRandom.h"

#include <QTest>

using namespace clipvoice::agent;
using namespace clipvoice::agent::engine;
using namespace clipvoice::agent::engine::testing;
using clipvoice::agent::timing::testing::ManualScheduler;
using namespace clipvoice::agent::engine::test;
using clipvoice::platform::agent::RequestPtr;
using clipvoice::platform::agent::RequestStatus;
using clipvoice::platform::testing::ScriptedRandom;

namespace {

// Keeps every save it is asked for; the test ends them.
class FakeSpeechFileOutput final : public SpeechFileOutput
{
public:
    struct Asked
    {
        quint64 number = 0;
        QString text;
        qint32 languageId = 0;
        QString path;
        Finished finished;
        bool cancelled = false;
    };

    quint64 save(const QString& text, qint32 languageId, const QString& path,
                 Finished finished) override
    {
        asked.append({++m_last, text, languageId, path, std::move(finished)});
        return m_last;
    }

    void cancel(quint64 save) override
    {
        for (Asked& one : asked) {
            if (one.number == save)
                one.cancelled = true;
        }
    }

    QList<Asked> asked;

private:
    quint64 m_last = 100;
};

EngineSettings quietSettings()
{
    EngineSettings settings;
    settings.idle.firstDelayMs = 1000000000;
    return settings;
}

struct Scene
{
    explicit Scene(bool withOutput = true)
        : log(std::make_shared<EngineEventLog>())
        , voice(std::make_shared<FakeVoice>(log))
        , output(withOutput ? new FakeSpeechFileOutput : nullptr)
        , observer(log)
        , character(QStringLiteral("Merlin"),
                    std::make_shared<MemoryCharacterSource>(standardCharacter()), partsWith(output),
                    scheduler, random, quietSettings(), &observer)
    {}

    CharacterParts partsWith(FakeSpeechFileOutput* fileOutput)
    {
        CharacterParts parts = RecordingPartsFactory::makeParts(log, voice);
        parts.speechFile.reset(fileOutput);
        return parts;
    }

    ManualScheduler scheduler;
    ScriptedRandom random;
    std::shared_ptr<EngineEventLog> log;
    std::shared_ptr<FakeVoice> voice;
    FakeSpeechFileOutput* output; // owned by the character's parts
    RecordingRequestObserver observer;
    EngineCharacter character;
};

} // namespace

class EngineSaveSpeechTest : public QObject
{
    Q_OBJECT

private slots:
    void saveRunsBesideTheQueueAndEndsDone()
    {
        Scene scene;
        QVERIFY(scene.character.setLanguageId(0x0407).ok());
        const RequestPtr speech = scene.character.speak(QStringLiteral("Hi"));
        const RequestPtr save =
            scene.character.saveSpeech(QStringLiteral("one\ntwo"), QStringLiteral("/tmp/a.wav"));
        QVERIFY(save);
        // Under way at once, while the speech still waits for its turn.
        QCOMPARE(save->status(), RequestStatus::InProgress);
        QCOMPARE(speech->status(), RequestStatus::Pending);
        QCOMPARE(scene.output->asked.size(), 1);
        QCOMPARE(scene.output->asked.at(0).text, QStringLiteral("one\ntwo"));
        QCOMPARE(scene.output->asked.at(0).languageId, 0x0407);
        QCOMPARE(scene.output->asked.at(0).path, QStringLiteral("/tmp/a.wav"));
        QCOMPARE(scene.character.savesInProgress(), 1);

        // The speech goes ahead while the save is under way.
        scene.scheduler.advance(10000);
        QCOMPARE(speech->status(), RequestStatus::InProgress);
        scene.voice->finish();
        scene.scheduler.advance(10000);
        QCOMPARE(speech->status(), RequestStatus::Done);
        QCOMPARE(save->status(), RequestStatus::InProgress);

        scene.output->asked.at(0).finished(SpeechFileOutput::Outcome::Saved);
        QCOMPARE(save->status(), RequestStatus::Done);
        QCOMPARE(scene.character.savesInProgress(), 0);
        const QStringList log = scene.log->lines();
        QVERIFY(log.contains(QStringLiteral("request 2 SaveSpeech \"/tmp/a.wav\" started")));
        QVERIFY(log.contains(QStringLiteral("request 2 done")));
    }

    void cancelledAndFailedSavesReportSo()
    {
        Scene scene;
        const RequestPtr first =
            scene.character.saveSpeech(QStringLiteral("a"), QStringLiteral("a.ogg"));
        const RequestPtr second =
            scene.character.saveSpeech(QStringLiteral("b"), QStringLiteral("b.ogg"));
        // Ended in the other order than started.
        scene.output->asked.at(1).finished(SpeechFileOutput::Outcome::Failed);
        scene.output->asked.at(0).finished(SpeechFileOutput::Outcome::Cancelled);
        QCOMPARE(first->status(), RequestStatus::Interrupted);
        QCOMPARE(second->status(), RequestStatus::Failed);
        QCOMPARE(scene.log->lines(), lines({"request 1 SaveSpeech \"a.ogg\" started",
                                            "request 2 SaveSpeech \"b.ogg\" started",
                                            "request 2 failed", "request 1 interrupted"}));
    }

    void stopEndsASaveOnlyWhenItNamesIt()
    {
        Scene scene;
        const RequestPtr save =
            scene.character.saveSpeech(QStringLiteral("a"), QStringLiteral("a.wav"));
        QVERIFY(scene.character.stop().ok());
        QCOMPARE(save->status(), RequestStatus::InProgress);
        QVERIFY(!scene.output->asked.at(0).cancelled);

        QVERIFY(scene.character.stop(save).ok());
        QCOMPARE(save->status(), RequestStatus::Interrupted);
        QVERIFY(scene.output->asked.at(0).cancelled);
        QCOMPARE(scene.character.savesInProgress(), 0);
        // Stopping it again, once ended, has nothing to do.
        QVERIFY(scene.character.stop(save).ok());
        QCOMPARE(save->status(), RequestStatus::Interrupted);
    }

    void unloadingCancelsEverySave()
    {
        Scene scene;
        const RequestPtr a =
            scene.character.saveSpeech(QStringLiteral("a"), QStringLiteral("a.wav"));
        const RequestPtr b =
            scene.character.saveSpeech(QStringLiteral("b"), QStringLiteral("b.wav"));
        scene.character.shutdown();
        QCOMPARE(a->status(), RequestStatus::Interrupted);
        QCOMPARE(b->status(), RequestStatus::Interrupted);
        QVERIFY(scene.output->asked.at(0).cancelled && scene.output->asked.at(1).cancelled);
        QVERIFY(!scene.character.saveSpeech(QStringLiteral("c"), QStringLiteral("c.wav")));
        QCOMPARE(scene.output->asked.size(), 2);
    }

    void withoutAnOutputASaveFails()
    {
        Scene scene(false);
        const RequestPtr save =
            scene.character.saveSpeech(QStringLiteral("a"), QStringLiteral("a.wav"));
        QVERIFY(save);
        QCOMPARE(save->status(), RequestStatus::Failed);
        QCOMPARE(scene.log->lines(),
                 lines({"request 1 SaveSpeech \"a.wav\" started", "request 1 failed"}));
    }
};

QTEST_GUILESS_MAIN(EngineSaveSpeechTest)
#include "EngineSaveSpeechTest.moc"
