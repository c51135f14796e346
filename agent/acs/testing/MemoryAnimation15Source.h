#pragma once

#include "agent/acs/format15/Character15.h"

#include <QList>
#include <QMutex>
#include <QString>

namespace clipvoice::agent::acs::testing {

// An older-format character held in memory, for tests of what reads animations
// through Animation15Source. Animations can be marked damaged (reading them
// fails with a message), and every read is counted, so tests can check that a
// reader decodes lazily and keeps what it decoded.
//
// The animations are matched to the character's list by position: animation i
// is the one listed at i. Reads may come from several threads at once;
// setDamaged() must not run at the same time as a read.
class MemoryAnimation15Source final : public Animation15Source
{
public:
    MemoryAnimation15Source(Character15 character, QList<Animation15> animations);

    const Character15& character() const override { return m_character; }
    bool readAnimation(qsizetype index, Animation15* animation, QString* error) const override;

    // Reading animation `index` fails from now on with `message`.
    void setDamaged(qsizetype index, const QString& message);

    // Reads of any animation so far, failed ones included.
    int readCount() const;
    // Reads of one animation so far.
    int readCount(qsizetype index) const;

private:
    Character15 m_character;
    QList<Animation15> m_animations;
    QList<QString> m_damage; // empty: readable
    mutable QMutex m_mutex;
    mutable QList<int> m_reads;
};

} // namespace clipvoice::agent::acs::testing
