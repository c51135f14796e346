#pragma once

#include "agent/engine/CharacterSource.h"

#include <memory>

namespace clipvoice::agent::acs {
class Acs15Reader;
}

namespace clipvoice::agent::engine {

// A character in the older (1.5) format. Its animations are decoded when first
// asked for; a damaged one is listed but never plays (animation() null).
class Acs15CharacterSource final : public CharacterSource
{
public:
    explicit Acs15CharacterSource(std::unique_ptr<acs::Acs15Reader> reader);
    ~Acs15CharacterSource() override;

    const acs::CharacterInfo& info() const override;
    QStringList animationNames() const override;
    QString animationName(QStringView name) const override;
    const acs::Animation* animation(QStringView name) const override;
    QImage frame(const acs::Animation& animation, int frameIndex, int mouthShape) const override;
    QByteArray sound(int index) const override;

    const acs::Acs15Reader& reader() const { return *m_reader; }

private:
    std::unique_ptr<acs::Acs15Reader> m_reader;
};

} // namespace clipvoice::agent::engine
