#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The LZ77-style bit stream used for image pixels and region data: a leading
// 0x00 byte, then literal and back-reference tokens read least significant bit
// first, ended by a reference with the reserved 20-bit distance 0xFFFFF.
namespace clipvoice::agent::acs {

class Compression
{
public:
    // Largest back-reference distance the stream can express.
    static constexpr qsizetype MaxDistance = 4673 + 0xFFFFE;

    struct Result
    {
        bool ok = false;
        QString error;
        qint64 errorOffset = -1;        // byte offset inside the stream
        qsizetype droppedBytes = 0;     // bytes decoded past the expected size
        qsizetype bytesBeforeStart = 0; // bytes copied from before the output start
    };

    // Decodes `size` bytes at `src` into `out`, which holds exactly `expected`
    // bytes. With `slack` 0 the stream must decode to exactly `expected` bytes and
    // never refer before the output start. With `slack` > 0 (images written by
    // some third-party tools need it) up to `slack` bytes past the end are decoded
    // and dropped, and references up to `slack` bytes before the start read zeros.
    // The work done is bounded by expected + slack, whatever the input.
    static Result decompress(const uchar* src, qsizetype size, uchar* out, qsizetype expected,
                             qsizetype slack = 0);

    // The part of the decoded bytes that decompressPart() keeps: `rowCount` rows
    // of `rowBytes` bytes from row `firstRow`, and of each row the `width` bytes
    // from `column`.
    struct Part
    {
        qsizetype rowBytes = 0;
        qsizetype firstRow = 0;
        qsizetype rowCount = 0;
        qsizetype column = 0;
        qsizetype width = 0;
    };
    // Bytes of the window decompressPart() decodes through.
    static constexpr qsizetype WindowSize = qsizetype(1) << 21;
    // Limits that keep a row and the furthest reference inside the window.
    static constexpr qsizetype MaxSlackForPart = 4096;
    static constexpr qsizetype MaxRowBytesForPart = 256 * 1024;

    // Decodes and checks the whole stream as decompress() does, but keeps only
    // `part`, written row after row to `out` (rowCount * width bytes). Apart from
    // `out` it needs a window of WindowSize bytes however large `expected` is, so
    // that a small part of a huge image costs little memory.
    static Result decompressPart(const uchar* src, qsizetype size, qsizetype expected,
                                 const Part& part, uchar* out, qsizetype slack = 0);

    // Encodes `size` bytes with a greedy longest-match search over hash chains;
    // the stream ends with the end marker and six 0xFF bytes.
    static QByteArray compress(const uchar* data, qsizetype size);
    static QByteArray compress(const QByteArray& data)
    {
        return compress(reinterpret_cast<const uchar*>(data.constData()), data.size());
    }
};

} // namespace clipvoice::agent::acs
