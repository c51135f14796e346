#include "AnimationGroups.h"
#include "Gestures.h"
#include "PoseFields.h"

namespace clipvoice::characters {

namespace {

void addThinkAndExplain(Choreographer& c)
{
    const Pose& r = c.rest();
    const FigureLayout& l = c.layout();

    // Hand to the chin, looking up while thought dots appear one by one.
    const Pose chinInHand = c.handsAt(
        with(r, {.tilt = 4, .bendR = 35, .frontR = 1, .lookX = 0.6, .lookY = -0.8, .brow = -0.3}),
        {.right = l.mouthCentre + QPointF(16, 7)});
    Track think(u"Think", r);
    think.to(chinInHand, 4, 9);
    for (int i = 1; i <= 3; ++i)
        think.to(with(think.pose(), {.thought = qreal(i) / 3.0}), 1, 12);
    think.hold(40);
    c.addWithReturn(think);

    // Open arms that weigh one side against the other.
    const Pose open = with(
        r, {.armL = 80, .armR = 80, .bendL = 20, .bendR = 20, .brow = 0.6, .mouth = Mouth::Medium});
    Track explain(u"Explain", r);
    explain.to(open, 3, 8);
    explain.to(with(open, {.tilt = -3, .armL = 98, .armR = 62}), 2, 8);
    explain.to(with(open, {.tilt = 3, .armL = 62, .armR = 98}), 3, 8);
    explain.to(open, 2, 8);
    explain.hold(20);
    c.addWithReturn(explain);
}

void addGestures(Choreographer& c)
{
    const Pose& r = c.rest();
    c.addGesture(u"Uncertain",
                 with(r, {.tilt = -6,
                          .armL = 72,
                          .armR = 72,
                          .bendL = -45,
                          .bendR = -45,
                          .lookX = -0.5,
                          .lookY = -0.4,
                          .brow = -1,
                          .mouth = Mouth::Wavy,
                          .ears = -1,
                          .question = 1}),
                 30);

    // Gestures are named from the character's point of view: GestureLeft
    // points to its left, which is the right side of the screen.
    c.addGesture(u"GestureLeft",
                 with(r, {.tilt = 5,
                          .armR = 96,
                          .bendR = -8,
                          .lookX = 1,
                          .brow = 0.5,
                          .mouth = Mouth::Smile,
                          .tail = -30}),
                 20);
    c.addGesture(
        u"GestureRight",
        with(
            r,
            {.tilt = -5, .armL = 96, .bendL = -8, .lookX = -1, .brow = 0.5, .mouth = Mouth::Smile}),
        20);
    c.addGesture(u"GestureUp",
                 with(r, {.squash = -0.05,
                          .tilt = -4,
                          .armR = 145,
                          .bendR = -15,
                          .lookX = 0.3,
                          .lookY = -1,
                          .brow = 0.6,
                          .tail = -30}),
                 20);
    c.addGesture(u"GestureDown",
                 with(r, {.squash = 0.04,
                          .tilt = 4,
                          .armR = 42,
                          .bendR = -15,
                          .lookX = 0.5,
                          .lookY = 1,
                          .tail = -30}),
                 20);
}

void addLooks(Choreographer& c)
{
    const Pose& r = c.rest();
    // The head leans a little towards where the eyes look.
    const struct
    {
        const char16_t* name;
        PoseChange look;
    } looks[] = {
        {u"LookLeft", {.tilt = 3, .lookX = 1, .lookY = 0}},
        {u"LookRight", {.tilt = -3, .lookX = -1, .lookY = 0}},
        {u"LookUp", {.tilt = 0, .lookX = 0, .lookY = -1}},
        {u"LookDown", {.tilt = 0, .lookX = 0, .lookY = 1}},
    };
    for (const auto& look : looks)
        c.addHeldPose(look.name, with(r, look.look), {3, 8}, 30, {3, 8});

    Track blinking(u"Blink", r);
    blink(blinking, r);
    c.add(blinking);
}

void addListening(Choreographer& c)
{
    const Pose& r = c.rest();
    // Sound arcs by the ear, the head tilted to listen.
    const Pose listening = with(r, {.tilt = 4, .lookX = 0.3, .brow = 0.5, .ears = 1, .listen = 1});
    Track start(u"StartListening", r);
    start.to(listening, 3, 8);
    Track stop(u"StopListening", listening);
    stop.to(r, 3, 8);
    c.addWithReturn(start, stop);

    Track hearing(u"Hearing_1", r);
    hearing.to(with(listening, {.listen = 0.4}), 3, 8);
    const int first = hearing.size();
    hearing.to(listening, 2, 10, Easing::Linear);
    hearing.to(with(listening, {.tilt = 2, .listen = 0.4}), 2, 10, Easing::Linear);
    hearing.repeatFrom(first, 100);
    hearing.to(r, 3, 8);
    c.add(hearing);
}

} // namespace

void addPoses(Choreographer& c)
{
    addThinkAndExplain(c);
    addGestures(c);
    addLooks(c);
    addListening(c);
}

} // namespace clipvoice::characters
