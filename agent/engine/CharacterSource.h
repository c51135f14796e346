#pragma once

#include "agent/acs/Character.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace clipvoice::agent::engine {

// What the engine needs from a loaded character: its description, its
// animations, composed frames and sounds. AcsCharacterSource reads a character
// file, Acs15CharacterSource an older one; tests use a character built in
// memory.
//
// Animations may be decoded only when first asked for: naming them must not
// decode them, and an animation listed may still turn out unplayable
// (animation() null) when it is asked for.
class CharacterSource
{
public:
    virtual ~CharacterSource() = default;

    virtual const acs::CharacterInfo& info() const = 0;
    // The animations' names in the character's order, without decoding any.
    virtual QStringList animationNames() const = 0;
    // The name as the character spells it (letter case ignored in `name`),
    // without decoding; empty when the character has no such animation.
    virtual QString animationName(QStringView name) const;
    // Letter case is ignored; null when the character has no such animation or
    // it cannot be played (a damaged one).
    virtual const acs::Animation* animation(QStringView name) const = 0;
    // The frame composed at the character's size; `mouthShape` 0..6 applies the
    // frame's overlay for that mouth shape, -1 none. Null for a bad index.
    virtual QImage frame(const acs::Animation& animation, int frameIndex, int mouthShape) const = 0;
    // A RIFF/WAVE file; empty for a bad index.
    virtual QByteArray sound(int index) const = 0;
};

inline QString CharacterSource::animationName(QStringView name) const
{
    for (const QString& known : animationNames()) {
        if (name.compare(known, Qt::CaseInsensitive) == 0)
            return known;
    }
    return {};
}

} // namespace clipvoice::agent::engine
