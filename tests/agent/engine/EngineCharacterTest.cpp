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

// Idling is pushed far away unless a test asks for it.
EngineSettings quietSettings()
{
    EngineSettings settings;
    settings.idle.firstDelayMs = 1000000000;
    settings.balloonHideDelayMs = 500;
    return settings;
}

// A character on a hand-driven clock whose window, balloon, voice and request
// observer all write to one log.
struct Scene
{
    // Animations named in `unplayable` are listed but cannot be played, as
    // damaged ones found only when first played.
    explicit Scene(const acs::Character& model = standardCharacter(),
                   EngineSettings settings = quietSettings(), const QStringList& unplayable = {})
        : log(std::make_shared<EngineEventLog>())
        , voice(std::make_shared<FakeVoice>(log))
        , observer(log)
        , source(std::make_shared<MemoryCharacterSource>(model))
        , character(QStringLiteral("Merlin"), (setUnplayable(*source, unplayable), source),
                    RecordingPartsFactory::makeParts(log, voice, source.get()), scheduler, random,
                    settings, &observer)
    {}

    // Shows the character without animation and forgets the log so far.
    void showFast()
    {
        character.show(true);
        scheduler.advance(1000);
        log->clear();
    }

    ManualScheduler scheduler;
    ScriptedRandom random;
    std::shared_ptr<EngineEventLog> log;
    std::shared_ptr<FakeVoice> voice;
    RecordingRequestObserver observer;
    std::shared_ptr<MemoryCharacterSource> source;
    EngineCharacter character;

private:
    static void setUnplayable(MemoryCharacterSource& source, const QStringList& names)
    {
        for (const QString& name : names)
            source.setUnplayable(name);
    }
};

QList<RequestStatus> statuses(const QList<RequestPtr>& requests)
{
    QList<RequestStatus> list;
    for (const RequestPtr& request : requests)
        list.append(request->status());
    return list;
}

} // namespace

class EngineCharacterTest : public QObject
{
    Q_OBJECT

private slots:
    void requestsRunInOrderAcrossShowGestureSpeakHide()
    {
        Scene scene;
        const QList<RequestPtr> requests = {
            scene.character.show(), scene.character.play(QStringLiteral("Wave")),
            scene.character.speak(QStringLiteral("Hi there")), scene.character.hide()};
        QCOMPARE(statuses(requests), QList<RequestStatus>(4, RequestStatus::Pending));
        QVERIFY(scene.log->lines().isEmpty()); // nothing happens inside the calls

        scene.scheduler.advance(10000); // through the gesture to the speech
        QCOMPARE(statuses(requests),
                 (QList<RequestStatus>{RequestStatus::Done, RequestStatus::Done,
                                       RequestStatus::InProgress, RequestStatus::Pending}));
        QVERIFY(scene.voice->isSpeaking());
        scene.voice->reachWord(0, 2);
        scene.voice->setMouth(3);
        scene.voice->reachWord(3, 5);
        scene.voice->finish();
        scene.scheduler.advance(10000);

        QCOMPARE(scene.log->lines(), lines({"request 1 Show started",
                                            "frame Show:0",
                                            "view shown",
                                            "frame Show:0",
                                            "frame Show:1",
                                            "request 1 done",
                                            "request 2 Play \"Wave\" started",
                                            "frame Wave:0",
                                            "frame Wave:1",
                                            "frame Wave:2",
                                            "request 2 done",
                                            "request 3 Speak \"Hi there\" started",
                                            "balloon speech Hi there",
                                            "speak Hi there", // with the animation, not after it
                                            "frame Speak:0",
                                            "frame Speak:1",
                                            "balloon reveal 2",
                                            "frame Speak:1:m3",
                                            "balloon reveal 8",
                                            "frame Speak:1",
                                            "balloon reveal 8",
                                            "request 3 done",
                                            "request 4 Hide started",
                                            "balloon hidden",
                                            "frame Hide:0",
                                            "frame Hide:1",
                                            "view hidden",
                                            "sounds stopped",
                                            "request 4 done"}));
        QCOMPARE(statuses(requests), QList<RequestStatus>(4, RequestStatus::Done));
        QVERIFY(!scene.character.isVisible());
    }

    void stopMidSpeechDropsEverything()
    {
        Scene scene;
        scene.showFast();
        const QList<RequestPtr> requests = {scene.character.speak(QStringLiteral("One")),
                                            scene.character.speak(QStringLiteral("Two")),
                                            scene.character.play(QStringLiteral("Wave"))};
        scene.scheduler.advance(1000);
        QCOMPARE(scene.voice->text(), QStringLiteral("One"));
        scene.voice->reachWord(0, 3);
        QVERIFY(scene.character.stop());
        QCOMPARE(statuses(requests), QList<RequestStatus>(3, RequestStatus::Interrupted));
        QVERIFY(!scene.voice->isSpeaking());
        scene.scheduler.advance(10000);
        QCOMPARE(
            scene.log->lines().mid(scene.log->lines().indexOf(QStringLiteral("balloon reveal 3")) +
                                   1),
            lines({"request 2 interrupted", "request 3 interrupted", "request 4 interrupted",
                   "speech cancelled", "sounds stopped", "balloon hidden", "frame RestPose:0"}));
        QVERIFY(scene.character.isVisible());
        QVERIFY(!scene.character.currentRequest());
    }

    void newSpeechWaitsForTheCurrentOne()
    {
        Scene scene;
        scene.showFast();
        const RequestPtr first = scene.character.speak(QStringLiteral("First"));
        scene.scheduler.advance(1000);
        const RequestPtr second = scene.character.speak(QStringLiteral("Second"));
        scene.scheduler.advance(1000);
        QCOMPARE(first->status(), RequestStatus::InProgress);
        QCOMPARE(second->status(), RequestStatus::Pending);
        QCOMPARE(scene.voice->text(), QStringLiteral("First"));

        scene.voice->finish();
        scene.scheduler.advance(1000);
        QCOMPARE(first->status(), RequestStatus::Done);
        QCOMPARE(second->status(), RequestStatus::InProgress);
        QCOMPARE(scene.voice->text(), QStringLiteral("Second"));
        // The second speech takes over the balloon; it is not hidden in between.
        const QStringList balloon = scene.log->starting(QStringLiteral("balloon"));
        QCOMPARE(balloon,
                 lines({"balloon speech First", "balloon reveal 5", "balloon speech Second"}));
    }

    void hideAfterSpeechWaitsForTheSpeech()
    {
        Scene scene;
        scene.showFast();
        const RequestPtr speech = scene.character.speak(QStringLiteral("Long text"));
        const RequestPtr hide = scene.character.hide();
        scene.scheduler.advance(60000);
        QCOMPARE(hide->status(), RequestStatus::Pending);
        QVERIFY(scene.character.isVisible());
        scene.voice->finish();
        scene.scheduler.advance(1000);
        QCOMPARE(speech->status(), RequestStatus::Done);
        QCOMPARE(hide->status(), RequestStatus::Done);
        QVERIFY(!scene.character.isVisible());
    }

    void failedPlayDoesNotBlockTheQueue()
    {
        Scene scene;
        scene.showFast();
        const RequestPtr missing = scene.character.play(QStringLiteral("NoSuchAnimation"));
        const RequestPtr wave = scene.character.play(QStringLiteral("wave"));
        scene.scheduler.advance(1000);
        QCOMPARE(missing->status(), RequestStatus::Failed);
        QCOMPARE(wave->status(), RequestStatus::Done);
        QCOMPARE(scene.log->starting(QStringLiteral("request")),
                 lines({"request 2 Play \"NoSuchAnimation\" started", "request 2 failed",
                        "request 3 Play \"wave\" started", "request 3 done"}));
    }

    void damagedAnimationsAreSkippedQuietly()
    {
        EngineSettings settings = quietSettings();
        settings.idle = {1000, 500, 3000, 6000};
        Scene scene(standardCharacter(), settings,
                    {QStringLiteral("Show"), QStringLiteral("Speak"), QStringLiteral("Wave"),
                     QStringLiteral("GreetReturn"), QStringLiteral("Idle1_1"),
                     QStringLiteral("Hide")});
        const RequestPtr show = scene.character.show();
        const RequestPtr wave = scene.character.play(QStringLiteral("Wave"));
        const RequestPtr greet = scene.character.play(QStringLiteral("Greet"));
        const RequestPtr speak = scene.character.speak(QStringLiteral("Hello"));
        scene.scheduler.advance(1000);
        QVERIFY(scene.voice->isSpeaking());
        scene.voice->finish();
        scene.scheduler.advance(100);
        QCOMPARE(statuses({show, wave, greet, speak}),
                 (QList<RequestStatus>{RequestStatus::Done, RequestStatus::Failed,
                                       RequestStatus::Done, RequestStatus::Done}));
        QVERIFY(scene.character.isVisible());
        // Shown still in the rest pose, Greet without its return, speech without animation.
        QCOMPARE(scene.log->starting(QStringLiteral("frame")).mid(0, 3),
                 lines({"frame RestPose:0", "frame Greet:0", "frame Greet:1"}));
        QVERIFY(scene.log->lines().filter(QStringLiteral("Speak:")).isEmpty());

        // Idling skips the damaged level 1 animation and goes on to level 2.
        QVERIFY(scene.character.isIdling());
        scene.log->clear();
        scene.scheduler.advance(5000);
        QVERIFY(scene.character.isIdling());
        QVERIFY(scene.log->lines().contains(QStringLiteral("frame Idle2_1:0")));

        const RequestPtr hide = scene.character.hide();
        scene.scheduler.advance(1000);
        QCOMPARE(hide->status(), RequestStatus::Done);
        QVERIFY(!scene.character.isVisible());
    }

    void stopOfOneRequest()
    {
        Scene scene;
        scene.showFast();
        const RequestPtr wave = scene.character.play(QStringLiteral("Wave"));
        const RequestPtr greet = scene.character.play(QStringLiteral("Greet"));
        const RequestPtr show = scene.character.show();
        QVERIFY(scene.character.stop(greet)); // waiting: dropped
        scene.scheduler.advance(150);
        QVERIFY(scene.character.stop(wave)); // current: cut short, the queue goes on
        QCOMPARE(wave->status(), RequestStatus::Interrupted);
        scene.scheduler.advance(1000);
        QCOMPARE(greet->status(), RequestStatus::Interrupted);
        QCOMPARE(show->status(), RequestStatus::Done);
        QVERIFY(scene.character.stop(wave)); // over already: nothing to do

        Scene other;
        const auto failed = other.character.stop(show);
        QVERIFY(!failed);
        QCOMPARE(failed.error(), QStringLiteral("the request is not one of this character's"));
    }

    void loopingPlayEndsWhenAnotherRequestWaits()
    {
        Scene scene;
        scene.showFast();
        const RequestPtr processing = scene.character.play(QStringLiteral("Processing"));
        scene.scheduler.advance(5000);
        QCOMPARE(processing->status(), RequestStatus::InProgress);
        const RequestPtr wave = scene.character.play(QStringLiteral("Wave"));
        scene.scheduler.advance(1000);
        QCOMPARE(processing->status(), RequestStatus::Done);
        QCOMPARE(wave->status(), RequestStatus::Done);
        // The loop left through its exit frame before Wave began.
        const QStringList frames = scene.log->starting(QStringLiteral("frame"));
        const qsizetype firstWave = frames.indexOf(QStringLiteral("frame Wave:0"));
        QCOMPARE(frames.value(firstWave - 1), QStringLiteral("frame Processing:2"));
    }

    void showAndHideWhenAlreadyThereCompleteAtOnce()
    {
        Scene scene;
        const RequestPtr hide = scene.character.hide();
        scene.scheduler.runDue();
        QCOMPARE(hide->status(), RequestStatus::Done);
        scene.showFast();
        const RequestPtr show = scene.character.show();
        scene.scheduler.runDue();
        QCOMPARE(show->status(), RequestStatus::Done);
        QVERIFY(scene.log->starting(QStringLiteral("frame")).isEmpty());
        QVERIFY(scene.log->starting(QStringLiteral("view")).isEmpty());
    }

    void speechWhileHiddenIsSpokenWithoutBalloon()
    {
        Scene scene;
        const RequestPtr speech = scene.character.speak(QStringLiteral("Hello"));
        scene.scheduler.advance(1000);
        QCOMPARE(scene.voice->text(), QStringLiteral("Hello"));
        scene.voice->finish();
        scene.scheduler.advance(1000);
        QCOMPARE(speech->status(), RequestStatus::Done);
        QVERIFY(scene.log->starting(QStringLiteral("balloon")).isEmpty());
        QVERIFY(!scene.character.isVisible());
    }

    void thoughtShowsForItsReadingTime()
    {
        Scene scene;
        scene.showFast();
        const RequestPtr think = scene.character.think(QStringLiteral("Hmm"));
        scene.scheduler.advance(999); // three characters: the one-line minimum of 1 s
        QCOMPARE(think->status(), RequestStatus::InProgress);
        scene.scheduler.advance(1);
        QCOMPARE(think->status(), RequestStatus::Done);
        QVERIFY(!scene.voice->isSpeaking());
        QCOMPARE(scene.log->starting(QStringLiteral("balloon")), lines({"balloon thought Hmm"}));
        scene.scheduler.advance(500); // the balloon's hide delay
        QCOMPARE(scene.log->starting(QStringLiteral("balloon")),
                 lines({"balloon thought Hmm", "balloon hidden"}));
    }

    void idlingStartsOnlyWithAnEmptyQueueAndStopsForARequest()
    {
        EngineSettings settings = quietSettings();
        settings.idle = {1000, 500, 3000, 6000};
        Scene scene(standardCharacter(), settings);
        scene.showFast(); // idle since t = 0
        QVERIFY(scene.character.isIdling());

        // A request keeps the character busy: no idling meanwhile.
        const RequestPtr processing = scene.character.play(QStringLiteral("Processing"));
        QVERIFY(!scene.character.isIdling());
        scene.scheduler.advance(10000);
        QVERIFY(scene.log->lines().filter(QStringLiteral("Idle")).isEmpty());
        QVERIFY(scene.character.stop());
        scene.scheduler.advance(100); // RestPose, then idle again from here
        QVERIFY(scene.character.isIdling());
        scene.log->clear();

        // Idle animations deepen with time: level 1, then 2, then 3 (sleep, looping).
        scene.scheduler.advance(999);
        QVERIFY(scene.log->lines().isEmpty());
        scene.scheduler.advance(9000);
        const QStringList idle = scene.log->starting(QStringLiteral("frame"));
        QCOMPARE(idle.first(), QStringLiteral("frame Idle1_1:0"));
        QVERIFY(idle.contains(QStringLiteral("frame Idle2_1:0")));
        QVERIFY(idle.indexOf(QStringLiteral("frame Idle2_1:0")) >
                idle.lastIndexOf(QStringLiteral("frame Idle1_1:0")));
        QCOMPARE(idle.last(), QStringLiteral("frame Idle3_1:0"));
        QVERIFY(scene.character.player().isPlaying());

        // A request ends idling at once and replaces the sleeping animation.
        scene.log->clear();
        const RequestPtr wave = scene.character.play(QStringLiteral("Wave"));
        QVERIFY(!scene.character.isIdling());
        scene.scheduler.advance(300);
        QCOMPARE(wave->status(), RequestStatus::Done);
        QCOMPARE(scene.log->starting(QStringLiteral("frame")),
                 lines({"frame Wave:0", "frame Wave:1", "frame Wave:2"}));
    }

    void hiddenCharacterDoesNotIdle()
    {
        EngineSettings settings = quietSettings();
        settings.idle = {1000, 500, 3000, 6000};
        Scene scene(standardCharacter(), settings);
        scene.scheduler.advance(20000);
        QVERIFY(!scene.character.isIdling());
        QVERIFY(scene.log->lines().isEmpty());
    }

    void languageOfLaterSpeech()
    {
        Scene scene;
        QCOMPARE(scene.character.languageId(), 0x0409);
        QVERIFY(scene.character.setLanguageId(0x0407));
        const auto unspoken = scene.character.setLanguageId(0x0411);
        QVERIFY(!unspoken);
        QVERIFY(unspoken.error().contains(QStringLiteral("0x0411")));
        QVERIFY(!scene.character.setLanguageId(0));
        scene.character.speak(QStringLiteral("Guten Tag"));
        scene.scheduler.advance(1000);
        QCOMPARE(scene.voice->languageId(), 0x0407);
    }

    void frameSoundsPlayOnlyWhileVisible()
    {
        acs::Character character = standardCharacter();
        character.sounds = {QByteArray("chime")};
        character.animations[4].frames[1].soundIndex = 0; // Wave's second frame
        Scene scene(character);
        scene.character.play(QStringLiteral("Wave"));
        scene.scheduler.advance(1000);
        QVERIFY(scene.log->starting(QStringLiteral("sound ")).isEmpty());
        scene.showFast();
        scene.character.play(QStringLiteral("Wave"));
        scene.scheduler.advance(1000);
        QCOMPARE(scene.log->starting(QStringLiteral("frame")).size(), 3);
        QCOMPARE(scene.log->lines().filter(QStringLiteral("sound")), lines({"sound chime"}));
        QCOMPARE(scene.log->lines().indexOf(QStringLiteral("sound chime")),
                 scene.log->lines().indexOf(QStringLiteral("frame Wave:1")) + 1);
    }

    void shutdownInterruptsAndRefusesLaterRequests()
    {
        Scene scene;
        scene.showFast();
        const QList<RequestPtr> requests = {scene.character.speak(QStringLiteral("Bye")),
                                            scene.character.play(QStringLiteral("Wave"))};
        scene.scheduler.advance(1000);
        scene.character.shutdown();
        QCOMPARE(statuses(requests), QList<RequestStatus>(2, RequestStatus::Interrupted));
        QVERIFY(!scene.voice->isSpeaking());
        QVERIFY(!scene.character.isVisible());
        QVERIFY(!scene.character.play(QStringLiteral("Wave")));
        QCOMPARE(scene.scheduler.pendingCount(), 0);
    }
};

QTEST_GUILESS_MAIN(EngineCharacterTest)
#include "EngineCharacterTest.moc"
