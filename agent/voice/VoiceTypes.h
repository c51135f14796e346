#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <memory>

// Plain data shared by the engines, the synthesis stream and the speaker.
namespace clipvoice::agent::voice {

// Everything the speaker plays is 16-bit signed mono PCM at this rate; engines
// that produce another rate are converted on the synthesis thread.
inline constexpr int OutputSampleRate = 48000;

// A word of the line being spoken: where it is in the text (UTF-16 code units of
// the QString given to speak) and when the voice starts saying it.
struct WordTiming
{
    int textOffset = 0;
    int textLength = 0;
    qint64 timeMs = 0;

    friend bool operator==(const WordTiming&, const WordTiming&) = default;
};

// A mouth shape from `timeMs` on. Shapes follow the seven mouth overlays of
// Agent characters: 0 closed (rest, silence, p b m), 1 nearly closed
// (most consonants), 2 slightly open (i, schwa), 3 open (e, ae),
// 4 wide open (a), 5 rounded (o), 6 narrow rounded (u, w, sh).
struct MouthTiming
{
    qint64 timeMs = 0;
    int shape = 0;

    friend bool operator==(const MouthTiming&, const MouthTiming&) = default;
};

inline constexpr int MouthShapeCount = 7;

enum class VoiceGender
{
    Unspecified,
    Female,
    Male,
};

// One voice an engine can speak with. The engine's name and the voice's id
// together are its key ("RHVoice/Slt"), which is what a choice remembers.
struct VoiceInfo
{
    QString engine;          // SpeechEngine::name()
    QString id;              // the engine's own name for the voice
    QString label;           // shown to the user
    QList<qint32> languages; // the language identifiers it reads
    VoiceGender gender = VoiceGender::Unspecified;
    // How natural it sounds, 0..100: of the voices for a language the highest
    // is the default. See VoiceRanking for how the figures were found.
    int quality = 0;

    QString key() const { return engine + QLatin1Char('/') + id; }
    bool speaks(qint32 lcid) const { return languages.contains(lcid); }
};

// Settings taken when a line's synthesis starts. `speed` is 0..100 with 50 the
// voice's normal rate; each step of 50 doubles or halves it.
// `pitch` is 0..100 with 50 the voice's own; each step of 100 raises or lowers
// it by an octave.
struct SpeechSettings
{
    int speed = 50;
    int pitch = 50;
    bool spokenOutputEnabled = true;

    // The 0..100 value for a rate in words per minute (175 is normal).
    static int speedFromWordsPerMinute(int wordsPerMinute);
    // The rate multiplier for a 0..100 speed: 0.5 at 0, 1 at 50, 2 at 100.
    static double rateFactor(int speed);
    // The pitch multiplier for a 0..100 pitch: 0.71 at 0, 1 at 50, 1.41 at 100.
    static double pitchFactor(int pitch);
};

// Set from any thread to ask a running synthesis to give up.
using CancelFlag = std::shared_ptr<std::atomic_bool>;

inline CancelFlag makeCancelFlag()
{
    return std::make_shared<std::atomic_bool>(false);
}

} // namespace clipvoice::agent::voice
