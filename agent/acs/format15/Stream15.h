#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// The wrappers around the two kinds of stream of a 1.5 character file. Both
// hold one block compressed as a whole: "char.acf" starts with a signature and
// the decoded and compressed sizes (12 bytes), each "anim<i>.aaf" with the
// format version, the stamp of its list entry, a compressed flag and the two
// sizes (17 bytes).
//
// The decoded size is checked before anything is allocated: it may not exceed
// MaxDecodedBlock15, nor what the compressed bytes can possibly expand to.
namespace clipvoice::agent::acs {

inline constexpr quint32 CharacterStreamSignature15 = 0xABCDABC1;
inline constexpr qsizetype CharacterStreamHeaderSize15 = 12;
inline constexpr qsizetype AnimationStreamHeaderSize15 = 17;
inline constexpr qint64 MaxDecodedBlock15 = qint64(64) * 1024 * 1024;

// The compression's densest token is a back-reference with a 6-bit distance
// and the longest length: 1 flag bit, 1 class bit, 6 distance bits and 23
// length bits (11 ones, a zero, 11 value bits) make 4096 bytes. A literal gives
// one byte for 9 bits. So C compressed bytes (the first carries no bits) never
// decode to more than 8 * (C - 1) * 4096 / 31 bytes.
inline constexpr qint64 MaxBytesPerToken15 = 4096;
inline constexpr qint64 BitsPerDensestToken15 = 31;
qint64 maxDecodedSize15(qint64 compressedSize);

// What an animation stream's header must repeat from the character.
struct AnimationStreamExpectation15
{
    quint16 minorVersion = 31;
    quint16 majorVersion = 1;
    quint32 stamp = 0;
};

// Decodes a char.acf stream into the character block. Errors name the stream
// and the offset in it.
bool decodeCharacterStream15(const QByteArray& stream, QByteArray* block, QString* error);

// Decodes an animation stream named `streamName` into its animation block.
// A stamp that differs from the list entry's is reported in `warnings` (the
// stamp is an opaque identifier; nothing in the block depends on it). A stream
// whose compressed flag is 0 holds the block as is.
bool decodeAnimationStream15(const QByteArray& stream, const QString& streamName,
                             const AnimationStreamExpectation15& expected, QByteArray* block,
                             QString* error, QStringList* warnings = nullptr);

} // namespace clipvoice::agent::acs
