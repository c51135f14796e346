#pragma once

#include "platform/agent/AgentService.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace clipvoice::platform {
class RandomSource;
}

namespace clipvoice::speech {

// What SpeakText reads from the window for one call.
struct SpeakContext
{
    platform::agent::CharacterPtr character; // empty when none has been loaded
    int gestureOption = 0;                   // the gesture box: 0 off, 1 on, 2 grayed
    std::optional<int> selectedLanguage;     // 1-based picker index; none when nothing is selected
    platform::RandomSource* random = nullptr;
    platform::agent::RequestPtr* lastRequest = nullptr; // receives each speech request
};

// The pieces of a text between its CR LF separators, empty pieces included.
QStringList splitLines(const QString& text);

// Has the character say the text line by line: shows it first when it is
// hidden (and hides it again afterwards), plays a random gesture first when
// the gesture box is checked, and sets the language chosen in the picker.
// The first failing call ends the procedure quietly; nothing is reported.
void SpeakText(const QString& text, const SpeakContext& context);

} // namespace clipvoice::speech
