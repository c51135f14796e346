#include "AnimationGroups.h"
#include "Gestures.h"
#include "PoseFields.h"

namespace clipvoice::characters {

void addGreetings(Choreographer& c)
{
    const Pose& r = c.rest();

    // A happy bow, then a wave.
    Track greet(u"Greet", r);
    greet.to(with(r, {.y = 2,
                      .squash = 0.1,
                      .armL = 5,
                      .armR = 5,
                      .eyes = Eyes::Happy,
                      .blush = 0.6,
                      .mouth = Mouth::Smile}),
             3, 8);
    greet.hold(20);
    const Pose greetUp =
        with(r, {.tilt = -3, .armR = 150, .bendR = 20, .eyes = Eyes::Happy, .mouth = Mouth::Smile});
    wave(greet, greetUp, with(greetUp, {.armR = 128, .bendR = -25}));
    greet.to(r, 4, 8);
    c.add(greet);

    Track waving(u"Wave", r);
    const Pose waveUp = with(r, {.armR = 155, .bendR = 15, .brow = 0.4, .mouth = Mouth::Smile});
    wave(waving, waveUp, with(waveUp, {.tilt = 2, .armR = 125, .bendR = -25}));
    waving.to(r, 3, 8);
    c.add(waving);

    // Both arms up, swinging from side to side.
    Track attention(u"GetAttention", r);
    const Pose up = with(r, {.y = -4,
                             .squash = -0.08,
                             .armL = 160,
                             .armR = 160,
                             .eyes = Eyes::Wide,
                             .brow = 1,
                             .mouth = Mouth::Smile});
    attention.to(up, 3, 7);
    attention.alternate(with(up, {.y = 0, .squash = 0.05, .armL = 135, .armR = 175, .bendL = 20}),
                        with(up, {.armL = 175, .armR = 135, .bendR = 20}), 2, 2, 7);
    attention.to(r, 4, 8);
    c.add(attention);
}

} // namespace clipvoice::characters
