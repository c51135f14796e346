#include "agent/acs/testing/MemoryAnimation15Source.h"

#include <QMutexLocker>

#include <numeric>

namespace clipvoice::agent::acs::testing {

MemoryAnimation15Source::MemoryAnimation15Source(Character15 character,
                                                 QList<Animation15> animations)
    : m_character(std::move(character))
    , m_animations(std::move(animations))
    , m_damage(m_character.animations.size())
    , m_reads(m_character.animations.size(), 0)
{}

bool MemoryAnimation15Source::readAnimation(qsizetype index, Animation15* animation,
                                            QString* error) const
{
    if (index < 0 || index >= m_character.animations.size()) {
        if (error)
            *error = QStringLiteral("no animation %1").arg(index);
        return false;
    }
    {
        QMutexLocker lock(&m_mutex);
        ++m_reads[index];
    }
    if (!m_damage.at(index).isEmpty()) {
        if (error)
            *error = m_damage.at(index);
        return false;
    }
    // An animation listed but not supplied reads as empty, like a 6-byte block
    // of zeros.
    *animation = index < m_animations.size() ? m_animations.at(index) : Animation15();
    return true;
}

void MemoryAnimation15Source::setDamaged(qsizetype index, const QString& message)
{
    if (index >= 0 && index < m_damage.size())
        m_damage[index] = message.isEmpty() ? QStringLiteral("damaged") : message;
}

int MemoryAnimation15Source::readCount() const
{
    QMutexLocker lock(&m_mutex);
    return std::accumulate(m_reads.cbegin(), m_reads.cend(), 0);
}

int MemoryAnimation15Source::readCount(qsizetype index) const
{
    QMutexLocker lock(&m_mutex);
    return index >= 0 && index < m_reads.size() ? m_reads.at(index) : 0;
}

} // namespace clipvoice::agent::acs::testing
