// The pieces the character generator builds its animations from: pose changes
// and blending, and the frames, loops and returns that Track and Choreographer
// make of a few key poses.

#include "BubbleFigure.h"
#include "PoseFields.h"
#include "choreography/Choreographer.h"
#include "choreography/Gestures.h"
#include "choreography/Track.h"

#include <QTest>

using namespace clipvoice::characters;

namespace {

// The index of the frame each frame of `plan` jumps to when stopped.
QList<int> exitFrames(const AnimationPlan& plan)
{
    QList<int> exits;
    for (const FramePlan& f : plan.frames)
        exits.append(f.exitFrame);
    return exits;
}

} // namespace

class ChoreographyTest : public QObject
{
    Q_OBJECT

private slots:
    void changeReplacesOnlyTheNamedFields();
    void mixBlendsNumbersAndSwitchesTheRestHalfWay();
    void toEndsOnItsTargetAndEasesInAndOut();
    void alternateAndWaveGoBackAndForth();
    void repeatedFramesBranchBackAndExitAfterTheLoop();
    void exitToEndJumpsToTheLastFrame();
    void beatsAdvanceThePhaseAQuarterEach();
    void returnsAndHeldPosesEndAtRest();
};

void ChoreographyTest::changeReplacesOnlyTheNamedFields()
{
    const Pose base = with(Pose{}, {.y = 5, .armR = 70, .mouth = Mouth::Smile});
    const Pose p = with(base, {.armR = 150, .eyes = Eyes::Wide, .phase = 0.25});
    QCOMPARE(p.armR, 150.0);
    QCOMPARE(p.eyes, Eyes::Wide);
    QCOMPARE(p.phase, 0.25);
    // Everything not named keeps the base's value, defaults included.
    QCOMPARE(p.y, 5.0);
    QCOMPARE(p.mouth, Mouth::Smile);
    QCOMPARE(p.armL, Pose{}.armL);
    QCOMPARE(p.scale, 1.0);
    // A change that names nothing changes nothing.
    const Pose same = with(base, {});
    QCOMPARE(same.armR, 70.0);
    QCOMPARE(same.mouth, Mouth::Smile);
}

void ChoreographyTest::mixBlendsNumbersAndSwitchesTheRestHalfWay()
{
    const Pose a = with(Pose{}, {.tilt = -10, .eyes = Eyes::Normal, .mouth = Mouth::Closed});
    const Pose b = with(Pose{}, {.tilt = 30, .eyes = Eyes::Happy, .mouth = Mouth::Oh, .zzz = 1});

    const Pose quarter = mix(a, b, 0.25);
    QCOMPARE(quarter.tilt, 0.0);
    QCOMPARE(quarter.zzz, 0.25);
    QCOMPARE(quarter.eyes, Eyes::Normal);
    QCOMPARE(quarter.mouth, Mouth::Closed);

    const Pose half = mix(a, b, 0.5);
    QCOMPARE(half.tilt, 10.0);
    QCOMPARE(half.eyes, Eyes::Happy);
    QCOMPARE(half.mouth, Mouth::Oh);

    QCOMPARE(mix(a, b, 0).tilt, -10.0);
    QCOMPARE(mix(a, b, 1).tilt, 30.0);
    // Fields the same in both poses stay as they are.
    QCOMPARE(half.scale, 1.0);
    QCOMPARE(half.armL, Pose{}.armL);
}

void ChoreographyTest::toEndsOnItsTargetAndEasesInAndOut()
{
    const Pose target = with(Pose{}, {.y = -8});
    Track smooth(u"Smooth", Pose{});
    smooth.to(target, 4, 7);
    QCOMPARE(smooth.size(), 4);
    QCOMPARE(smooth.plan().frames.last().pose.y, -8.0);
    QCOMPARE(smooth.plan().frames.first().duration, 7);
    // Eased: the first quarter of the time covers less than a quarter of the way.
    QVERIFY(smooth.plan().frames.first().pose.y > -2.0);
    QVERIFY(smooth.plan().frames.first().pose.y < 0.0);

    Track even(u"Even", Pose{});
    even.to(target, 4, 7, Easing::Linear);
    QCOMPARE(even.plan().frames.first().pose.y, -2.0);
    QCOMPARE(even.pose().y, -8.0);
}

void ChoreographyTest::alternateAndWaveGoBackAndForth()
{
    const Pose left = with(Pose{}, {.tilt = -5});
    const Pose right = with(Pose{}, {.tilt = 5});
    Track t(u"Sway", Pose{});
    t.alternate(left, right, 3, 2, 9);
    QCOMPARE(t.size(), 12);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(t.plan().frames[4 * i + 1].pose.tilt, -5.0);
        QCOMPARE(t.plan().frames[4 * i + 3].pose.tilt, 5.0);
    }

    const Pose up = with(Pose{}, {.armR = 150});
    const Pose down = with(Pose{}, {.armR = 120});
    Track w(u"Wave", Pose{});
    wave(w, up, down);
    // Three frames up, then three times down and back up in two frames each.
    QCOMPARE(w.size(), 3 + 3 * 4);
    QCOMPARE(w.plan().frames[2].pose.armR, 150.0);
    QCOMPARE(w.plan().frames[4].pose.armR, 120.0);
    QCOMPARE(w.pose().armR, 150.0);
}

void ChoreographyTest::repeatedFramesBranchBackAndExitAfterTheLoop()
{
    Track t(u"Loop", Pose{});
    t.hold(10).hold(10);
    const int first = t.size();
    t.hold(10).hold(10).hold(10);
    t.repeatFrom(first, 60);
    t.to(with(Pose{}, {.y = 3}), 2, 8);

    const AnimationPlan& plan = t.plan();
    QCOMPARE(plan.transition, QStringLiteral("exitBranching"));
    QCOMPARE(plan.frames[4].branches.size(), 1);
    QCOMPARE(plan.frames[4].branches.first().frame, 2);
    QCOMPARE(plan.frames[4].branches.first().probability, 60);
    // Stopping in or before the loop jumps to the frame after it; the frames
    // after the loop play on to the end.
    QCOMPARE(exitFrames(plan), (QList<int>{5, 5, 5, 5, 5, -1, -1}));
}

void ChoreographyTest::exitToEndJumpsToTheLastFrame()
{
    Track t(u"Idle", Pose{});
    t.hold(10).hold(10).hold(10).exitToEnd();
    QCOMPARE(t.plan().transition, QStringLiteral("exitBranching"));
    QCOMPARE(exitFrames(t.plan()), (QList<int>{2, 2, -1}));
}

void ChoreographyTest::beatsAdvanceThePhaseAQuarterEach()
{
    Track t(u"Beats", Pose{});
    beats(t, with(Pose{}, {.stars = 1}), {{.y = -4}, {.y = 0}, {.y = -4}}, 1, 8);
    QCOMPARE(t.size(), 3);
    QCOMPARE(t.plan().frames[0].pose.phase, 0.25);
    QCOMPARE(t.plan().frames[1].pose.phase, 0.5);
    QCOMPARE(t.plan().frames[2].pose.phase, 0.75);
    QCOMPARE(t.plan().frames[0].pose.y, -4.0);
    QCOMPARE(t.plan().frames[1].pose.y, 0.0);
    QCOMPARE(t.plan().frames[2].pose.stars, 1.0);
}

void ChoreographyTest::returnsAndHeldPosesEndAtRest()
{
    const BubbleFigure figure;
    Choreographer c(figure);
    const Pose raised = with(c.rest(), {.armR = 150});
    c.addGesture(u"GestureUp", raised, 20);
    c.addHeldPose(u"Alert", raised, {2, 6}, 30, {3, 8});
    const QList<AnimationPlan> plans = c.take();
    QCOMPARE(plans.size(), 3);

    const AnimationPlan& gesture = plans[0];
    const AnimationPlan& back = plans[1];
    QCOMPARE(gesture.name, QStringLiteral("GestureUp"));
    QCOMPARE(gesture.transition, QStringLiteral("return"));
    QCOMPARE(gesture.returnAnimation, QStringLiteral("GestureUpReturn"));
    QCOMPARE(gesture.frames.size(), 4 + 1);
    QCOMPARE(gesture.frames.last().pose.armR, 150.0);
    QCOMPARE(gesture.frames.last().duration, 20);
    QCOMPARE(back.name, QStringLiteral("GestureUpReturn"));
    QCOMPARE(back.frames.last().pose.armR, c.rest().armR);

    const AnimationPlan& held = plans[2];
    QCOMPARE(held.name, QStringLiteral("Alert"));
    QCOMPARE(held.transition, QStringLiteral("none"));
    QCOMPARE(held.frames.size(), 2 + 1 + 3);
    QCOMPARE(held.frames[2].duration, 30);
    QCOMPARE(held.frames[2].pose.armR, 150.0);
    QCOMPARE(held.frames.last().pose.armR, c.rest().armR);
}

QTEST_GUILESS_MAIN(ChoreographyTest)
#include "ChoreographyTest.moc"
