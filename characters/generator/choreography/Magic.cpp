#include "AnimationGroups.h"
#include "Gestures.h"
#include "PoseFields.h"

namespace clipvoice::characters {

void addMagic(Choreographer& c)
{
    const Pose& r = c.rest();
    // The cat's tail swings out of the wand's way.
    const Pose holding = with(r, {.armR = 60, .brow = 0.5, .tail = -30, .wand = 1});

    // Raises the wand and waves it twice in a shower of sparkles.
    Track one(u"DoMagic1", r);
    one.to(holding, 3, 8);
    one.to(with(holding, {.squash = -0.06,
                          .armR = 165,
                          .bendR = 10,
                          .eyes = Eyes::Happy,
                          .mouth = Mouth::Smile,
                          .sparkles = 1,
                          .phase = 0.5}),
           3, 8)
        .sound(u"chime");
    for (int i = 0; i < 2; ++i) {
        const qreal phase = one.pose().phase;
        one.to(with(one.pose(), {.armR = 140, .phase = phase + 0.5}), 2, 7);
        one.to(with(one.pose(), {.armR = 168, .phase = phase + 1.0}), 2, 7);
    }
    one.to(with(one.pose(), {.sparkles = 0, .phase = one.pose().phase + 0.5}), 2, 8);
    // The wand vanishes while still raised, so it never sweeps past the edge.
    one.to(with(one.pose(), {.wand = 0}), 2, 8);
    one.to(r, 4, 8);
    c.add(one);

    // A surprised flick of the wand, then stars to the beat.
    Track two(u"DoMagic2", r);
    two.to(with(holding, {.armR = 150, .bendR = 10}), 3, 8);
    two.to(with(holding, {.squash = 0.06,
                          .tilt = 6,
                          .armR = 132,
                          .bendR = -10,
                          .eyes = Eyes::Wide,
                          .mouth = Mouth::Oh,
                          .sparkles = 1,
                          .stars = 0.6}),
           2, 6)
        .sound(u"chime");
    const Pose starry = with(two.pose(), {.squash = 0,
                                          .tilt = 0,
                                          .eyes = Eyes::Happy,
                                          .blush = 0.5,
                                          .mouth = Mouth::Smile,
                                          .stars = 1});
    beats(
        two, starry,
        {{.armR = 142}, {.armR = 132}, {.armR = 142}, {.armR = 132}, {.armR = 142}, {.armR = 132}},
        1, 8, Easing::Linear);
    two.to(with(two.pose(), {.wand = 0, .sparkles = 0, .stars = 0, .phase = 1.75}), 2, 8);
    two.to(r, 4, 8);
    c.add(two);
}

} // namespace clipvoice::characters
