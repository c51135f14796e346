#include "agent/engine/CharacterStates.h"

#include "agent/engine/CharacterSource.h"
#include "platform/agent/RandomSource.h"

#include <algorithm>

namespace clipvoice::agent::engine {

CharacterStates::CharacterStates(const CharacterSource& source)
{
    for (const acs::State& state : source.info().states) {
        Entry entry{state.name, {}};
        for (const QString& name : state.animations) {
            // Keep the name as the animation list spells it. Nothing is
            // decoded here: an animation found damaged later is skipped when
            // it is played.
            const QString known = source.animationName(name);
            if (!known.isEmpty() && !entry.animations.contains(known))
                entry.animations.append(known);
        }
        m_entries.append(std::move(entry));
    }
}

QStringList CharacterStates::animations(const QString& state) const
{
    for (const Entry& entry : m_entries) {
        if (state.compare(entry.name, Qt::CaseInsensitive) == 0)
            return entry.animations;
    }
    return {};
}

QString CharacterStates::pick(const QString& state, platform::RandomSource& random) const
{
    const QStringList names = animations(state);
    if (names.isEmpty())
        return {};
    return names.at(random.bounded(static_cast<int>(names.size())));
}

QString CharacterStates::pickIdle(int level, platform::RandomSource& random) const
{
    const QString levels[] = {states::idlingLevel1, states::idlingLevel2, states::idlingLevel3};
    for (int l = std::clamp(level, 1, 3); l >= 1; --l) {
        const QString name = pick(levels[l - 1], random);
        if (!name.isEmpty())
            return name;
    }
    return {};
}

QStringList CharacterStates::stateNames() const
{
    QStringList names;
    for (const Entry& entry : m_entries)
        names.append(entry.name);
    return names;
}

} // namespace clipvoice::agent::engine
