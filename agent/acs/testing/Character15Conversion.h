#pragma once

#include "agent/acs/Character.h"
#include "agent/acs/format15/Character15.h"

#include <QList>

// Turns a 2.0 character into the older format's form, for test fixtures and
// benchmarks: the same animations, states, voice and balloon, each frame
// flattened into one full-character image, mouth overlays carried inline and
// sounds copied into the animations that play them.
namespace clipvoice::agent::acs::testing {

struct Converted15
{
    Character15 character;
    QList<Animation15> animations;
};

// `minorVersion` is 30 or 31. Exit frames have no counterpart and are dropped.
Converted15 toCharacter15(const Character& character, quint16 minorVersion = 31);

} // namespace clipvoice::agent::acs::testing
