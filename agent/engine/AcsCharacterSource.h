#pragma once

#include "agent/engine/CharacterSource.h"

#include <QString>

#include <memory>

namespace clipvoice::agent::acs {
class AcsReader;
}

namespace clipvoice::agent::engine {

// A character read from a character file.
class AcsCharacterSource final : public CharacterSource
{
public:
    // Opens the file; on failure returns null and sets `error` to the reader's
    // message.
    static std::unique_ptr<AcsCharacterSource> open(const QString& path, QString* error);

    explicit AcsCharacterSource(std::unique_ptr<acs::AcsReader> reader);
    ~AcsCharacterSource() override;

    const acs::CharacterInfo& info() const override;
    QStringList animationNames() const override;
    QString animationName(QStringView name) const override;
    const acs::Animation* animation(QStringView name) const override;
    QImage frame(const acs::Animation& animation, int frameIndex, int mouthShape) const override;
    QByteArray sound(int index) const override;

    const acs::AcsReader& reader() const { return *m_reader; }

private:
    std::unique_ptr<acs::AcsReader> m_reader;
};

} // namespace clipvoice::agent::engine
