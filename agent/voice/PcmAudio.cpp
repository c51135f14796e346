#include "agent/voice/PcmAudio.h"

#include <QtEndian>

#include <cmath>
#include <cstring>
#include <vector>

namespace clipvoice::agent::voice {

qint64 PcmAudio::durationMs() const
{
    return durationMs(samples.size(), sampleRate);
}

qint64 PcmAudio::durationMs(qsizetype bytes, int sampleRate)
{
    return sampleRate > 0 ? qint64{bytes / 2} * 1000 / sampleRate : 0;
}

qsizetype PcmAudio::bytesFor(qint64 ms, int sampleRate)
{
    return static_cast<qsizetype>(ms * sampleRate / 1000) * 2;
}

QByteArray WavCodec::header(qsizetype dataBytes, int sampleRate)
{
    QByteArray h(44, '\0');
    auto* p = reinterpret_cast<uchar*>(h.data());
    const auto data = static_cast<quint32>(std::min<qsizetype>(dataBytes, 0x7FFFFFF0));
    std::memcpy(p, "RIFF", 4);
    qToLittleEndian<quint32>(36 + data, p + 4);
    std::memcpy(p + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, p + 16);
    qToLittleEndian<quint16>(1, p + 20); // PCM
    qToLittleEndian<quint16>(1, p + 22); // mono
    qToLittleEndian<quint32>(static_cast<quint32>(sampleRate), p + 24);
    qToLittleEndian<quint32>(static_cast<quint32>(sampleRate) * 2, p + 28);
    qToLittleEndian<quint16>(2, p + 32);
    qToLittleEndian<quint16>(16, p + 34);
    std::memcpy(p + 36, "data", 4);
    qToLittleEndian<quint32>(data, p + 40);
    return h;
}

double WavCodec::rms(const QByteArray& pcm)
{
    const qsizetype count = pcm.size() / 2;
    if (count == 0) {
        return 0.0;
    }
    double sum = 0.0;
    for (qsizetype i = 0; i < count; ++i) {
        const double v = qFromLittleEndian<qint16>(pcm.constData() + i * 2) / 32768.0;
        sum += v * v;
    }
    return std::sqrt(sum / static_cast<double>(count));
}

Resampler::Resampler(int inputRate, int outputRate)
    : m_inputRate(inputRate)
    , m_outputRate(outputRate)
{}

QByteArray Resampler::process(const QByteArray& pcm)
{
    if (m_inputRate == m_outputRate || m_inputRate <= 0 || m_outputRate <= 0) {
        return pcm;
    }
    const qsizetype count = pcm.size() / 2;
    if (count == 0) {
        return {};
    }
    // Input index -1 is the last sample of the previous call.
    std::vector<qint16> in(static_cast<std::size_t>(count) + 1);
    in[0] = m_havePrevious ? m_previous : qFromLittleEndian<qint16>(pcm.constData());
    for (qsizetype i = 0; i < count; ++i) {
        in[static_cast<std::size_t>(i) + 1] = qFromLittleEndian<qint16>(pcm.constData() + i * 2);
    }
    const double step = static_cast<double>(m_inputRate) / m_outputRate;
    // Written in place: at most one sample more than the ratio says.
    QByteArray out((static_cast<qsizetype>((static_cast<double>(count) - m_position) / step) + 2) *
                       2,
                   Qt::Uninitialized);
    char* write = out.data();
    double pos = m_position;
    const auto last = static_cast<double>(count);
    while (pos < last) {
        const auto index = static_cast<std::size_t>(pos);
        const double frac = pos - static_cast<double>(index);
        const double value = in[index] * (1.0 - frac) + in[index + 1] * frac;
        qToLittleEndian<qint16>(static_cast<qint16>(std::lround(value)), write);
        write += 2;
        pos += step;
    }
    out.truncate(write - out.constData());
    m_position = pos - last;
    m_previous = in.back();
    m_havePrevious = true;
    return out;
}

} // namespace clipvoice::agent::voice
