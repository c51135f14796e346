#pragma once

#include "agent/voice/VoiceTypes.h"

#include <QString>
#include <QtGlobal>

#include <optional>

// How a character asks to sound (the voice block of its file: a gender, a
// speed and a pitch), and the voice, speed and pitch a line is then spoken
// with, after the user's own settings.
namespace clipvoice::agent::voice {

class VoiceCatalog;

struct CharacterVoice
{
    VoiceGender gender = VoiceGender::Unspecified;
    std::optional<int> wordsPerMinute; // none: the engine's normal rate
    std::optional<int> pitchHz;        // none: the voice's own pitch

    // Rates and pitches no voice could mean are read as "the default": 0, the
    // files' own "default" markers, and anything outside these ranges.
    static constexpr int MinWordsPerMinute = 50;
    static constexpr int MaxWordsPerMinute = 500;
    static constexpr int MinPitchHz = 50;
    static constexpr int MaxPitchHz = 600;

    // From the stored values: a gender of 1 is female, 2 male, anything else
    // neutral; speed in words per minute (0xFFFFFFFF: default) and pitch in
    // hertz (0xFFFF: default).
    static CharacterVoice fromStored(quint32 speed, quint16 pitch, quint16 gender);

    bool operator==(const CharacterVoice&) const = default;
};

// The voice, speed (0..100) and pitch (0..100) for a line.
struct VoicePlan
{
    QString voiceKey; // VoiceInfo::key(); empty for the default voice of the language
    int speed = 50;
    int pitch = 50;

    bool operator==(const VoicePlan&) const = default;
};

// The usual pitch of a voice of each gender, the reference a character's
// pitch in hertz is measured against.
int typicalPitchHz(VoiceGender gender);

// A character's pitch on the 0..100 scale of a voice of `gender` (50: the
// voice's own; 100 steps an octave).
int pitchForVoice(int pitchHz, VoiceGender gender);

// Plans a line in `lcid`. A voice the user chose for the language speaks as
// chosen; otherwise, within the engine that speaks the language, the most
// natural voice of the character's gender, when that engine has one. The
// character's speed and pitch set the line's; the user's (0..100, 50 normal)
// move them up or down from there.
VoicePlan planVoice(const VoiceCatalog& catalog, qint32 lcid, const QString& userChoice,
                    const CharacterVoice& character, int userSpeed, int userPitch);

} // namespace clipvoice::agent::voice
