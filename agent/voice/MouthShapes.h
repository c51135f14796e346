#pragma once

#include <QList>
#include <QString>

#include "agent/voice/VoiceTypes.h"

// Mouth shapes (0..6, see MouthTiming) from phonemes or from loudness.
namespace clipvoice::agent::voice {

class MouthShapes
{
public:
    // From an espeak-ng phoneme mnemonic ("a", "@", "aI", "tS", "_:" ...).
    static int fromEspeakPhoneme(const QString& phoneme);

    // From an Open JTalk phoneme ("a", "N", "cl", "pau", "ky" ...).
    static int fromJTalkPhoneme(const QString& phoneme);

    // From the loudness of a stretch of samples, as root mean square relative
    // to full scale (0..1): silence closes the mouth, louder opens it wider.
    // Only shapes 0..4 come out: loudness says nothing about lip rounding.
    static int fromLoudness(double rms);

    // From the loudness and how often the sound crosses zero, a cheap measure
    // of where its energy lies in the spectrum: silence closes the mouth, hiss
    // nearly closes it, a loud sound of low frequencies rounds the lips, and
    // otherwise louder opens it wider.
    static constexpr double HissCrossingsPerSecond = 3500.0;
    static constexpr double RoundedCrossingsPerSecond = 900.0;
    static int fromSound(double rms, double crossingsPerSecond);

    // Shapes every `stepMs` for 16-bit mono PCM starting at `startMs`, from the
    // sound of each step (fromSound); a shape is only listed when it changes.
    static QList<MouthTiming> fromSamples(const QByteArray& pcm, int sampleRate, qint64 startMs,
                                          int stepMs = 40, int previousShape = -1);
};

} // namespace clipvoice::agent::voice
