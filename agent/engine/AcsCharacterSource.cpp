#include "agent/engine/AcsCharacterSource.h"

#include "agent/acs/AcsReader.h"

namespace clipvoice::agent::engine {

std::unique_ptr<AcsCharacterSource> AcsCharacterSource::open(const QString& path, QString* error)
{
    auto reader = std::make_unique<acs::AcsReader>();
    if (!reader->openFile(path)) {
        if (error)
            *error = reader->errorString();
        return nullptr;
    }
    return std::make_unique<AcsCharacterSource>(std::move(reader));
}

AcsCharacterSource::AcsCharacterSource(std::unique_ptr<acs::AcsReader> reader)
    : m_reader(std::move(reader))
{}

AcsCharacterSource::~AcsCharacterSource() = default;

const acs::CharacterInfo& AcsCharacterSource::info() const
{
    return m_reader->info();
}

QStringList AcsCharacterSource::animationNames() const
{
    QStringList names;
    for (const acs::Animation& animation : m_reader->animations())
        names.append(animation.name);
    return names;
}

QString AcsCharacterSource::animationName(QStringView name) const
{
    const acs::Animation* animation = m_reader->animation(name);
    return animation ? animation->name : QString();
}

const acs::Animation* AcsCharacterSource::animation(QStringView name) const
{
    return m_reader->animation(name);
}

QImage AcsCharacterSource::frame(const acs::Animation& animation, int frameIndex,
                                 int mouthShape) const
{
    const qsizetype index = m_reader->animationIndex(animation.name);
    if (index < 0)
        return {};
    return m_reader->frame(index, frameIndex, mouthShape);
}

QByteArray AcsCharacterSource::sound(int index) const
{
    return m_reader->sound(index);
}

} // namespace clipvoice::agent::engine
