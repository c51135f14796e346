#pragma once

#include "platform/agent/AgentService.h"

#include <QString>

#include <array>

namespace clipvoice::platform {
class RandomSource;
}

namespace clipvoice::speech {

// The gestures a character may make before it speaks, each as likely.
inline constexpr std::array<const char*, 7> kGestures = {
    "Read", "Announce", "Pleased", "DoMagic1", "DoMagic2", "Suggest", "Write"};

// The gesture for a draw r (0 <= r < 1): position floor(r x 7).
QString gestureForDraw(float r);

// Has the character play one gesture chosen at random. Any failure (no
// character, or Play refused) ends the call quietly; no other gesture is tried.
void PlayRandomGesture(const platform::agent::CharacterPtr& character,
                       platform::RandomSource& random);

} // namespace clipvoice::speech
