#include "agent/voice/WaveHeader.h"

#include <QtEndian>

#include <cstring>

namespace clipvoice::agent::voice {

namespace {

quint16 u16(const char* p)
{
    return qFromLittleEndian<quint16>(p);
}

quint32 u32(const char* p)
{
    return qFromLittleEndian<quint32>(p);
}

std::optional<WaveHeader> fail(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return std::nullopt;
}

QString hexTag(quint16 tag)
{
    return QStringLiteral("0x") +
           QString::number(tag, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

// Whether four bytes can name a chunk: letters, digits or spaces.
bool looksLikeChunkId(const char* p)
{
    for (int i = 0; i < 4; ++i) {
        const char c = p[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == ' '))
            return false;
    }
    return true;
}

// Whether an odd-sized chunk ending at `end` lacks its pad byte: the next
// chunk's name starts at `end` rather than one byte later.
bool padByteLeftOut(const char* data, qsizetype size, qsizetype end)
{
    const auto nameAt = [&](qsizetype at) { return at + 4 <= size ? data + at : nullptr; };
    const auto known = [](const char* p) {
        for (const char* id : {"data", "fact", "LIST", "fmt ", "JUNK", "cue ", "smpl", "PEAK"})
            if (p && std::memcmp(p, id, 4) == 0)
                return true;
        return false;
    };
    const char* unpadded = nameAt(end);
    const char* padded = nameAt(end + 1);
    if (known(unpadded) || known(padded))
        return known(unpadded);
    return unpadded && looksLikeChunkId(unpadded) && !(padded && looksLikeChunkId(padded));
}

// Checks the format chunk's fields and fills them into `header`.
bool readFormat(const char* body, qsizetype size, WaveHeader& header, QString* error)
{
    if (size < 16) {
        if (error)
            *error =
                QStringLiteral("the format chunk is %1 bytes long; it needs at least 16").arg(size);
        return false;
    }
    header.formatTag = u16(body);
    header.channels = u16(body + 2);
    const quint32 rate = u32(body + 4);
    header.blockAlign = u16(body + 12);
    header.bitsPerSample = u16(body + 14);
    header.formatChunk = QByteArray(body, size);
    if (header.formatTag == WaveTag::Extensible) {
        // The sub-format GUID's first two bytes are the tag of the real format.
        if (size < 40) {
            if (error)
                *error = QStringLiteral("the extensible format chunk is %1 bytes long; it needs "
                                        "40")
                             .arg(size);
            return false;
        }
        header.extensible = true;
        header.formatTag = u16(body + 24);
    }
    if (header.channels < 1 || header.channels > WaveHeader::MaxChannels) {
        if (error)
            *error = QStringLiteral("channel count %1 is out of range (1 to %2)")
                         .arg(header.channels)
                         .arg(WaveHeader::MaxChannels);
        return false;
    }
    if (rate < quint32{WaveHeader::MinSampleRate} || rate > quint32{WaveHeader::MaxSampleRate}) {
        if (error)
            *error = QStringLiteral("sample rate %1 Hz is out of range (%2 to %3)")
                         .arg(rate)
                         .arg(WaveHeader::MinSampleRate)
                         .arg(WaveHeader::MaxSampleRate);
        return false;
    }
    header.sampleRate = static_cast<int>(rate);
    // Block-coded formats store their samples per block after the size of
    // the extra bytes.
    if (header.formatTag != WaveTag::Pcm && size >= 20 && u16(body + 16) >= 2)
        header.samplesPerBlock = u16(body + 18);
    if (header.blockAlign == 0) {
        if (error)
            *error = QStringLiteral("the block size (block align) is 0");
        return false;
    }
    return true;
}

} // namespace

std::optional<WaveHeader> WaveHeader::read(const QByteArray& wave, QString* error)
{
    const char* data = wave.constData();
    const qsizetype size = wave.size();
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
        return fail(error, QStringLiteral("not a RIFF/WAVE sound"));
    // The RIFF size is not trusted: some tools store it one byte too large, and
    // the chunks are checked one by one against the bytes that are there.
    WaveHeader header;
    bool haveFormat = false;
    qsizetype pos = 12;
    while (pos + 8 <= size) {
        const char* chunk = data + pos;
        const qint64 chunkSize = u32(chunk + 4);
        const qsizetype body = pos + 8;
        const qsizetype available = size - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (haveFormat)
                return fail(error, QStringLiteral("there are two format chunks"));
            if (chunkSize > available)
                return fail(error, QStringLiteral("the format chunk at offset %1 declares %2 "
                                                  "bytes; only %3 follow")
                                       .arg(pos)
                                       .arg(chunkSize)
                                       .arg(available));
            QString reason;
            if (!readFormat(data + body, static_cast<qsizetype>(chunkSize), header, &reason))
                return fail(error, reason);
            haveFormat = true;
        } else if (std::memcmp(chunk, "fact", 4) == 0 && chunkSize >= 4 && available >= 4) {
            header.factFrames = u32(data + body);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat)
                return fail(error, QStringLiteral("the samples come before the format chunk"));
            if (chunkSize > available)
                return fail(error, QStringLiteral("the data chunk at offset %1 declares %2 bytes "
                                                  "of samples; only %3 follow")
                                       .arg(pos)
                                       .arg(chunkSize)
                                       .arg(available));
            if (chunkSize == 0)
                return fail(error, QStringLiteral("the data chunk holds no samples"));
            header.dataOffset = body;
            header.dataSize = static_cast<qsizetype>(chunkSize);
            return header;
        }
        // Chunks are padded to an even size, but some writers leave the pad
        // byte out: then the next chunk starts right after this one's bytes.
        // Every step moves on by at least 8 bytes, so the walk ends within
        // the sound's size.
        pos = body + static_cast<qsizetype>(chunkSize);
        if ((chunkSize & 1) != 0 && !padByteLeftOut(data, size, pos))
            ++pos;
    }
    return fail(error, haveFormat ? QStringLiteral("there is no data chunk")
                                  : QStringLiteral("there is no format chunk"));
}

QString WaveHeader::describe() const
{
    QString text = describeWaveTag(formatTag);
    if (formatTag == WaveTag::Pcm || formatTag == WaveTag::IeeeFloat)
        text = QStringLiteral("%1 %2-bit (%3)")
                   .arg(waveTagName(formatTag))
                   .arg(bitsPerSample)
                   .arg(hexTag(formatTag));
    return text;
}

QString waveTagName(quint16 tag)
{
    switch (tag) {
    case WaveTag::Pcm:
        return QStringLiteral("PCM");
    case WaveTag::MsAdpcm:
        return QStringLiteral("MS ADPCM");
    case WaveTag::IeeeFloat:
        return QStringLiteral("IEEE float");
    case WaveTag::ALaw:
        return QStringLiteral("A-law");
    case WaveTag::MuLaw:
        return QStringLiteral("mu-law");
    case WaveTag::ImaAdpcm:
        return QStringLiteral("IMA ADPCM");
    case 0x0022:
        return QStringLiteral("DSP Group TrueSpeech");
    case WaveTag::Gsm610:
        return QStringLiteral("GSM 6.10");
    case 0x0032:
        return QStringLiteral("MSN Audio");
    case WaveTag::G721Adpcm:
        return QStringLiteral("G.721 ADPCM");
    case 0x0050:
        return QStringLiteral("MPEG");
    case WaveTag::MpegLayer3:
        return QStringLiteral("MPEG layer 3");
    case 0x0070:
        return QStringLiteral("Voxware");
    case 0x0130:
        return QStringLiteral("Sipro ACELP.net");
    case WaveTag::Extensible:
        return QStringLiteral("extensible");
    default:
        return {};
    }
}

QString describeWaveTag(quint16 tag)
{
    const QString name = waveTagName(tag);
    return name.isEmpty() ? QStringLiteral("format %1").arg(hexTag(tag))
                          : QStringLiteral("%1 (%2)").arg(name, hexTag(tag));
}

} // namespace clipvoice::agent::voice
