#pragma once

#include "agent/acs/Character.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The in-memory form of a character in the older (1.5) format, as stored.
//
// A 1.5 file is a compound file with one stream for the character ("char.acf")
// and one per animation ("anim<i>.aaf"), each compressed as a whole. Unlike the
// 2.0 format, every animation carries its own sounds and images, every image
// covers the whole character, and mouth overlays carry their pixels inline.
//
// The character block is kept in the 2.0 description (CharacterInfo), so that
// the rest of the engine sees one kind of character: the voice has no extra
// data, there is no tray icon, and the single name and description form one
// language-neutral localized entry.
namespace clipvoice::agent::acs {

inline constexpr quint16 NoImage15 = 0xFFFF;
inline constexpr quint16 NoSound15 = 0xFFFF;

// Bytes per stored row of an 8-bit image `width` pixels wide.
inline constexpr qsizetype stride15(qsizetype width)
{
    return (width + 3) & ~qsizetype(3);
}

// One entry of the character's animation list.
struct AnimationEntry15
{
    QString name;
    QString streamName;      // "anim<i>.aaf"
    QString returnAnimation; // empty when none
    quint32 stamp = 0;       // repeated in the animation stream's header

    bool operator==(const AnimationEntry15&) const = default;
};

struct Character15
{
    // minorVersion is 30 or 31, majorVersion 1. localized holds one entry with
    // language 0 (neutral) carrying the name and description; extraData is the
    // string stored after the description (empty in every known file).
    CharacterInfo info;
    QList<AnimationEntry15> animations;

    bool operator==(const Character15&) const = default;
};

// A full-character image: stride15(width) * height palette indices of the
// character's size, bottom row first. Empty pixels mean an empty image.
struct Image15
{
    quint8 unknownByte = 0;
    QByteArray pixels;
    QByteArray region; // the stored region data, kept as is (may be empty)

    bool isEmpty() const { return pixels.isEmpty(); }
    bool operator==(const Image15&) const = default;
};

// A mouth image drawn over a frame while speaking: stride15(width) * height
// palette indices, bottom row first, at (x, y) from the frame's top left.
// Empty pixels mean an empty overlay (only the shape is stored).
struct Overlay15
{
    quint8 shape = 0; // 0..6
    quint8 unknownByte = 0;
    qint16 x = 0;
    qint16 y = 0;
    quint16 width = 0;
    quint16 height = 0;
    QByteArray pixels;

    bool isEmpty() const { return pixels.isEmpty(); }
    bool operator==(const Overlay15&) const = default;
};

struct Frame15
{
    quint16 imageIndex = NoImage15; // into the animation's images
    quint16 soundIndex = NoSound15; // into the animation's sounds
    quint16 duration = 10;          // hundredths of a second
    quint32 unknown = 0;            // four bytes after the duration, 0 in every known file
    QList<Branch> branches;
    QList<Overlay15> overlays;

    bool operator==(const Frame15&) const = default;
};

// A decoded animation stream.
struct Animation15
{
    QList<QByteArray> sounds; // complete RIFF/WAVE files
    QList<Image15> images;
    QList<Frame15> frames;

    bool operator==(const Animation15&) const = default;
};

// Where the runtime reader gets the character and its animations from: the
// file reader, or an in-memory character in tests. readAnimation() decodes the
// animation at `index` of Character15::animations; it may be called from
// several threads at once.
class Animation15Source
{
public:
    virtual ~Animation15Source() = default;
    virtual const Character15& character() const = 0;
    // On failure (a damaged stream) returns false with `error` saying what was
    // wrong and where.
    virtual bool readAnimation(qsizetype index, Animation15* animation, QString* error) const = 0;
};

} // namespace clipvoice::agent::acs
