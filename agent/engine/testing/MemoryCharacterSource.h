#pragma once

#include "agent/engine/CharacterSource.h"

namespace clipvoice::agent::engine::testing {

// A character built in memory. Its frames are 1 x 1 images carrying the text
// "frame" = "<animation>:<frame>" (plus ":m<shape>" with a mouth overlay applied),
// so tests can tell which frame a view was given.
class MemoryCharacterSource final : public CharacterSource
{
public:
    explicit MemoryCharacterSource(acs::Character character)
        : m_character(std::move(character))
    {}

    const acs::CharacterInfo& info() const override { return m_character.info; }
    QStringList animationNames() const override;
    const acs::Animation* animation(QStringView name) const override;
    QImage frame(const acs::Animation& animation, int frameIndex, int mouthShape) const override;
    QByteArray sound(int index) const override;

    // The key frame() writes for the frame.
    static QString frameKey(const QString& animation, int frameIndex, int mouthShape = -1);

    // From now on the animation stays listed but animation() gives null for it,
    // as for a damaged one found when first played.
    void setUnplayable(const QString& name) { m_unplayable.append(name); }
    // How often animation() was asked for `name` (letter case ignored).
    int lookups(const QString& name) const;

private:
    acs::Character m_character;
    QStringList m_unplayable;
    mutable QStringList m_lookups;
};

} // namespace clipvoice::agent::engine::testing
