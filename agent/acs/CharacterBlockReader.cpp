#include "CharacterBlockReader.h"

#include "AcsLimits.h"
#include "ByteCursor.h"

#include <optional>

namespace clipvoice::agent::acs {

namespace {

// The fixed part of the block, up to the animation set version.
constexpr qint64 kFixedFieldsSize = 0x29;
constexpr qint64 kStyleFlagsAt = 0x21;

struct CharacterFields
{
    CharacterInfo info;
    Locator localized;
    qint64 consumed = 0;
    QString error;
};

// Every reader below reads its part at the cursor. A fault is recorded in the
// cursor with the field and its offset; later reads then give zeros, so each
// part can be read in turn and the cursor checked once at the end.

// Version, localized information locator, id, size, transparent index, style
// flags and animation set version. The size must be 1..MaxCharacterSide.
void readFixedFields(ByteCursor& c, CharacterFields& out)
{
    CharacterInfo& info = out.info;
    info.minorVersion = c.u16("minor version");
    info.majorVersion = c.u16("major version");
    out.localized.offset = c.u32("localized information offset");
    out.localized.size = c.u32("localized information size");
    info.id = c.guid("character id");
    const qint64 sizeAt = c.position();
    info.width = c.u16("width");
    info.height = c.u16("height");
    info.transparentIndex = c.u8("transparent index");
    info.styleFlags = c.u32("style flags");
    info.animationSetVersionFirst = c.u16("animation set version");
    info.animationSetVersionSecond = c.u16("animation set version");
    if (c.ok() && (info.width == 0 || info.height == 0 || info.width > limits::MaxCharacterSide ||
                   info.height > limits::MaxCharacterSide))
        c.failAt(sizeAt, QStringLiteral("character size %1 x %2 is outside 1..%3")
                             .arg(info.width)
                             .arg(info.height)
                             .arg(limits::MaxCharacterSide));
}

// The voice: engine and mode, speed and pitch, and the optional extra data.
VoiceInfo readVoice(ByteCursor& c)
{
    VoiceInfo v;
    v.engineId = c.guid("voice engine id");
    v.modeId = c.guid("voice mode id");
    v.speed = c.u32("voice speed");
    v.pitch = c.u16("voice pitch");
    v.hasExtraData = c.u8("voice extra data flag") != 0;
    if (v.hasExtraData) {
        v.languageId = c.u16("voice language");
        v.dialect = c.string("voice dialect");
        v.gender = c.u16("voice gender");
        v.age = c.u16("voice age");
        v.style = c.string("voice style");
    }
    return v;
}

// Stored colours are 0x00BBGGRR.
QRgb readColour(ByteCursor& c, const char* field)
{
    const quint32 v = c.u32(field);
    return qRgb(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

// The word balloon: its size in lines and characters, colours and font.
BalloonInfo readBalloon(ByteCursor& c)
{
    BalloonInfo b;
    b.lines = c.u8("balloon lines");
    b.charsPerLine = c.u8("balloon characters per line");
    b.foreground = readColour(c, "balloon text colour");
    b.background = readColour(c, "balloon background colour");
    b.border = readColour(c, "balloon border colour");
    b.fontName = c.string("balloon font name");
    b.fontHeight = c.i32("balloon font height");
    b.fontWeight = c.i32("balloon font weight");
    b.italic = c.u8("balloon italic flag") != 0;
    b.unknownFontByte = c.u8("balloon font byte");
    return b;
}

// The palette: a count of at most 256, then 0x00RRGGBB entries stored as B, G, R, 0.
QList<QRgb> readPalette(ByteCursor& c)
{
    QList<QRgb> palette;
    const qint64 countAt = c.position();
    const quint32 count = c.u32("palette count");
    if (c.ok() && count > 256)
        c.failAt(countAt, QStringLiteral("palette count %1 is more than 256").arg(count));
    if (c.checkCount("palette count", count, 4)) {
        const uchar* p = c.bytes("palette", qint64(count) * 4);
        palette.reserve(count);
        for (quint32 i = 0; p && i < count; ++i)
            palette.append(qRgb(p[4 * i + 2], p[4 * i + 1], p[4 * i]));
    }
    return palette;
}

// The tray icon: a flag of 0 or 1, then the mask and colour bitmaps with their sizes.
std::optional<TrayIcon> readTrayIcon(ByteCursor& c)
{
    const qint64 flagAt = c.position();
    const quint8 present = c.u8("tray icon flag");
    if (c.ok() && present > 1)
        c.failAt(flagAt, QStringLiteral("tray icon flag is %1, expected 0 or 1").arg(present));
    if (!present || !c.ok())
        return std::nullopt;
    TrayIcon icon;
    const quint32 maskSize = c.u32("tray icon mask size");
    if (const uchar* p = c.bytes("tray icon mask", maskSize))
        icon.mask = QByteArray(reinterpret_cast<const char*>(p), maskSize);
    const quint32 colourSize = c.u32("tray icon colour size");
    if (const uchar* p = c.bytes("tray icon colour bitmap", colourSize))
        icon.color = QByteArray(reinterpret_cast<const char*>(p), colourSize);
    return icon;
}

// The state table: each state's name and the names of its animations.
QList<State> readStates(ByteCursor& c)
{
    QList<State> states;
    const quint16 count = c.u16("state count");
    // A state is at least a name (4 bytes) and an animation count (2 bytes).
    if (!c.checkCount("state count", count, 6))
        return states;
    states.reserve(count);
    for (quint16 i = 0; i < count && c.ok(); ++i) {
        State s;
        s.name = c.string("state name");
        const quint16 animations = c.u16("state animation count");
        if (!c.checkCount("state animation count", animations, 4))
            break;
        for (quint16 k = 0; k < animations && c.ok(); ++k)
            s.animations.append(c.string("state animation name"));
        states.append(s);
    }
    return states;
}

// Reads the block up to the end of the state table, with the voice and balloon
// structures taken as present or absent as told.
CharacterFields readCharacterFields(FileView file, const Locator& block, bool voice, bool balloon)
{
    CharacterFields out;
    ByteCursor c(file.bytes, block.offset, block.size, QStringLiteral("character block"));
    readFixedFields(c, out);
    if (voice && c.ok())
        out.info.voice = readVoice(c);
    if (balloon && c.ok())
        out.info.balloon = readBalloon(c);
    out.info.palette = readPalette(c);
    out.info.trayIcon = readTrayIcon(c);
    out.info.states = readStates(c);
    out.consumed = c.consumed();
    out.error = c.error();
    return out;
}

// Whether the fields use the whole block, or all of it but the localized
// information when that directly follows them.
bool fitsExactly(const CharacterFields& f, const Locator& block)
{
    if (!f.error.isEmpty())
        return false;
    if (f.consumed == block.size)
        return true;
    return f.localized.offset == block.offset + f.consumed &&
           f.consumed + f.localized.size == block.size;
}

quint32 styleFlags(FileView file, const Locator& block)
{
    const uchar* p = file.at(block.offset + kStyleFlagsAt);
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

// The presence bits of the voice and balloon are the "enabled" bits; some
// writers took the "none" bits instead, so the other reading is tried when the
// first does not fit the block exactly.
CharacterFields readFieldsEitherWay(FileView file, const Locator& block)
{
    const quint32 flags = styleFlags(file, block);
    const bool voiceEnabled = flags & StyleFlag::VoiceEnabled;
    const bool balloonEnabled = flags & StyleFlag::BalloonEnabled;
    const bool voiceNotNone = !(flags & StyleFlag::VoiceNone);
    const bool balloonNotNone = !(flags & StyleFlag::BalloonNone);
    CharacterFields fields = readCharacterFields(file, block, voiceEnabled, balloonEnabled);
    if (!fitsExactly(fields, block) &&
        (voiceEnabled != voiceNotNone || balloonEnabled != balloonNotNone)) {
        CharacterFields other = readCharacterFields(file, block, voiceNotNone, balloonNotNone);
        if (fitsExactly(other, block))
            return other;
    }
    return fields;
}

// The localized names and descriptions, one entry per language.
QList<LocalizedInfo> readLocalized(FileView file, const Locator& where, QString* error)
{
    QList<LocalizedInfo> list;
    ByteCursor c(file.bytes, where.offset, where.size, QStringLiteral("localized information"));
    const quint16 count = c.u16("entry count");
    // An entry is at least a language id and three empty strings.
    if (c.checkCount("localized entry count", count, 14)) {
        for (quint16 i = 0; i < count && c.ok(); ++i) {
            LocalizedInfo l;
            l.languageId = c.u16("language id");
            l.name = c.string("name");
            l.description = c.string("description");
            l.extraData = c.string("extra data");
            list.append(l);
        }
    }
    *error = c.error();
    return list;
}

} // namespace

CharacterBlock readCharacterBlock(FileView file, const Locator& block)
{
    CharacterBlock out;
    if (block.size < kFixedFieldsSize) {
        out.error = QStringLiteral("character block at offset %1 is %2 bytes, too short")
                        .arg(hexOffset(block.offset))
                        .arg(block.size);
        return out;
    }
    CharacterFields fields = readFieldsEitherWay(file, block);
    if (!fields.error.isEmpty()) {
        out.error = fields.error;
        return out;
    }
    if (!fitsExactly(fields, block))
        out.warning = QStringLiteral("character block at offset %1: %2 of %3 bytes used")
                          .arg(hexOffset(block.offset))
                          .arg(fields.consumed)
                          .arg(block.size);
    out.info = std::move(fields.info);
    QString error;
    if (!file.contains(fields.localized, QStringLiteral("localized information"), &error)) {
        out.error = QStringLiteral("character block at offset %1: %2")
                        .arg(hexOffset(block.offset + 4), error);
        return out;
    }
    out.info.localized = readLocalized(file, fields.localized, &out.error);
    return out;
}

} // namespace clipvoice::agent::acs
