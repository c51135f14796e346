#include "TestCharacters.h"

#include "agent/engine/AnimationPlayer.h"
#include "agent/engine/testing/MemoryCharacterSource.h"
#include "agent/timing/testing/ManualScheduler.h"
#include "platform/agent/SeededRandom.h"
#include "platform/agent/testing/ScriptedRandom.h"

#include <QTest>

using namespace clipvoice::agent;
using namespace clipvoice::agent::engine;
using namespace clipvoice::agent::engine::testing;
using clipvoice::agent::timing::testing::ManualScheduler;
using namespace clipvoice::agent::engine::test;
using clipvoice::platform::SeededRandom;
using clipvoice::platform::testing::ScriptedRandom;
using Ending = AnimationPlayer::Ending;

namespace {

acs::Character characterWith(QList<acs::Animation> animations)
{
    acs::Character c;
    c.animations = std::move(animations);
    return c;
}

// A player on a hand-driven clock that records "<ms> <frame key>" for every
// frame shown and "<ms> completed|stopped" for every end.
struct Stage
{
    explicit Stage(acs::Character character, QList<int> draws = {})
        : random(std::move(draws))
        , source(std::move(character))
        , player(source, scheduler, random)
    {
        player.setFrameListener([this](const QString&, int, const QImage& image) {
            log.append(QStringLiteral("%1 %2")
                           .arg(scheduler.now())
                           .arg(image.text(QStringLiteral("frame"))));
        });
    }

    AnimationPlayer::Options recordingEnd()
    {
        AnimationPlayer::Options options;
        options.onEnd = [this](Ending ending) {
            log.append(QStringLiteral("%1 %2")
                           .arg(scheduler.now())
                           .arg(ending == Ending::Completed ? QStringLiteral("completed")
                                                            : QStringLiteral("stopped")));
        };
        return options;
    }

    bool play(const QString& name) { return player.play(name, recordingEnd()); }

    ManualScheduler scheduler;
    ScriptedRandom random;
    MemoryCharacterSource source;
    AnimationPlayer player;
    QStringList log;
};

} // namespace

class AnimationPlayerTest : public QObject
{
    Q_OBJECT

private slots:
    void framesShowForTheirDurations()
    {
        Stage stage(
            characterWith({animation(QStringLiteral("A"), {frame(10), frame(25), frame(5)})}));
        QVERIFY(stage.play(QStringLiteral("a"))); // letter case does not matter
        QVERIFY(stage.log.isEmpty());             // nothing happens inside the call
        stage.scheduler.advance(1000);
        QCOMPARE(stage.log, lines({"0 A:0", "100 A:1", "350 A:2", "400 completed"}));
        QVERIFY(!stage.player.isPlaying());
    }

    void missingAnimationLeavesTheCurrentOnePlaying()
    {
        Stage stage(standardCharacter());
        QVERIFY(stage.play(QStringLiteral("Wave")));
        stage.scheduler.advance(50);
        QVERIFY(!stage.player.play(QStringLiteral("NoSuchAnimation"), {}));
        stage.scheduler.advance(1000);
        QCOMPARE(stage.log, lines({"0 Wave:0", "100 Wave:1", "200 Wave:2", "300 completed"}));
    }

    void branchesAreTakenByRunningTotal()
    {
        struct Case
        {
            QList<acs::Branch> branches;
            int draw;
            QString second; // the frame shown after frame 0
        };
        const QList<Case> cases = {
            {{{2, 30}, {3, 20}}, 0, QStringLiteral("B:2")},
            {{{2, 30}, {3, 20}}, 29, QStringLiteral("B:2")},
            {{{2, 30}, {3, 20}}, 30, QStringLiteral("B:3")},
            {{{2, 30}, {3, 20}}, 49, QStringLiteral("B:3")},
            {{{2, 30}, {3, 20}}, 50, QStringLiteral("B:1")}, // none taken: next frame
            // A target past the last frame is ignored along with its share.
            {{{9, 100}, {2, 80}}, 85, QStringLiteral("B:1")},
            // The running total stops at 100 however large the percentages.
            {{{2, 80}, {3, 80}}, 99, QStringLiteral("B:3")},
            {{{2, 60000}, {3, 80}}, 99, QStringLiteral("B:2")},
        };
        for (const Case& c : cases) {
            Stage stage(
                characterWith({animation(QStringLiteral("B"), {frame(10, c.branches), frame(10),
                                                               frame(10), frame(10)})}),
                {c.draw});
            QVERIFY(stage.play(QStringLiteral("B")));
            stage.scheduler.advance(100);
            QCOMPARE(stage.log.value(1), QStringLiteral("100 ") + c.second);
        }
    }

    void framesWithoutBranchesDrawNothing()
    {
        Stage stage(standardCharacter());
        QVERIFY(stage.play(QStringLiteral("Wave")));
        stage.scheduler.advance(1000);
        QCOMPARE(stage.random.draws, 0);
    }

    void seededGeneratorGivesTheExpectedBranchSequence()
    {
        // Each frame branches with 50 %: 0 -> 2, 1 -> 0, 2 -> 1; leaving frame 2
        // without a branch ends the animation.
        const acs::Character character = characterWith(
            {animation(QStringLiteral("C"),
                       {frame(10, {{2, 50}}), frame(10, {{0, 50}}), frame(10, {{1, 50}})})});
        const auto run = [&character](quint32 seed) {
            ManualScheduler scheduler;
            SeededRandom random(seed);
            MemoryCharacterSource source(character);
            AnimationPlayer player(source, scheduler, random);
            QList<int> frames;
            player.setFrameListener(
                [&frames](const QString&, int index, const QImage&) { frames.append(index); });
            player.play(QStringLiteral("C"));
            scheduler.advance(100000);
            return frames;
        };
        // Worked out separately from the first draws of std::mt19937 with these seeds.
        QCOMPARE(run(27), (QList<int>{0, 2, 1, 0, 2, 1, 2, 1, 0, 1, 2}));
        QCOMPARE(run(8), (QList<int>{0, 2, 1, 2, 1, 0, 1, 0, 2}));
    }

    void seededBranchesHonourTheirPercentages()
    {
        // Frame 0 branches to frame 2 with 30 % and to frame 3 with 20 %.
        const acs::Character character = characterWith({animation(
            QStringLiteral("D"), {frame(1, {{2, 30}, {3, 20}}), frame(1), frame(1), frame(1)})});
        ManualScheduler scheduler;
        SeededRandom random(7);
        MemoryCharacterSource source(character);
        AnimationPlayer player(source, scheduler, random);
        int second = -1;
        int shown = 0;
        player.setFrameListener([&](const QString&, int index, const QImage&) {
            if (shown++ == 1)
                second = index;
        });
        QList<int> counts(4, 0);
        const int runs = 10000;
        for (int i = 0; i < runs; ++i) {
            shown = 0;
            player.play(QStringLiteral("D"));
            scheduler.advance(100);
            ++counts[second];
        }
        QVERIFY2(qAbs(counts[2] - 3000) < 300, qPrintable(QString::number(counts[2])));
        QVERIFY2(qAbs(counts[3] - 2000) < 300, qPrintable(QString::number(counts[3])));
        QVERIFY2(qAbs(counts[1] - 5000) < 300, qPrintable(QString::number(counts[1])));
    }

    void loopingAnimationPlaysUntilStopped()
    {
        Stage stage(standardCharacter());
        QVERIFY(stage.play(QStringLiteral("Processing")));
        stage.scheduler.advance(10000);
        QVERIFY(stage.player.isPlaying());
        QVERIFY(stage.player.hasLooped());
        QVERIFY(!stage.log.last().endsWith(QStringLiteral("completed")));
    }

    void exitBranchesEndALoopingAnimation()
    {
        Stage stage(standardCharacter());
        QVERIFY(stage.play(QStringLiteral("Processing")));
        stage.scheduler.advance(250); // frame 0 again, after one loop
        stage.player.stop();
        stage.scheduler.advance(1000);
        QCOMPARE(stage.log, lines({"0 Processing:0", "100 Processing:1", "200 Processing:0",
                                   "300 Processing:1", "400 Processing:2", "500 stopped"}));
    }

    void exitWalkIsCapped()
    {
        // Frame 1's exit target is itself: the exit path never reaches the end.
        Stage stage(characterWith(
            {animation(QStringLiteral("Stuck"), {frame(10), frame(10, {{0, 100}}, 1), frame(10)},
                       acs::TransitionType::ExitBranching)}));
        QVERIFY(stage.play(QStringLiteral("Stuck")));
        stage.scheduler.advance(150);
        stage.player.stop();
        stage.scheduler.advance(100000);
        QVERIFY(!stage.player.isPlaying());
        QCOMPARE(stage.log.last().section(u' ', 1), QStringLiteral("stopped"));
        // At most ExitStepsPerFrame steps per frame after the stop.
        QVERIFY(stage.log.size() <= 2 + 3 * AnimationPlayer::ExitStepsPerFrame + 1);
    }

    void stopWithoutExitBranchingEndsAtOnce()
    {
        Stage stage(standardCharacter());
        QVERIFY(stage.play(QStringLiteral("Wave")));
        stage.scheduler.advance(150);
        stage.player.stop();
        QVERIFY(stage.player.isPlaying()); // the end is told on the next turn
        stage.scheduler.advance(1000);
        QCOMPARE(stage.log, lines({"0 Wave:0", "100 Wave:1", "150 stopped"}));
    }

    void returnAnimationPlaysAfterTheEnd()
    {
        Stage stage(standardCharacter());
        QVERIFY(stage.play(QStringLiteral("Greet")));
        stage.scheduler.advance(1000);
        QCOMPARE(stage.log,
                 lines({"0 Greet:0", "100 Greet:1", "200 GreetReturn:0", "300 completed"}));

        stage.log.clear();
        QVERIFY(stage.play(QStringLiteral("Greet")));
        stage.scheduler.advance(50);
        stage.player.stop();
        stage.scheduler.advance(1000);
        QCOMPARE(stage.log, lines({"1000 Greet:0", "1050 GreetReturn:0", "1150 stopped"}));
    }

    void returnOfAReturnIsNotFollowed()
    {
        // A and B name each other as return animation.
        Stage stage(
            characterWith({animation(QStringLiteral("A"), {frame(10)},
                                     acs::TransitionType::ReturnAnimation, QStringLiteral("B")),
                           animation(QStringLiteral("B"), {frame(10)},
                                     acs::TransitionType::ReturnAnimation, QStringLiteral("A"))}));
        QVERIFY(stage.play(QStringLiteral("A")));
        stage.scheduler.advance(10000);
        QCOMPARE(stage.log, lines({"0 A:0", "100 B:0", "200 completed"}));
    }

    void zeroDurationFramesAdvanceAtOnce()
    {
        acs::Frame hidden = frame(0);
        hidden.images.clear(); // a pure branching frame: never shown
        Stage stage(characterWith({animation(QStringLiteral("Z"), {frame(0), hidden, frame(10)})}));
        QVERIFY(stage.play(QStringLiteral("Z")));
        stage.scheduler.advance(1000);
        QCOMPARE(stage.log, lines({"0 Z:0", "0 Z:2", "100 completed"}));
    }

    void zeroDurationLoopDoesNotHang()
    {
        Stage stage(characterWith({animation(QStringLiteral("Spin"), {frame(0, {{0, 100}})})}));
        QVERIFY(stage.play(QStringLiteral("Spin")));
        stage.scheduler.runDue();
        QCOMPARE(stage.log.size(), AnimationPlayer::MaxStepsPerTick);
        QCOMPARE(stage.scheduler.nextDelay(), AnimationPlayer::ZeroLoopDelayMs);
        stage.player.stop();
        stage.scheduler.advance(1000);
        QCOMPARE(stage.log.last(), QStringLiteral("0 stopped"));
    }

    void branchOnlyLoopWithoutImagesWaitsBetweenRounds()
    {
        // A frame with no image and no duration whose only branch leads back to
        // itself: nothing is shown, and the loop yields to the clock.
        acs::Frame point;
        point.duration = 0;
        point.branches = {{0, 100}};
        Stage stage(characterWith({animation(QStringLiteral("Reading"), {point})}));
        QVERIFY(stage.play(QStringLiteral("Reading")));
        stage.scheduler.advance(1000);
        QVERIFY(stage.log.isEmpty());
        QVERIFY(stage.player.isPlaying());
        QVERIFY(stage.player.hasLooped());
        QCOMPARE(stage.scheduler.nextDelay(), AnimationPlayer::ZeroLoopDelayMs);
        stage.player.stop();
        stage.scheduler.advance(AnimationPlayer::ZeroLoopDelayMs);
        QCOMPARE(stage.log, lines({"1000 stopped"}));
    }

    void unplayableAnimationsAreSkipped()
    {
        Stage stage(standardCharacter());
        stage.source.setUnplayable(QStringLiteral("GreetReturn"));
        stage.source.setUnplayable(QStringLiteral("Wave"));
        QVERIFY(!stage.play(QStringLiteral("Wave")));
        QVERIFY(!stage.player.isPlaying());
        // The return animation cannot play: the animation ends on its own frames.
        QVERIFY(stage.play(QStringLiteral("Greet")));
        stage.scheduler.advance(1000);
        QCOMPARE(stage.log, lines({"0 Greet:0", "100 Greet:1", "200 completed"}));
        QVERIFY(!stage.player.isPlaying());
    }

    void heldLastFrameShowsMouthShapesUntilReleased()
    {
        Stage stage(standardCharacter());
        int held = 0;
        AnimationPlayer::Options options = stage.recordingEnd();
        options.holdLastFrame = true;
        options.onHeld = [&held] { ++held; };
        QVERIFY(stage.player.play(QStringLiteral("Speak"), options));
        stage.scheduler.advance(50);
        stage.player.setMouthShape(2); // frame 0 has no mouth overlays: not shown again
        stage.scheduler.advance(5000);
        QCOMPARE(held, 1);
        QVERIFY(stage.player.isHolding());
        stage.player.setMouthShape(4);
        stage.player.setMouthShape(4); // no change, nothing shown
        stage.player.setMouthShape(-1);
        stage.player.release();
        stage.scheduler.advance(10);
        QCOMPARE(stage.log, lines({"0 Speak:0", "100 Speak:1:m2", "5050 Speak:1:m4", "5050 Speak:1",
                                   "5050 completed"}));
    }

    void abortAndReplacementAreSilent()
    {
        Stage stage(standardCharacter());
        QVERIFY(stage.play(QStringLiteral("Wave")));
        stage.scheduler.advance(150);
        QVERIFY(stage.play(QStringLiteral("Greet"))); // Wave is cut off without an end
        stage.scheduler.advance(50);
        stage.player.abort();
        stage.scheduler.advance(1000);
        QCOMPARE(stage.log, lines({"0 Wave:0", "100 Wave:1", "150 Greet:0"}));
        QVERIFY(!stage.player.isPlaying());
    }
};

QTEST_GUILESS_MAIN(AnimationPlayerTest)
#include "AnimationPlayerTest.moc"
