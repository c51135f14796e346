#include "agent/engine/Acs15CharacterSource.h"

#include "agent/acs/format15/Acs15Reader.h"

namespace clipvoice::agent::engine {

Acs15CharacterSource::Acs15CharacterSource(std::unique_ptr<acs::Acs15Reader> reader)
    : m_reader(std::move(reader))
{}

Acs15CharacterSource::~Acs15CharacterSource() = default;

const acs::CharacterInfo& Acs15CharacterSource::info() const
{
    return m_reader->info();
}

QStringList Acs15CharacterSource::animationNames() const
{
    return m_reader->animationNames();
}

QString Acs15CharacterSource::animationName(QStringView name) const
{
    const qsizetype index = m_reader->animationIndex(name);
    return index < 0 ? QString() : m_reader->animationNames().at(index);
}

const acs::Animation* Acs15CharacterSource::animation(QStringView name) const
{
    return m_reader->animation(name);
}

QImage Acs15CharacterSource::frame(const acs::Animation& animation, int frameIndex,
                                   int mouthShape) const
{
    const qsizetype index = m_reader->animationIndex(animation.name);
    if (index < 0)
        return {};
    return m_reader->frame(index, frameIndex, mouthShape);
}

QByteArray Acs15CharacterSource::sound(int index) const
{
    return m_reader->sound(index);
}

} // namespace clipvoice::agent::engine
