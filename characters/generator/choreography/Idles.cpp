#include "AnimationGroups.h"
#include "Gestures.h"
#include "PoseFields.h"

#include <QtMath>

#include <cmath>

namespace clipvoice::characters {

namespace {

// Level 1: small movements.
void addGlances(Choreographer& c)
{
    const Pose& r = c.rest();
    const FigureLayout& l = c.layout();

    Track look(u"Idle1_1", r);
    blink(look, r);
    look.hold(80);
    look.to(with(r, {.lookX = -0.8}), 3, 10).hold(60);
    look.to(with(r, {.lookX = 0.8, .tail = 10}), 4, 10).hold(60);
    look.to(r, 3, 10);
    look.exitToEnd();
    c.add(look);

    Track sway(u"Idle1_2", r);
    sway.alternate(with(r, {.tilt = -4, .lookX = -0.3, .ears = 0.6}),
                   with(r, {.tilt = 4, .lookX = 0.3, .tail = 12}), 2, 4, 10);
    sway.to(r, 3, 10);
    blink(sway, r);
    sway.exitToEnd();
    c.add(sway);

    // Adjusting the sunglasses (the bubble) or washing the face (the cat).
    const Pose handUp = c.handsAt(
        with(r, {.frontR = 1, .lookY = -0.3, .eyes = Eyes::Happy, .peek = 0.45, .ears = 1}),
        {.right = l.mouthCentre + QPointF(23, -13)});
    Track tidy(u"Idle1_3", r);
    tidy.to(handUp, 3, 9);
    for (int i = 0; i < 3; ++i) {
        tidy.to(with(handUp, {.armR = handUp.armR + 8, .peek = 0.3 - 0.1 * i, .tail = 12}), 2, 8);
        tidy.to(with(handUp, {.peek = 0.2 - 0.1 * i}), 2, 8);
    }
    tidy.to(with(handUp, {.peek = 0}), 1, 8);
    tidy.to(r, 3, 9);
    tidy.exitToEnd();
    c.add(tidy);
}

// Level 2: stretching and humming.
void addStretches(Choreographer& c)
{
    const Pose& r = c.rest();

    Track yawn(u"Idle2_1", r);
    yawn.to(with(r, {.y = -2,
                     .squash = -0.12,
                     .armL = 150,
                     .armR = 150,
                     .eyeOpen = 0,
                     .brow = -0.4,
                     .mouth = Mouth::Wide4,
                     .ears = 1}),
            4, 10);
    yawn.hold(40);
    yawn.to(with(r, {.squash = 0.04, .eyeOpen = 0.6}), 4, 10);
    yawn.to(r, 2, 10);
    yawn.exitToEnd();
    c.add(yawn);

    Track hum(u"Idle2_2", r);
    hum.alternate(
        with(r, {.y = -1, .tilt = -6, .armL = 45, .armR = 12, .eyes = Eyes::Happy, .tail = 15}),
        with(r, {.y = -1, .tilt = 6, .armL = 12, .armR = 45, .eyes = Eyes::Happy, .tail = -10}), 3,
        4, 10);
    hum.to(r, 3, 10);
    hum.exitToEnd();
    c.add(hum);
}

// Level 3: falling asleep; snoozes until stopped, then wakes with a start.
void addSleep(Choreographer& c)
{
    const Pose& r = c.rest();
    const Pose asleep = with(r, {.y = 3,
                                 .squash = 0.05,
                                 .tilt = 5,
                                 .armL = 8,
                                 .armR = 8,
                                 .eyeOpen = 0,
                                 .peek = 1,
                                 .mouth = Mouth::Sleepy,
                                 .ears = -0.6,
                                 .tail = -10,
                                 .zzz = 1});
    Track sleep(u"Idle3_1", r);
    sleep.to(with(r, {.y = 2, .squash = 0.04, .eyeOpen = 0.5, .brow = -0.2, .peek = 0.7}), 4, 12);
    sleep.to(with(asleep, {.zzz = 0.3}), 3, 12);
    const int first = sleep.size();
    for (int i = 1; i <= 8; ++i) {
        const qreal breath = std::sin(2 * M_PI * i / 8.0);
        sleep.to(with(asleep, {.y = 3 - breath,
                               .squash = 0.05 + 0.03 * breath,
                               .phase = i == 8 ? 0.0 : qreal(i) / 8.0}),
                 1, 12, Easing::Linear);
    }
    sleep.repeatFrom(first, 100);
    sleep.to(with(r, {.y = -5,
                      .squash = -0.1,
                      .eyes = Eyes::Wide,
                      .brow = 1,
                      .peek = -0.5,
                      .mouth = Mouth::Oh,
                      .ears = 1}),
             2, 7);
    sleep.to(r, 3, 8);
    c.add(sleep);
}

} // namespace

void addIdles(Choreographer& c)
{
    addGlances(c);
    addStretches(c);
    addSleep(c);
}

} // namespace clipvoice::characters
