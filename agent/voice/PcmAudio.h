#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// 16-bit mono PCM: writing WAV headers and converting between sample rates.
// Reading sounds is SoundDecoder's.
namespace clipvoice::agent::voice {

struct PcmAudio
{
    QByteArray samples; // 16-bit signed little-endian mono
    int sampleRate = 0;

    qint64 durationMs() const;
    static qint64 durationMs(qsizetype bytes, int sampleRate);
    static qsizetype bytesFor(qint64 ms, int sampleRate);
};

class WavCodec
{
public:
    // The 44-byte header of a 16-bit mono PCM file with `dataBytes` of samples.
    static QByteArray header(qsizetype dataBytes, int sampleRate);

    // Root mean square of 16-bit samples relative to full scale.
    static double rms(const QByteArray& pcm);
};

// Converts 16-bit mono PCM from one rate to another by linear interpolation.
// It keeps its position between calls, so a stream can be fed in pieces.
class Resampler
{
public:
    Resampler(int inputRate, int outputRate);

    QByteArray process(const QByteArray& pcm);

private:
    int m_inputRate;
    int m_outputRate;
    double m_position = 0.0; // next output's position in input samples, from m_previous
    qint16 m_previous = 0;
    bool m_havePrevious = false;
};

} // namespace clipvoice::agent::voice
