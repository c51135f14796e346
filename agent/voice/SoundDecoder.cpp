#include "agent/voice/SoundDecoder.h"

#include "agent/voice/SndfileOpen.h"

#include <QtEndian>

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace clipvoice::agent::voice {

namespace {

// A read-only file in memory, handed to libsndfile through its virtual I/O.
// It behaves as a file on disk does, which is what libsndfile expects: a seek
// past the end succeeds and reads there return nothing. Refusing such a seek
// left libsndfile walking the samples as if they were chunks, forever.
struct MemoryFile
{
    const char* data = nullptr;
    sf_count_t size = 0;
    sf_count_t position = 0;
};

sf_count_t memoryLength(void* user)
{
    return static_cast<MemoryFile*>(user)->size;
}

sf_count_t memorySeek(sf_count_t offset, int whence, void* user)
{
    auto* file = static_cast<MemoryFile*>(user);
    sf_count_t base = 0;
    switch (whence) {
    case SEEK_SET:
        base = 0;
        break;
    case SEEK_CUR:
        base = file->position;
        break;
    case SEEK_END:
        base = file->size;
        break;
    default:
        return -1;
    }
    if (offset < -base || offset > std::numeric_limits<sf_count_t>::max() - base)
        return -1;
    file->position = base + offset;
    return file->position;
}

sf_count_t memoryRead(void* destination, sf_count_t count, void* user)
{
    auto* file = static_cast<MemoryFile*>(user);
    const sf_count_t n =
        std::clamp<sf_count_t>(file->size - file->position, 0, std::max<sf_count_t>(count, 0));
    if (n == 0)
        return 0;
    std::memcpy(destination, file->data + file->position, static_cast<std::size_t>(n));
    file->position += n;
    return n;
}

sf_count_t memoryWrite(const void*, sf_count_t, void*)
{
    return 0;
}

sf_count_t memoryTell(void* user)
{
    return static_cast<MemoryFile*>(user)->position;
}

void putU32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian<quint32>(value, bytes);
    out.append(bytes, 4);
}

// The sound rebuilt from its checked parts: the format chunk as stored, then
// exactly the samples, padded to an even size as RIFF requires. libsndfile so
// never sees a lying size, a stray chunk or bytes past the samples.
QByteArray canonicalWave(const QByteArray& wave, const WaveHeader& header)
{
    QByteArray out;
    const qsizetype formatSize = header.formatChunk.size();
    const qsizetype formatPadded = formatSize + (formatSize & 1);
    const qsizetype dataPadded = header.dataSize + (header.dataSize & 1);
    out.reserve(12 + 8 + formatPadded + 8 + dataPadded);
    out.append("RIFF", 4);
    putU32(out, static_cast<quint32>(4 + 8 + formatPadded + 8 + dataPadded));
    out.append("WAVEfmt ", 8);
    putU32(out, static_cast<quint32>(formatSize));
    out.append(header.formatChunk);
    if (formatSize & 1)
        out.append('\0');
    out.append("data", 4);
    putU32(out, static_cast<quint32>(header.dataSize));
    out.append(wave.constData() + header.dataOffset, header.dataSize);
    if (header.dataSize & 1)
        out.append('\0');
    return out;
}

struct SndfileCloser
{
    void operator()(SNDFILE* file) const { sf_close(file); }
};

} // namespace

bool hasSoundDecoder(quint16 formatTag)
{
    switch (formatTag) {
    case WaveTag::Pcm:
    case WaveTag::MsAdpcm:
    case WaveTag::IeeeFloat:
    case WaveTag::ALaw:
    case WaveTag::MuLaw:
    case WaveTag::ImaAdpcm:
    case WaveTag::Gsm610:
    case WaveTag::G721Adpcm:
    case WaveTag::MpegLayer3:
        return true;
    default:
        return false;
    }
}

DecodedSound decodeSound(const QByteArray& wave, const SoundLimits& limits)
{
    DecodedSound result;
    result.header = WaveHeader::read(wave, &result.error);
    if (!result.header)
        return result;
    const WaveHeader& header = *result.header;
    if (!hasSoundDecoder(header.formatTag)) {
        result.error = QStringLiteral("no decoder for %1").arg(describeWaveTag(header.formatTag));
        return result;
    }

    const QByteArray clean = canonicalWave(wave, header);
    MemoryFile memory{clean.constData(), clean.size(), 0};
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    SF_INFO info{};
    QString openError;
    std::unique_ptr<SNDFILE, SndfileCloser> file(
        openSndfile([&] { return sf_open_virtual(&io, SFM_READ, &info, &memory); }, &openError));
    if (!file) {
        result.error = QStringLiteral("%1 does not decode: %2")
                           .arg(describeWaveTag(header.formatTag), openError);
        return result;
    }
    if (info.channels < 1 || info.channels > WaveHeader::MaxChannels || info.samplerate < 1) {
        result.error = QStringLiteral("the decoder reports %1 channels at %2 Hz")
                           .arg(info.channels)
                           .arg(info.samplerate);
        return result;
    }

    const qint64 limitFrames =
        std::min<qint64>(limits.maxMilliseconds * info.samplerate / 1000, limits.maxBytes / 2);
    const int channels = info.channels;
    constexpr sf_count_t ChunkFrames = 4096;
    std::vector<short> chunk(static_cast<std::size_t>(ChunkFrames * channels));
    QByteArray samples;
    samples.reserve(static_cast<qsizetype>(
        std::min<qint64>(std::max<sf_count_t>(info.frames, 0), limitFrames) * 2));
    qint64 frames = 0;
    while (frames < limitFrames) {
        const sf_count_t want = std::min<qint64>(ChunkFrames, limitFrames - frames);
        const sf_count_t got = sf_readf_short(file.get(), chunk.data(), want);
        if (got <= 0)
            break;
        const qsizetype start = samples.size();
        samples.resize(start + static_cast<qsizetype>(got) * 2);
        char* out = samples.data() + start;
        for (sf_count_t f = 0; f < got; ++f) {
            int sum = 0;
            for (int c = 0; c < channels; ++c)
                sum += chunk[static_cast<std::size_t>(f * channels + c)];
            qToLittleEndian<qint16>(static_cast<qint16>(sum / channels), out + f * 2);
        }
        frames += got;
    }
    // The fact chunk says how many samples the encoder wrote: the last block
    // of a block-coded sound is padded beyond them. It is trusted only to cut
    // that padding, as some encoders store a wrong count.
    const qint64 fact = header.factFrames;
    if (fact > 0 && header.samplesPerBlock > 0 && fact < frames &&
        frames - fact < header.samplesPerBlock) {
        samples.truncate(static_cast<qsizetype>(fact) * 2);
        frames = fact;
    }
    if (frames >= limitFrames) {
        short probe[WaveHeader::MaxChannels];
        result.truncated = sf_readf_short(file.get(), probe, 1) > 0;
    }
    if (frames == 0) {
        result.error = QStringLiteral("%1 holds no samples that decode")
                           .arg(describeWaveTag(header.formatTag));
        return result;
    }
    result.audio.samples = std::move(samples);
    result.audio.sampleRate = info.samplerate;
    return result;
}

} // namespace clipvoice::agent::voice
