#include "agent/desktop/DesktopPartsFactory.h"

#include "agent/desktop/BalloonStyleFromCharacter.h"
#include "agent/desktop/EffectSoundOutput.h"
#include "agent/desktop/SpeakerSpeechOutput.h"
#include "agent/desktop/SpeechFileSaver.h"
#include "agent/desktop/WindowBalloonView.h"
#include "agent/desktop/WindowCharacterView.h"
#include "agent/engine/CharacterSource.h"
#include "agent/voice/SoundEffectLibrary.h"
#include "agent/voice/SoundEffectPlayer.h"
#include "agent/voice/Speaker.h"

namespace clipvoice::agent::desktop {

voice::CharacterVoice characterVoiceFor(const acs::CharacterInfo& info)
{
    if (!info.voice)
        return {};
    // Without the extra voice data the file says nothing of the gender.
    const acs::VoiceInfo& stored = *info.voice;
    return voice::CharacterVoice::fromStored(stored.speed, stored.pitch,
                                             stored.hasExtraData ? stored.gender : 0);
}

DesktopPartsFactory::DesktopPartsFactory(ui::ServiceSettings& settings, ActionsFor actions,
                                         Trace trace, const ui::UserDictionary* dictionary)
    : m_settings(settings)
    , m_actions(std::move(actions))
    , m_trace(std::move(trace))
    , m_dictionary(dictionary)
{}

engine::CharacterParts DesktopPartsFactory::create(const QString& characterId,
                                                   const engine::CharacterSource& character)
{
    auto view = std::make_unique<WindowCharacterView>(m_actions(characterId));
    engine::CharacterParts parts;
    const acs::CharacterInfo& info = character.info();
    const bool wantsBalloon =
        info.balloon.has_value() && (info.styleFlags & acs::StyleFlag::BalloonNone) == 0;
    if (wantsBalloon)
        parts.balloon = std::make_unique<WindowBalloonView>(
            view->window(), balloonStyleFor(info.balloon), m_settings);
    auto speaker = std::make_unique<voice::Speaker>();
    speaker->setCharacterVoice(characterVoiceFor(info));
    auto speech = std::make_unique<SpeakerSpeechOutput>(std::move(speaker), m_settings, m_trace,
                                                        m_dictionary);
    // A save says each line as the character's voice would say it then. The
    // saver goes before the voice it asks (see CharacterParts).
    SpeakerSpeechOutput* voice = speech.get();
    parts.speechFile = std::make_unique<SpeechFileSaver>(
        voice->speaker().catalog(),
        [voice](const QString& line, qint32 languageId) {
            return voice->requestFor(line, languageId);
        },
        m_trace);
    parts.speech = std::move(speech);
    // The sounds are fetched from the character, which outlives its parts.
    // The log names the character as its file does.
    const QString name = info.localized.isEmpty() || info.localized.first().name.isEmpty()
                             ? characterId
                             : info.localized.first().name;
    auto sounds = std::make_unique<voice::SoundEffectLibrary>(
        name, [&character](int index) { return character.sound(index); });
    parts.sound = std::make_unique<EffectSoundOutput>(
        std::move(sounds), std::make_unique<voice::SoundEffectPlayer>(), m_settings);
    parts.view = std::move(view);
    return parts;
}

} // namespace clipvoice::agent::desktop
