#include "AnimationGroups.h"
#include "Gestures.h"
#include "PoseFields.h"

namespace clipvoice::characters {

namespace {

void addAnnounce(Choreographer& c)
{
    const Pose& r = c.rest();
    const FigureLayout& l = c.layout();
    // Blows a horn held to the mouth.
    const Pose horn = c.handsAt(with(r, {.squash = -0.08,
                                         .bendR = 30,
                                         .frontR = 1,
                                         .eyes = Eyes::Happy,
                                         .brow = 1,
                                         .mouth = Mouth::Narrow,
                                         .horn = 1}),
                                {.right = l.mouthCentre + QPointF(13, 3)});
    Track announce(u"Announce", r);
    announce.to(with(r, {.squash = 0.1, .armR = 40}), 2, 8);
    announce.to(horn, 3, 8).sound(u"fanfare");
    beats(announce, with(horn, {.stars = 1}),
          {{.squash = -0.04}, {.squash = -0.1}, {.squash = -0.04}, {.squash = -0.1}}, 1, 9,
          Easing::Linear);
    announce.to(with(horn, {.stars = 0, .phase = 1.25}), 2, 8);
    announce.to(r, 4, 8);
    c.add(announce);
}

void addPleased(Choreographer& c)
{
    const Pose& r = c.rest();
    // Hops for joy, arms swinging up with each hop.
    const Pose happy = with(r, {.armL = 40,
                                .armR = 40,
                                .eyes = Eyes::Happy,
                                .blush = 1,
                                .mouth = Mouth::Smile,
                                .stars = 1});
    Track pleased(u"Pleased", r);
    pleased.to(happy, 3, 8);
    beats(pleased, happy,
          {{.y = -6, .squash = -0.1, .armL = 70, .armR = 70},
           {.y = 0, .squash = 0.1, .armL = 40, .armR = 40},
           {.y = -5, .squash = -0.08, .armL = 70, .armR = 70},
           {.y = 0, .squash = 0.06, .armL = 40, .armR = 40}},
          2, 7);
    pleased.to(with(happy, {.phase = 1.25}), 1, 12).hold(10);
    pleased.to(r, 3, 8);
    c.add(pleased);
}

void addSuggest(Choreographer& c)
{
    const Pose& r = c.rest();
    // A light bulb lights up over the raised hand.
    const Pose idea = with(r, {.armR = 150,
                               .bendR = -30,
                               .eyes = Eyes::Wide,
                               .brow = 1,
                               .peek = -0.6,
                               .mouth = Mouth::Smile,
                               .bulb = 1});
    Track suggest(u"Suggest", r);
    suggest.to(with(idea, {.squash = 0.06, .bulb = 0.5}), 2, 7).sound(u"pop");
    suggest.to(idea, 2, 7);
    suggest.hold(30);
    suggest.to(with(idea, {.y = -3, .squash = -0.06}), 2, 7);
    suggest.to(idea, 2, 7);
    suggest.to(r, 4, 8);
    c.add(suggest);
}

void addSurprised(Choreographer& c)
{
    const Pose& r = c.rest();
    // Ducks, then jumps with a start.
    const Pose shock = with(r, {.y = -8,
                                .squash = -0.15,
                                .armL = 80,
                                .armR = 80,
                                .eyes = Eyes::Wide,
                                .brow = 1,
                                .peek = -1,
                                .mouth = Mouth::Oh,
                                .ears = 1,
                                .exclaim = 1});
    Track surprised(u"Surprised", r);
    surprised.to(with(r, {.squash = 0.12, .eyeOpen = 0.5}), 1, 6);
    surprised.to(shock, 2, 6).sound(u"boing");
    surprised.to(with(shock, {.y = 0, .squash = 0.08}), 2, 6);
    surprised.to(with(shock, {.y = 0, .squash = 0}), 1, 6);
    surprised.hold(30);
    surprised.to(r, 4, 8);
    c.add(surprised);
}

void addCongratulate(Choreographer& c)
{
    const Pose& r = c.rest();
    // Cheers with both arms up, bouncing under the stars.
    const Pose cheer = with(r, {.y = -5,
                                .squash = -0.1,
                                .armL = 165,
                                .armR = 165,
                                .eyes = Eyes::Happy,
                                .blush = 0.7,
                                .mouth = Mouth::Smile,
                                .stars = 1});
    const PoseChange down{.y = 0, .squash = 0.06, .armL = 140, .armR = 140};
    const PoseChange up{.y = -5, .squash = -0.1, .armL = 165, .armR = 165};
    Track congratulate(u"Congratulate", r);
    congratulate.to(cheer, 3, 7).sound(u"chime");
    beats(congratulate, cheer, {down, up, down, up}, 2, 7);
    congratulate.to(r, 4, 8);
    c.add(congratulate);
}

} // namespace

void addMoods(Choreographer& c)
{
    const Pose& r = c.rest();
    addAnnounce(c);
    addPleased(c);
    addSuggest(c);
    addSurprised(c);

    c.addHeldPose(
        u"Alert",
        with(r,
             {.squash = -0.1, .eyes = Eyes::Wide, .brow = 1, .peek = -1, .ears = 1, .exclaim = 1}),
        {2, 6}, 30, {3, 8});
    c.addHeldPose(u"Sad",
                  with(r, {.y = 3,
                           .squash = 0.06,
                           .armL = 6,
                           .armR = 6,
                           .lookY = 0.8,
                           .brow = -1,
                           .peek = 0.5,
                           .mouth = Mouth::Frown,
                           .ears = -1,
                           .tail = -20}),
                  {4, 10}, 40, {4, 10});

    // Nods twice.
    Track nod(u"Acknowledge", r);
    nod.alternate(
        with(r, {.y = 3, .squash = 0.08, .lookY = 0.5, .eyes = Eyes::Happy, .mouth = Mouth::Smile}),
        with(r, {.mouth = Mouth::Smile}), 2, 2, 7);
    nod.to(r, 1, 8);
    c.add(nod);

    // Shakes its head twice.
    Track decline(u"Decline", r);
    decline.alternate(with(r, {.tilt = -7, .lookX = -0.8, .brow = -0.5, .mouth = Mouth::Frown}),
                      with(r, {.tilt = 7, .lookX = 0.8, .brow = -0.5, .mouth = Mouth::Frown}), 2, 2,
                      7);
    decline.to(r, 3, 8);
    c.add(decline);

    addCongratulate(c);
}

} // namespace clipvoice::characters
