#pragma once

#include <QString>

#include <array>
#include <cmath>

// How natural each voice sounds, as the number the voice catalogue sorts by
// (VoiceInfo::quality): for each language the highest installed is the
// default.
//
// English was measured with scripts/bench (bench/voice_quality.py): every
// English voice read twenty sentences, Debian's speech recogniser
// (pocketsphinx, US English model) wrote down what it heard, and the word
// error rate is the figure; a voice's quality is 100 minus it. Measured on
// Debian 12 with 183 words:
//   RHVoice Bdl 2.2 %, RHVoice Clb 3.8 %, RHVoice Alan 5.5 %, Flite rms 6.0 %,
//   RHVoice Slt 7.7 %, Flite slt 9.3 %, Flite kal16 12.0 %, RHVoice Lyubov
//   15.8 %, Flite awb 18.0 %, SVOX Pico en-GB 25.1 %, MBROLA us2 27.9 %,
//   SVOX Pico en-US 33.9 %, RHVoice Evgeniy-Eng 36.6 %, MBROLA us1 38.3 %,
//   MBROLA en1 39.9 %, Flite kal 46.4 %, MBROLA us3 47.0 %, espeak-ng en-us
//   81.4 %, espeak-ng en 86.3 %.
// Other languages follow the kind of engine, in the order English showed:
// RHVoice, Flite, SVOX Pico, MBROLA, espeak-ng (Open JTalk, for Japanese
// alone, is an HMM voice like RHVoice).
namespace clipvoice::agent::voice::VoiceRanking {

inline constexpr int RHVoice = 90;
inline constexpr int OpenJTalk = 85;
inline constexpr int FliteClusterGen = 70;
inline constexpr int FliteDiphone16k = 72;
inline constexpr int FliteDiphone8k = 50;
inline constexpr int Pico = 60;
inline constexpr int Mbrola = 40;
inline constexpr int Espeak = 10;

struct Measured
{
    const char* key; // VoiceInfo::key()
    double wordErrorPercent;
};

inline constexpr std::array<Measured, 19> English{{
    {"RHVoice/Bdl", 2.2},          {"RHVoice/Clb", 3.8},
    {"RHVoice/Alan", 5.5},         {"Flite/rms", 6.0},
    {"RHVoice/Slt", 7.7},          {"Flite/slt", 9.3},
    {"Flite/kal16", 12.0},         {"RHVoice/Lyubov", 15.8},
    {"Flite/awb", 18.0},           {"SVOX Pico/en-GB", 25.1},
    {"MBROLA/us2", 27.9},          {"SVOX Pico/en-US", 33.9},
    {"RHVoice/Evgeniy-Eng", 36.6}, {"MBROLA/us1", 38.3},
    {"MBROLA/en1", 39.9},          {"Flite/kal", 46.4},
    {"MBROLA/us3", 47.0},          {"espeak-ng/en-us", 81.4},
    {"espeak-ng/en", 86.3},
}};

// The voice's quality: the measured one where it was measured, otherwise
// `kindQuality`, the figure of its kind of engine.
inline int qualityOf(const QString& key, int kindQuality)
{
    for (const Measured& voice : English) {
        if (key == QLatin1String(voice.key))
            return static_cast<int>(std::lround(100.0 - voice.wordErrorPercent));
    }
    return kindQuality;
}

} // namespace clipvoice::agent::voice::VoiceRanking
