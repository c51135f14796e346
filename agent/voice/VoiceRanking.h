#pragma once

// How natural each kind of voice sounds, as the number the voice catalogue
// sorts by (VoiceInfo::quality): for each language the highest installed is
// the default. The English order was measured with bench/voice_quality: a
// speech recogniser's word error rate on sentences each voice read (lower
// error, more like a human reader). Measured here: RHVoice slt 20 %, Flite
// kal16 31 %, Flite slt 41 %, SVOX Pico 56 %, MBROLA us1 68 %, espeak-ng
// 75-84 %. Other languages follow the kind of engine in the same order.
namespace clipvoice::agent::voice::VoiceRanking {

inline constexpr int RHVoice = 90;
inline constexpr int OpenJTalk = 85; // Japanese only: HMM voice, like RHVoice
inline constexpr int FliteClusterGen = 70;
inline constexpr int FliteDiphone16k = 72; // kal16: fewer recognition errors than slt
inline constexpr int FliteDiphone8k = 50;  // kal: telephone quality
inline constexpr int Pico = 60;
inline constexpr int Mbrola = 40;
inline constexpr int Espeak = 10;

} // namespace clipvoice::agent::voice::VoiceRanking
