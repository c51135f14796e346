#include "agent/voice/CharacterVoice.h"

#include "agent/voice/VoiceCatalog.h"

#include <algorithm>
#include <cmath>

namespace clipvoice::agent::voice {

namespace {

constexpr quint32 DefaultSpeedMarker = 0xFFFFFFFF;
constexpr quint16 DefaultPitchMarker = 0xFFFF;

} // namespace

CharacterVoice CharacterVoice::fromStored(quint32 speed, quint16 pitch, quint16 gender)
{
    CharacterVoice voice;
    voice.gender = gender == 1   ? VoiceGender::Female
                   : gender == 2 ? VoiceGender::Male
                                 : VoiceGender::Unspecified;
    if (speed != DefaultSpeedMarker && speed >= quint32{MinWordsPerMinute} &&
        speed <= quint32{MaxWordsPerMinute})
        voice.wordsPerMinute = static_cast<int>(speed);
    if (pitch != DefaultPitchMarker && pitch >= MinPitchHz && pitch <= MaxPitchHz)
        voice.pitchHz = pitch;
    return voice;
}

int typicalPitchHz(VoiceGender gender)
{
    switch (gender) {
    case VoiceGender::Female:
        return 210;
    case VoiceGender::Male:
        return 120;
    case VoiceGender::Unspecified:
        break;
    }
    return 160;
}

int pitchForVoice(int pitchHz, VoiceGender gender)
{
    if (pitchHz <= 0)
        return 50;
    const double octaves = std::log2(static_cast<double>(pitchHz) / typicalPitchHz(gender));
    return std::clamp(static_cast<int>(std::lround(50.0 + 100.0 * octaves)), 0, 100);
}

VoicePlan planVoice(const VoiceCatalog& catalog, qint32 lcid, const QString& userChoice,
                    const CharacterVoice& character, int userSpeed, int userPitch)
{
    VoicePlan plan;
    plan.voiceKey = userChoice;
    const VoiceSelection selection = catalog.select(lcid, userChoice);
    VoiceInfo voice = selection.voice;
    const bool chosenByUser = !userChoice.isEmpty() && !selection.fellBack;
    if (!chosenByUser && selection.engine && character.gender != VoiceGender::Unspecified &&
        voice.gender != character.gender) {
        for (const VoiceInfo& candidate : catalog.voicesFor(lcid)) {
            if (candidate.engine == voice.engine && candidate.gender == character.gender) {
                voice = candidate;
                plan.voiceKey = candidate.key();
                break;
            }
        }
    }
    // Both scales are logarithmic, so adding the user's step to the
    // character's multiplies the rates and pitches.
    const int speed = character.wordsPerMinute
                          ? SpeechSettings::speedFromWordsPerMinute(*character.wordsPerMinute)
                          : 50;
    const int pitch = character.pitchHz ? pitchForVoice(*character.pitchHz, voice.gender) : 50;
    plan.speed = std::clamp(speed + userSpeed - 50, 0, 100);
    plan.pitch = std::clamp(pitch + userPitch - 50, 0, 100);
    return plan;
}

} // namespace clipvoice::agent::voice
