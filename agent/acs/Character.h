#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QRgb>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

// The in-memory form of an Agent 2.0 character. AcsReader produces it (fully or
// piece by piece) and AcsWriter turns it back into a file. Field values are kept
// as stored, so that reading a written character gives back the same values; the
// reader and the compositor check indices where they are used.
namespace clipvoice::agent::acs {

// Style flag bits of the character block.
namespace StyleFlag {
inline constexpr quint32 VoiceNone = 0x00000010;
inline constexpr quint32 VoiceEnabled = 0x00000020;
inline constexpr quint32 BalloonNone = 0x00000100;
inline constexpr quint32 BalloonEnabled = 0x00000200;
inline constexpr quint32 BalloonSizeToText = 0x00010000;
inline constexpr quint32 BalloonNoAutoHide = 0x00020000;
inline constexpr quint32 BalloonNoAutoPace = 0x00040000;
inline constexpr quint32 StandardAnimationSet = 0x00100000;
} // namespace StyleFlag

inline constexpr quint16 NoSound = 0xFFFF;
inline constexpr qint16 NoExitFrame = -1;
inline constexpr int MouthShapeCount = 7;

enum class TransitionType : quint8
{
    ReturnAnimation = 0,
    ExitBranching = 1,
    None = 2,
};

struct VoiceInfo
{
    QUuid engineId;
    QUuid modeId;
    quint32 speed = 0;
    quint16 pitch = 0;
    // The fields below are stored only when hasExtraData is set.
    bool hasExtraData = false;
    quint16 languageId = 0;
    QString dialect;
    quint16 gender = 0;
    quint16 age = 0;
    QString style;

    bool operator==(const VoiceInfo&) const = default;
};

struct BalloonInfo
{
    quint8 lines = 2;
    quint8 charsPerLine = 32;
    QRgb foreground = qRgb(0, 0, 0);
    QRgb background = qRgb(255, 255, 225);
    QRgb border = qRgb(0, 0, 0);
    QString fontName;
    qint32 fontHeight = -13;
    qint32 fontWeight = 400;
    bool italic = false;
    quint8 unknownFontByte = 0;

    bool operator==(const BalloonInfo&) const = default;
};

// Two packed device-independent bitmaps (no file header): a 1-bit mask and a
// colour bitmap. Kept as stored; DibCodec turns them into a QImage.
struct TrayIcon
{
    QByteArray mask;
    QByteArray color;

    bool operator==(const TrayIcon&) const = default;
};

struct State
{
    QString name;
    QStringList animations;

    bool operator==(const State&) const = default;
};

struct LocalizedInfo
{
    quint16 languageId = 0x0409;
    QString name;
    QString description;
    QString extraData;

    bool operator==(const LocalizedInfo&) const = default;
};

struct CharacterInfo
{
    quint16 minorVersion = 1;
    quint16 majorVersion = 2;
    QUuid id;
    quint16 width = 128;
    quint16 height = 128;
    quint8 transparentIndex = 10;
    // On writing, the voice and balloon presence bits follow `voice` and `balloon`.
    quint32 styleFlags = 0;
    quint16 animationSetVersionFirst = 0;
    quint16 animationSetVersionSecond = 0;
    std::optional<VoiceInfo> voice;
    std::optional<BalloonInfo> balloon;
    // Opaque colours (alpha 255); index i is palette entry i.
    QList<QRgb> palette;
    std::optional<TrayIcon> trayIcon;
    QList<State> states;
    QList<LocalizedInfo> localized;

    bool operator==(const CharacterInfo&) const = default;
};

struct FrameImage
{
    quint32 imageIndex = 0;
    qint16 x = 0;
    qint16 y = 0;

    bool operator==(const FrameImage&) const = default;
};

struct Branch
{
    quint16 targetFrame = 0;
    quint16 probability = 0;

    bool operator==(const Branch&) const = default;
};

struct MouthOverlay
{
    quint8 shape = 0;
    bool replaceTopImage = false;
    quint16 imageIndex = 0;
    quint8 unknownByte = 0;
    bool hasRegion = false;
    qint16 x = 0;
    qint16 y = 0;
    quint16 width = 0;
    quint16 height = 0;
    QByteArray region; // raw region description, only when hasRegion

    bool operator==(const MouthOverlay&) const = default;
};

struct Frame
{
    // Listed topmost first: compose from the last entry to the first.
    QList<FrameImage> images;
    quint16 soundIndex = NoSound;
    quint16 duration = 10; // hundredths of a second
    qint16 exitFrame = NoExitFrame;
    QList<Branch> branches;
    QList<MouthOverlay> overlays;

    bool hasSound() const { return soundIndex != NoSound; }
    bool operator==(const Frame&) const = default;
};

struct Animation
{
    QString name;
    quint8 transitionType = 2;
    QString returnAnimation;
    QList<Frame> frames;

    int totalDuration() const
    {
        int sum = 0;
        for (const Frame& f : frames)
            sum += f.duration;
        return sum;
    }
    bool operator==(const Animation&) const = default;
};

// One image of the image list: 8-bit palette indices, top row first, no row
// padding (width * height bytes).
struct IndexedImage
{
    quint8 unknownByte = 1;
    quint16 width = 0;
    quint16 height = 0;
    QByteArray pixels;
    QByteArray region; // decompressed region description; may be empty

    bool operator==(const IndexedImage&) const = default;
};

struct Character
{
    CharacterInfo info;
    QList<Animation> animations;
    QList<IndexedImage> images;
    QList<QByteArray> sounds; // complete RIFF/WAVE files

    bool operator==(const Character&) const = default;
};

// Picks the entry for `languageId`: exact match, then the same primary
// language, then English (US), then the first entry. Null when the list is empty.
const LocalizedInfo* findLocalized(const QList<LocalizedInfo>& list, quint16 languageId);

} // namespace clipvoice::agent::acs
