#include "agent/voice/testing/EncodedSounds.h"

#include <sndfile.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace clipvoice::agent::voice::testing {

namespace {

// A growing file in memory, written through libsndfile's virtual I/O.
struct MemorySink
{
    QByteArray bytes;
    sf_count_t position = 0;
};

sf_count_t sinkLength(void* user)
{
    return static_cast<MemorySink*>(user)->bytes.size();
}

sf_count_t sinkSeek(sf_count_t offset, int whence, void* user)
{
    auto* sink = static_cast<MemorySink*>(user);
    const sf_count_t base = whence == SEEK_CUR   ? sink->position
                            : whence == SEEK_END ? sink->bytes.size()
                                                 : 0;
    if (base + offset < 0)
        return -1;
    sink->position = base + offset;
    return sink->position;
}

sf_count_t sinkRead(void* destination, sf_count_t count, void* user)
{
    auto* sink = static_cast<MemorySink*>(user);
    const sf_count_t n =
        std::max<sf_count_t>(0, std::min<sf_count_t>(count, sink->bytes.size() - sink->position));
    std::memcpy(destination, sink->bytes.constData() + sink->position, static_cast<size_t>(n));
    sink->position += n;
    return n;
}

sf_count_t sinkWrite(const void* source, sf_count_t count, void* user)
{
    auto* sink = static_cast<MemorySink*>(user);
    const sf_count_t end = sink->position + count;
    if (end > sink->bytes.size())
        sink->bytes.resize(static_cast<qsizetype>(end), '\0');
    std::memcpy(sink->bytes.data() + sink->position, source, static_cast<size_t>(count));
    sink->position = end;
    return count;
}

sf_count_t sinkTell(void* user)
{
    return static_cast<MemorySink*>(user)->position;
}

int sndfileFormat(SoundEncoding encoding)
{
    switch (encoding) {
    case SoundEncoding::Pcm8:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_U8;
    case SoundEncoding::Pcm16:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    case SoundEncoding::MsAdpcm:
        return SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM;
    case SoundEncoding::ImaAdpcm:
        return SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM;
    case SoundEncoding::Gsm610:
        return SF_FORMAT_WAV | SF_FORMAT_GSM610;
    case SoundEncoding::MuLaw:
        return SF_FORMAT_WAV | SF_FORMAT_ULAW;
    case SoundEncoding::ALaw:
        return SF_FORMAT_WAV | SF_FORMAT_ALAW;
    case SoundEncoding::Float32:
        return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    }
    return 0;
}

} // namespace

QByteArray encodeSound(const SoundSpec& spec)
{
    SF_INFO info{};
    info.samplerate = spec.sampleRate;
    info.channels = spec.channels;
    info.format = sndfileFormat(spec.encoding);
    MemorySink sink;
    SF_VIRTUAL_IO io{sinkLength, sinkSeek, sinkRead, sinkWrite, sinkTell};
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &sink);
    if (!file)
        return {};
    const sf_count_t frames = sf_count_t{spec.sampleRate} * spec.milliseconds / 1000;
    std::vector<short> samples(static_cast<size_t>(frames * spec.channels));
    for (sf_count_t f = 0; f < frames; ++f) {
        const double t = static_cast<double>(f) / spec.sampleRate;
        const auto value = static_cast<short>(
            std::lround(16384.0 * std::sin(2 * std::numbers::pi * spec.frequency * t)));
        for (int c = 0; c < spec.channels; ++c)
            samples[static_cast<size_t>(f * spec.channels + c)] = value;
    }
    const sf_count_t written = sf_writef_short(file, samples.data(), frames);
    sf_close(file);
    return written == frames ? sink.bytes : QByteArray();
}

QList<SoundEncoding> allSoundEncodings()
{
    return {SoundEncoding::Pcm8,     SoundEncoding::Pcm16,  SoundEncoding::MsAdpcm,
            SoundEncoding::ImaAdpcm, SoundEncoding::Gsm610, SoundEncoding::MuLaw,
            SoundEncoding::ALaw,     SoundEncoding::Float32};
}

QString soundEncodingName(SoundEncoding encoding)
{
    switch (encoding) {
    case SoundEncoding::Pcm8:
        return QStringLiteral("pcm8");
    case SoundEncoding::Pcm16:
        return QStringLiteral("pcm16");
    case SoundEncoding::MsAdpcm:
        return QStringLiteral("ms-adpcm");
    case SoundEncoding::ImaAdpcm:
        return QStringLiteral("ima-adpcm");
    case SoundEncoding::Gsm610:
        return QStringLiteral("gsm610");
    case SoundEncoding::MuLaw:
        return QStringLiteral("mu-law");
    case SoundEncoding::ALaw:
        return QStringLiteral("a-law");
    case SoundEncoding::Float32:
        return QStringLiteral("float32");
    }
    return {};
}

} // namespace clipvoice::agent::voice::testing
