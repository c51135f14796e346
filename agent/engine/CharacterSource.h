#pragma once

#include "agent/acs/Character.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QStringView>

namespace clipvoice::agent::engine {

// What the engine needs from a loaded character: its description, its
// animations, composed frames and sounds. AcsCharacterSource reads a character
// file; tests use a character built in memory.
class CharacterSource
{
public:
    virtual ~CharacterSource() = default;

    virtual const acs::CharacterInfo& info() const = 0;
    virtual const QList<acs::Animation>& animations() const = 0;
    // Letter case is ignored; null when the character has no such animation.
    virtual const acs::Animation* animation(QStringView name) const = 0;
    // The frame composed at the character's size; `mouthShape` 0..6 applies the
    // frame's overlay for that mouth shape, -1 none. Null for a bad index.
    virtual QImage frame(const acs::Animation& animation, int frameIndex, int mouthShape) const = 0;
    // A RIFF/WAVE file; empty for a bad index.
    virtual QByteArray sound(int index) const = 0;
};

} // namespace clipvoice::agent::engine
