#include "speech/SpeakPipeline.h"

#include "speech/GesturePicker.h"
#include "speech/SpeechLanguages.h"

namespace clipvoice::speech {

using namespace platform::agent;

QStringList splitLines(const QString& text)
{
    return text.split(QStringLiteral("\r\n"), Qt::KeepEmptyParts, Qt::CaseSensitive);
}

void SpeakText(const QString& text, const SpeakContext& context)
{
    if (text.isEmpty())
        return;
    const CharacterPtr& character = context.character;
    if (!character)
        return;

    const AgentResult<bool> visible = character->visible();
    if (!visible.ok())
        return;
    bool hiddenBefore = false;
    if (!visible.value()) {
        if (!character->show().ok())
            return;
        hiddenBefore = true;
    }

    if (context.gestureOption == 1 && context.random != nullptr)
        PlayRandomGesture(character, *context.random);

    if (!context.selectedLanguage)
        return;
    if (const std::optional<qint32> lcid = LanguageIdForIndex(*context.selectedLanguage)) {
        if (!character->setLanguageId(*lcid).ok())
            return;
    }

    for (const QString& line : splitLines(text)) {
        if (line.isEmpty())
            continue;
        AgentResult<RequestPtr> request = character->speak(line);
        if (!request.ok())
            return;
        if (context.lastRequest != nullptr)
            *context.lastRequest = request.value();
    }

    if (hiddenBefore)
        (void)character->hide();
}

} // namespace clipvoice::speech
