#pragma once

#include "Pose.h"
#include "Track.h"

#include <initializer_list>

namespace clipvoice::characters {

// Movements that several animations share, added to a track.

// Closes the eyes and opens them again into `open`, one frame each way.
void blink(Track& track, const Pose& open);

// Raises the hand into `up`, then waves it down to `down` and back up, three
// times.
void wave(Track& track, const Pose& up, const Pose& down);

// One move per beat, each to `base` changed by its beat, while the effects'
// phase (stars, sparkles) advances a quarter of a cycle per beat.
void beats(Track& track, const Pose& base, std::initializer_list<PoseChange> changes, int steps,
           int duration, Easing easing = Easing::Smooth);

} // namespace clipvoice::characters
