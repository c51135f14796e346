#pragma once

#include "platform/agent/RandomSource.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace clipvoice::agent::engine {

class CharacterSource;

// The names of the states the engine uses. A character file stores them in
// upper case; every comparison ignores case.
namespace states {
inline const QString showing = QStringLiteral("Showing");
inline const QString hiding = QStringLiteral("Hiding");
inline const QString speaking = QStringLiteral("Speaking");
inline const QString idlingLevel1 = QStringLiteral("IdlingLevel1");
inline const QString idlingLevel2 = QStringLiteral("IdlingLevel2");
inline const QString idlingLevel3 = QStringLiteral("IdlingLevel3");
inline const QString listening = QStringLiteral("Listening");
inline const QString hearing = QStringLiteral("Hearing");
inline const QString gesturingUp = QStringLiteral("GesturingUp");
inline const QString gesturingDown = QStringLiteral("GesturingDown");
inline const QString gesturingLeft = QStringLiteral("GesturingLeft");
inline const QString gesturingRight = QStringLiteral("GesturingRight");
inline const QString movingUp = QStringLiteral("MovingUp");
inline const QString movingDown = QStringLiteral("MovingDown");
inline const QString movingLeft = QStringLiteral("MovingLeft");
inline const QString movingRight = QStringLiteral("MovingRight");
} // namespace states

// The pose the engine returns to after Stop, when the character has it.
inline const QString restPoseAnimation = QStringLiteral("RestPose");

// The states a character declares, each with the animations assigned to it.
// Names of animations the character lacks are left out.
class CharacterStates
{
public:
    explicit CharacterStates(const CharacterSource& source);

    // The state's animations, in the order declared; empty for an unknown state.
    QStringList animations(const QString& state) const;
    bool has(const QString& state) const { return !animations(state).isEmpty(); }
    // One of the state's animations chosen at random; empty when it has none.
    QString pick(const QString& state, platform::RandomSource& random) const;
    // Of idling level 3, 2, 1 (`level` clamped to 1..3), one animation of the
    // given level or, when it has none, of the nearest lower level.
    QString pickIdle(int level, platform::RandomSource& random) const;

    QStringList stateNames() const;

private:
    struct Entry
    {
        QString name;
        QStringList animations;
    };
    QList<Entry> m_entries;
};

} // namespace clipvoice::agent::engine
