#include "AnimationGroups.h"
#include "PoseFields.h"

namespace clipvoice::characters {

void addShowAndHide(Choreographer& c)
{
    const Pose& r = c.rest();

    // Pops up small, overshoots and settles with a happy squint.
    Track show(u"Show", with(r, {.scale = 0.3, .squash = 0.1}));
    show.hold(5).sound(u"pop");
    show.to(with(r, {.scale = 0.55, .squash = -0.1}), 1, 5);
    show.to(with(r, {.y = -3, .scale = 1.06, .squash = -0.12}), 1, 6);
    show.to(with(r, {.squash = 0.12}), 1, 6);
    show.to(with(r, {.squash = -0.05, .eyes = Eyes::Happy}), 1, 6);
    show.to(with(r, {.squash = 0.02, .eyes = Eyes::Happy}), 1, 6);
    show.to(r, 2, 7).hold(10);
    c.add(show);

    // Crouches, springs up and spins away to nothing.
    Track hide(u"Hide", r);
    hide.to(with(r, {.squash = 0.14, .eyeOpen = 0.1}), 2, 7);
    hide.to(with(r, {.y = -6, .squash = -0.2, .eyes = Eyes::Happy}), 2, 6).sound(u"whoosh");
    hide.to(with(r, {.y = -10, .scale = 0.65, .tilt = 25, .eyes = Eyes::Happy}), 1, 6);
    hide.to(with(r, {.y = -14, .scale = 0.32, .tilt = 60}), 1, 6);
    hide.to(with(r, {.scale = 0}), 1, 6);
    c.add(hide);
}

void addRestAndSpeak(Choreographer& c)
{
    const Pose& r = c.rest();
    Track rest(u"RestPose", r);
    rest.hold(10).mouthsOnEveryFrame();
    c.add(rest);

    // The engine plays this before speaking and speaks on its held last frame,
    // so it is short: a quick perk up, then the rest pose, mouths on every frame.
    Track speak(u"Speak", r);
    speak.to(with(r, {.y = -2.5, .squash = -0.05, .brow = 0.3}), 2, 7);
    speak.to(r, 2, 7).mouthsOnEveryFrame();
    c.add(speak);
}

} // namespace clipvoice::characters
