#pragma once

#include "CompoundFileWriter.h"
#include "agent/acs/format15/Character15.h"

#include <QByteArray>
#include <QList>
#include <optional>

// Writes characters of the 1.5 format (a compound file holding char.acf and
// one anim<i>.aaf per animation) for tests, and damages them on request the
// ways hostile or worn-out files are damaged.
namespace clipvoice::agent::acs::testing {

struct Acs15WriteOptions
{
    // Whether the balloon block ends with its extra byte. By default it does
    // from minor version 31 on.
    enum class BalloonLastByte
    {
        ByVersion,
        Always,
        Never,
    };
    BalloonLastByte balloonLastByte = BalloonLastByte::ByVersion;

    // Animation whose compressed data is overwritten from its middle on, so
    // that it no longer decodes (as in worn-out real files); -1 for none.
    qsizetype corruptAnimation = -1;
    // Animation whose header claims `wrongDecodedSizeDelta` bytes more than
    // its block holds; -1 for none.
    qsizetype wrongDecodedSizeAnimation = -1;
    qint32 wrongDecodedSizeDelta = 1;
    // A decoded size claimed by an animation's header (huge, beyond what its
    // compressed bytes can hold); -1 for none.
    qsizetype hugeDecodedSizeAnimation = -1;
    // The same for char.acf.
    std::optional<quint32> characterDecodedSize;
    quint32 hugeDecodedSize = 60u * 1024 * 1024;
    // Animation whose stream is left out of the file; -1 for none.
    qsizetype missingAnimation = -1;
    // Animation stored uncompressed (flag 0); -1 for none.
    qsizetype rawAnimation = -1;
    // Animation whose header carries a different stamp than its list entry.
    qsizetype wrongStampAnimation = -1;
    // Animation whose header carries another minor version.
    qsizetype wrongVersionAnimation = -1;
    quint32 characterSignature = 0xABCDABC1;
    bool omitCharacterStream = false;
    // Bytes added after the character block (before compression).
    QByteArray characterTrailer;
    CompoundFileWriter::Damage damage = CompoundFileWriter::Damage::None;
};

// The decoded blocks, as the file stores them.
QByteArray characterBlock15(const Character15& character, const Acs15WriteOptions& options = {});
QByteArray animationBlock15(const Animation15& animation);

// The streams around the blocks: compressed, with their headers.
QByteArray characterStream15(const QByteArray& block, const Acs15WriteOptions& options = {});
QByteArray animationStream15(const QByteArray& block, quint16 minorVersion, quint16 majorVersion,
                             quint32 stamp, bool compressed = true);

// The whole file. `animations` are written to the stream names of
// character.animations, in order.
QByteArray writeAcs15(const Character15& character, const QList<Animation15>& animations,
                      const Acs15WriteOptions& options = {});

// Region data (a header and one rectangle per run of opaque pixels) for an
// image of `width` x `height` stored bottom-up with stride15(width).
QByteArray region15(const QByteArray& pixels, int width, int height, quint8 transparent);

} // namespace clipvoice::agent::acs::testing
