#pragma once

#include "agent/acs/Character.h"
#include "agent/engine/CharacterPartsFactory.h"
#include "agent/voice/CharacterVoice.h"

#include <functional>

namespace clipvoice::agent::ui {
class ServiceSettings;
class UserDictionary;
} // namespace clipvoice::agent::ui

namespace clipvoice::agent::desktop {

struct CharacterActions;

// How a character's file asks it to sound (its voice block, if any).
voice::CharacterVoice characterVoiceFor(const acs::CharacterInfo& info);

// Gives each loaded character its window, balloon, voice and sound effects.
class DesktopPartsFactory final : public engine::CharacterPartsFactory
{
public:
    // The actions of a character's menu, for the character under an id.
    using ActionsFor = std::function<CharacterActions(const QString& characterId)>;

    // Writes a line to the trace, when there is one.
    using Trace = std::function<void(const QString& line)>;

    DesktopPartsFactory(ui::ServiceSettings& settings, ActionsFor actions, Trace trace = {},
                        const ui::UserDictionary* dictionary = nullptr);

    engine::CharacterParts create(const QString& characterId,
                                  const engine::CharacterSource& character) override;

private:
    ui::ServiceSettings& m_settings;
    ActionsFor m_actions;
    Trace m_trace;
    const ui::UserDictionary* m_dictionary;
};

} // namespace clipvoice::agent::desktop
