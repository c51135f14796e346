#include "Gestures.h"

#include "PoseFields.h"

namespace clipvoice::characters {

void blink(Track& track, const Pose& open)
{
    track.to(with(open, {.eyeOpen = 0}), 1, 6).to(open, 1, 6);
}

void wave(Track& track, const Pose& up, const Pose& down)
{
    track.to(up, 3, 8).alternate(down, up, 3, 2, 7);
}

void beats(Track& track, const Pose& base, std::initializer_list<PoseChange> changes, int steps,
           int duration, Easing easing)
{
    int beat = 0;
    for (const PoseChange& change : changes) {
        ++beat;
        track.to(with(with(base, change), {.phase = 0.25 * beat}), steps, duration, easing);
    }
}

} // namespace clipvoice::characters
