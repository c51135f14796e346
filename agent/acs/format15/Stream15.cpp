#include "Stream15.h"

#include "agent/acs/ByteCursor.h"
#include "agent/acs/Compression.h"

namespace clipvoice::agent::acs {

namespace {

quint32 readU32(const QByteArray& data, qsizetype at)
{
    const auto* p = reinterpret_cast<const uchar*>(data.constData()) + at;
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

quint16 readU16(const QByteArray& data, qsizetype at)
{
    const auto* p = reinterpret_cast<const uchar*>(data.constData()) + at;
    return quint16(p[0] | (p[1] << 8));
}

bool fail(QString* error, const QString& streamName, qint64 offset, const QString& what)
{
    if (error)
        *error = QStringLiteral("%1 at offset %2: %3").arg(streamName, hexOffset(offset), what);
    return false;
}

// Checks the two sizes (stored at `sizesAt`) and decodes the compressed bytes
// that follow the header.
bool decodeBody(const QByteArray& stream, const QString& streamName, qsizetype headerSize,
                qsizetype decodedAt, qsizetype compressedAt, QByteArray* block, QString* error)
{
    const quint32 decoded = readU32(stream, decodedAt);
    const quint32 compressed = readU32(stream, compressedAt);
    const qint64 available = stream.size() - headerSize;
    if (qint64(compressed) != available)
        return fail(
            error, streamName, compressedAt,
            QStringLiteral("compressed size %1 does not match the %2 bytes after the header")
                .arg(compressed)
                .arg(available));
    if (qint64(decoded) > MaxDecodedBlock15)
        return fail(error, streamName, decodedAt,
                    QStringLiteral("decoded size %1 is more than the %2 bytes allowed")
                        .arg(decoded)
                        .arg(MaxDecodedBlock15));
    if (qint64(decoded) > maxDecodedSize15(compressed))
        return fail(error, streamName, decodedAt,
                    QStringLiteral("decoded size %1 is more than %2 compressed bytes can hold")
                        .arg(decoded)
                        .arg(compressed));
    QByteArray out(qsizetype(decoded), Qt::Uninitialized);
    const Compression::Result r =
        Compression::decompress(reinterpret_cast<const uchar*>(stream.constData()) + headerSize,
                                available, reinterpret_cast<uchar*>(out.data()), out.size());
    if (!r.ok)
        return fail(error, streamName, headerSize + std::max<qint64>(r.errorOffset, 0),
                    QStringLiteral("compressed data does not decode: %1").arg(r.error));
    *block = std::move(out);
    return true;
}

} // namespace

qint64 maxDecodedSize15(qint64 compressedSize)
{
    if (compressedSize <= 1)
        return 0;
    return 8 * (compressedSize - 1) * MaxBytesPerToken15 / BitsPerDensestToken15;
}

bool decodeCharacterStream15(const QByteArray& stream, QByteArray* block, QString* error)
{
    const QString name = QStringLiteral("char.acf");
    if (stream.size() < CharacterStreamHeaderSize15)
        return fail(error, name, 0,
                    QStringLiteral("the stream has %1 bytes, less than its %2-byte header")
                        .arg(stream.size())
                        .arg(CharacterStreamHeaderSize15));
    const quint32 signature = readU32(stream, 0);
    if (signature != CharacterStreamSignature15)
        return fail(error, name, 0,
                    QStringLiteral("signature 0x%1 is not 0x%2")
                        .arg(signature, 8, 16, QLatin1Char('0'))
                        .arg(CharacterStreamSignature15, 8, 16, QLatin1Char('0')));
    return decodeBody(stream, name, CharacterStreamHeaderSize15, 4, 8, block, error);
}

bool decodeAnimationStream15(const QByteArray& stream, const QString& streamName,
                             const AnimationStreamExpectation15& expected, QByteArray* block,
                             QString* error, QStringList* warnings)
{
    if (stream.size() < AnimationStreamHeaderSize15)
        return fail(error, streamName, 0,
                    QStringLiteral("the stream has %1 bytes, less than its %2-byte header")
                        .arg(stream.size())
                        .arg(AnimationStreamHeaderSize15));
    const quint16 minor = readU16(stream, 0);
    const quint16 major = readU16(stream, 2);
    if (minor != expected.minorVersion || major != expected.majorVersion)
        return fail(error, streamName, 0,
                    QStringLiteral("version %1.%2 differs from the character's %3.%4")
                        .arg(major)
                        .arg(minor)
                        .arg(expected.majorVersion)
                        .arg(expected.minorVersion));
    const quint32 stamp = readU32(stream, 4);
    if (stamp != expected.stamp && warnings)
        warnings->append(
            QStringLiteral("%1 at offset 0x4: stamp 0x%2 differs from the animation list's 0x%3")
                .arg(streamName)
                .arg(stamp, 8, 16, QLatin1Char('0'))
                .arg(expected.stamp, 8, 16, QLatin1Char('0')));
    const quint8 flag = quint8(stream.at(8));
    if (flag == 1)
        return decodeBody(stream, streamName, AnimationStreamHeaderSize15, 9, 13, block, error);
    if (flag != 0)
        return fail(error, streamName, 8,
                    QStringLiteral("compressed flag %1 is neither 0 nor 1").arg(flag));
    // Stored as is: both sizes must be the bytes after the header.
    const quint32 decoded = readU32(stream, 9);
    const quint32 stored = readU32(stream, 13);
    const qint64 available = stream.size() - AnimationStreamHeaderSize15;
    if (qint64(stored) != available || decoded != stored)
        return fail(error, streamName, 9,
                    QStringLiteral("an uncompressed block claims %1 bytes (stored size %2) but %3 "
                                   "bytes follow the header")
                        .arg(decoded)
                        .arg(stored)
                        .arg(available));
    *block = stream.mid(AnimationStreamHeaderSize15);
    return true;
}

} // namespace clipvoice::agent::acs
