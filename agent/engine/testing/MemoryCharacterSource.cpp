#include "agent/engine/testing/MemoryCharacterSource.h"

namespace clipvoice::agent::engine::testing {

QStringList MemoryCharacterSource::animationNames() const
{
    QStringList names;
    for (const acs::Animation& animation : m_character.animations)
        names.append(animation.name);
    return names;
}

int MemoryCharacterSource::lookups(const QString& name) const
{
    return int(m_lookups.count(name.toCaseFolded()));
}

const acs::Animation* MemoryCharacterSource::animation(QStringView name) const
{
    m_lookups.append(name.toString().toCaseFolded());
    if (m_unplayable.contains(name, Qt::CaseInsensitive))
        return nullptr;
    for (const acs::Animation& animation : m_character.animations) {
        if (name.compare(animation.name, Qt::CaseInsensitive) == 0)
            return &animation;
    }
    return nullptr;
}

QImage MemoryCharacterSource::frame(const acs::Animation& animation, int frameIndex,
                                    int mouthShape) const
{
    if (frameIndex < 0 || frameIndex >= animation.frames.size())
        return {};
    bool overlaid = false;
    for (const acs::MouthOverlay& overlay : animation.frames.at(frameIndex).overlays)
        overlaid = overlaid || overlay.shape == mouthShape;
    QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setText(QStringLiteral("frame"),
                  frameKey(animation.name, frameIndex, overlaid ? mouthShape : -1));
    return image;
}

QByteArray MemoryCharacterSource::sound(int index) const
{
    if (index < 0 || index >= m_character.sounds.size())
        return {};
    return m_character.sounds.at(index);
}

QString MemoryCharacterSource::frameKey(const QString& animation, int frameIndex, int mouthShape)
{
    QString key = QStringLiteral("%1:%2").arg(animation).arg(frameIndex);
    if (mouthShape >= 0)
        key += QStringLiteral(":m%1").arg(mouthShape);
    return key;
}

} // namespace clipvoice::agent::engine::testing
