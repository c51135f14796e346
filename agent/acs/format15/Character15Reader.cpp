#include "Character15Reader.h"

#include "Block15.h"
#include "agent/acs/ByteCursor.h"

namespace clipvoice::agent::acs {

namespace {

QRgb colorRef(quint32 v)
{
    return qRgb(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

VoiceInfo readVoice(ByteCursor& c)
{
    VoiceInfo voice;
    voice.engineId = c.guid("voice engine id");
    voice.modeId = c.guid("voice id");
    voice.speed = c.u32("voice speed");
    voice.pitch = c.u16("voice pitch");
    return voice;
}

BalloonInfo readBalloon(ByteCursor& c, bool withLastByte, QStringList* warnings)
{
    BalloonInfo balloon;
    balloon.lines = c.u8("balloon lines");
    balloon.charsPerLine = c.u8("balloon characters per line");
    balloon.foreground = colorRef(c.u32("balloon text colour"));
    balloon.background = colorRef(c.u32("balloon background colour"));
    balloon.border = colorRef(c.u32("balloon border colour"));
    balloon.fontName = readString15(c, "balloon font name");
    balloon.fontHeight = c.i32("balloon font height");
    balloon.fontWeight = c.i32("balloon font weight");
    const qint64 italicAt = c.position();
    const quint8 italic = c.u8("balloon italic flag");
    if (c.ok() && italic > 1)
        warnings->append(
            QStringLiteral("char.acf at offset %1: balloon italic flag %2 read as italic")
                .arg(hexOffset(italicAt))
                .arg(italic));
    balloon.italic = italic != 0;
    if (withLastByte)
        balloon.unknownFontByte = c.u8("balloon font byte");
    return balloon;
}

QList<QRgb> readPalette(ByteCursor& c)
{
    QList<QRgb> palette;
    const qint64 countAt = c.position();
    const quint32 count = c.u32("palette count");
    if (c.ok() && count > MaxPaletteSize15) {
        c.failAt(
            countAt,
            QStringLiteral("palette count %1 is more than %2").arg(count).arg(MaxPaletteSize15));
        return palette;
    }
    if (c.ok() && quint64(count) * 4 > quint64(c.remaining())) {
        c.failAt(countAt, QStringLiteral("palette count %1 cannot fit in the %2 bytes left")
                              .arg(count)
                              .arg(c.remaining()));
        return palette;
    }
    const uchar* p = c.bytes("palette", qint64(count) * 4);
    if (!p)
        return palette;
    palette.reserve(count);
    for (quint32 i = 0; i < count; ++i)
        palette.append(qRgb(p[4 * i + 2], p[4 * i + 1], p[4 * i]));
    return palette;
}

QList<State> readStates(ByteCursor& c)
{
    QList<State> states;
    // A state is at least its name's length and its animation count.
    const quint16 count = quint16(readCount15(c, "state count", 2, 6));
    if (!c.ok())
        return states;
    states.reserve(count);
    for (quint16 i = 0; i < count && c.ok(); ++i) {
        State state;
        state.name = readString15(c, "state name");
        const quint16 names = quint16(readCount15(c, "state animation count", 2, 4));
        if (!c.ok())
            break;
        state.animations.reserve(names);
        for (quint16 k = 0; k < names && c.ok(); ++k)
            state.animations.append(readString15(c, "state animation name"));
        states.append(std::move(state));
    }
    return states;
}

// One attempt at the whole block, with or without the balloon's last byte.
bool parse(const QByteArray& block, bool balloonLastByte, Character15* out, QString* error,
           QStringList* warnings, bool* sawBalloon)
{
    ByteCursor c(reinterpret_cast<const uchar*>(block.constData()), 0, block.size(),
                 QStringLiteral("char.acf"));
    Character15 ch;
    CharacterInfo& info = ch.info;
    info.minorVersion = c.u16("minor version");
    info.majorVersion = c.u16("major version");
    if (c.ok() && info.majorVersion != 1)
        c.failAt(2, QStringLiteral("major version %1 is not 1").arg(info.majorVersion));
    if (c.ok() && info.minorVersion != 30 && info.minorVersion != 31)
        warnings->append(QStringLiteral("char.acf at offset 0x0: minor version %1 is neither 30 "
                                        "nor 31; read as %2")
                             .arg(info.minorVersion)
                             .arg(info.minorVersion < 31 ? 30 : 31));
    // An entry is at least three string lengths and the stamp.
    const quint16 animationCount = quint16(readCount15(c, "animation count", 2, 16));
    if (c.ok()) {
        ch.animations.reserve(animationCount);
        for (quint16 i = 0; i < animationCount && c.ok(); ++i) {
            AnimationEntry15 entry;
            entry.name = readString15(c, "animation name");
            entry.streamName = readString15(c, "animation stream name");
            entry.returnAnimation = readString15(c, "return animation name");
            entry.stamp = c.u32("animation stamp");
            ch.animations.append(std::move(entry));
        }
    }
    info.id = c.guid("character id");
    LocalizedInfo localized;
    localized.languageId = 0;
    localized.name = readString15(c, "character name");
    localized.description = readString15(c, "description");
    localized.extraData = readString15(c, "extra data");
    info.localized = {localized};
    const qint64 sizeAt = c.position();
    info.width = c.u16("width");
    info.height = c.u16("height");
    if (c.ok() && (info.width == 0 || info.height == 0 || info.width > MaxCharacterSide15 ||
                   info.height > MaxCharacterSide15))
        c.failAt(sizeAt, QStringLiteral("character size %1 x %2 is not within 1..%3")
                             .arg(info.width)
                             .arg(info.height)
                             .arg(MaxCharacterSide15));
    info.transparentIndex = c.u8("transparent index");
    info.styleFlags = c.u32("style flags");
    if (c.ok() && (info.styleFlags & StyleFlag::VoiceEnabled))
        info.voice = readVoice(c);
    *sawBalloon = c.ok() && (info.styleFlags & StyleFlag::BalloonEnabled);
    if (*sawBalloon)
        info.balloon = readBalloon(c, balloonLastByte, warnings);
    info.palette = readPalette(c);
    info.states = readStates(c);
    if (c.ok() && c.remaining() > 0)
        c.fail(QStringLiteral("%1 bytes are left after the character block").arg(c.remaining()));
    if (!c.ok()) {
        *error = c.error();
        return false;
    }
    *out = std::move(ch);
    return true;
}

} // namespace

bool readCharacterBlock15(const QByteArray& block, Character15* character, QString* error,
                          QStringList* warnings)
{
    QStringList notes;
    // The version decides whether the balloon ends with its extra byte; only
    // the version's bytes are needed to make the choice.
    const bool lastByte = block.size() < 2 || quint8(block[0]) + (quint8(block[1]) << 8) >= 31;
    QString firstError;
    bool sawBalloon = false;
    if (parse(block, lastByte, character, &firstError, &notes, &sawBalloon)) {
        if (warnings)
            warnings->append(notes);
        return true;
    }
    // Without a balloon block both choices read the same.
    if (!sawBalloon) {
        if (error)
            *error = firstError;
        return false;
    }
    QStringList retryNotes;
    QString retryError;
    if (parse(block, !lastByte, character, &retryError, &retryNotes, &sawBalloon)) {
        if (warnings) {
            warnings->append(retryNotes);
            warnings->append(
                QStringLiteral("char.acf: the balloon block of a minor version %1 character %2 "
                               "its last byte (read as its version says: %3)")
                    .arg(character->info.minorVersion)
                    .arg(lastByte ? QStringLiteral("lacks") : QStringLiteral("has"))
                    .arg(firstError));
        }
        return true;
    }
    if (error)
        *error = firstError;
    return false;
}

} // namespace clipvoice::agent::acs
