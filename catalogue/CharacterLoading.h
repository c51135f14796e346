#pragma once

#include "platform/agent/AgentService.h"

#include <QString>

namespace clipvoice::platform {
class RandomSource;
}

namespace clipvoice::catalogue {

// The one id under which every character is loaded.
inline QString characterId()
{
    return QStringLiteral("clipvoice");
}

// The options command added to every loaded character's pop-up menu.
inline QString optionsCommandName()
{
    return QStringLiteral("AdvCharOptions");
}
inline QString optionsCommandCaption()
{
    return QStringLiteral("キャラクタオプション");
}

// The program's loaded character. CurrentCharacter is replaced only when a
// load could be looked up; after a failed load it still refers to the
// unloaded character, and isLoaded is false.
struct LoadedCharacter
{
    platform::agent::CharacterPtr CurrentCharacter;
    bool isLoaded = false;
};

// Whether a tree key names a character file: it contains ".acs" in any
// letter case. Roots and placeholders have keys without it.
bool isCharacterKey(const QString& key);

// Replaces the loaded character by the one in the file named by a tree key,
// adds the options command, shows it and has it greet, then re-seeds the
// generator. Keys without ".acs" (in any letter case) are ignored. Every
// failing step is skipped; nothing is reported.
void LoadCharacter(const QString& key, platform::agent::AgentService& agent,
                   LoadedCharacter& loaded, platform::RandomSource& random);

// Answers a command the user chose from the character's menu: the options
// command (exact name) opens the service's property sheet; others do nothing.
void answerCommand(const platform::agent::AgentUserInput& input,
                   platform::agent::AgentService& agent);

} // namespace clipvoice::catalogue
