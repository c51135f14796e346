#include "AcsWriter.h"

#include "AcsReader.h"
#include "Compression.h"
#include "ImageDecoder.h"

#include <QSaveFile>
#include <QtEndian>

namespace clipvoice::agent::acs {

namespace {

class Out
{
public:
    QByteArray bytes;

    qint64 size() const { return bytes.size(); }
    void u8(quint8 v) { bytes.append(char(v)); }
    void u16(quint16 v)
    {
        char b[2];
        qToLittleEndian(v, b);
        bytes.append(b, 2);
    }
    void i16(qint16 v) { u16(quint16(v)); }
    void u32(quint32 v)
    {
        char b[4];
        qToLittleEndian(v, b);
        bytes.append(b, 4);
    }
    void i32(qint32 v) { u32(quint32(v)); }
    void raw(const QByteArray& b) { bytes.append(b); }
    void patchU32(qint64 at, quint32 v) { qToLittleEndian(v, bytes.data() + at); }
    void guid(const QUuid& id)
    {
        u32(id.data1);
        u16(id.data2);
        u16(id.data3);
        bytes.append(reinterpret_cast<const char*>(id.data4), 8);
    }
    void string(const QString& s)
    {
        u32(quint32(s.size()));
        if (s.isEmpty())
            return;
        for (QChar ch : s)
            u16(ch.unicode());
        u16(0);
    }
    void colour(QRgb c)
    {
        u8(quint8(qRed(c)));
        u8(quint8(qGreen(c)));
        u8(quint8(qBlue(c)));
        u8(0);
    }
};

struct Checker
{
    QString error;
    bool fits(qint64 value, qint64 max, const QString& what)
    {
        if (error.isEmpty() && value > max)
            error = QStringLiteral("%1 is %2, more than the file format allows (%3)")
                        .arg(what)
                        .arg(value)
                        .arg(max);
        return error.isEmpty();
    }
};

void checkString(Checker& ck, const QString& s, const QString& what)
{
    ck.fits(s.size(), 65536, what + QStringLiteral(" length"));
}

void writeCharacterBlock(Out& o, const CharacterInfo& info, Checker& ck)
{
    ck.fits(info.palette.size(), 256, QStringLiteral("palette size"));
    ck.fits(info.states.size(), 0xFFFF, QStringLiteral("state count"));
    ck.fits(info.localized.size(), 0xFFFF, QStringLiteral("localized entry count"));
    if (ck.error.isEmpty() &&
        (info.width == 0 || info.height == 0 || info.width > AcsReader::MaxCharacterSide ||
         info.height > AcsReader::MaxCharacterSide))
        ck.error = QStringLiteral("character size %1 x %2 is outside 1..%3")
                       .arg(info.width)
                       .arg(info.height)
                       .arg(AcsReader::MaxCharacterSide);
    const qint64 start = o.size();
    o.u16(info.minorVersion);
    o.u16(info.majorVersion);
    const qint64 localizedLocator = o.size();
    o.u32(0);
    o.u32(0);
    o.guid(info.id);
    o.u16(info.width);
    o.u16(info.height);
    o.u8(info.transparentIndex);
    quint32 flags = info.styleFlags & ~(StyleFlag::VoiceNone | StyleFlag::VoiceEnabled |
                                        StyleFlag::BalloonNone | StyleFlag::BalloonEnabled);
    flags |= info.voice ? StyleFlag::VoiceEnabled : StyleFlag::VoiceNone;
    flags |= info.balloon ? StyleFlag::BalloonEnabled : StyleFlag::BalloonNone;
    o.u32(flags);
    o.u16(info.animationSetVersionFirst);
    o.u16(info.animationSetVersionSecond);
    if (const auto& v = info.voice) {
        o.guid(v->engineId);
        o.guid(v->modeId);
        o.u32(v->speed);
        o.u16(v->pitch);
        o.u8(v->hasExtraData ? 1 : 0);
        if (v->hasExtraData) {
            checkString(ck, v->dialect, QStringLiteral("voice dialect"));
            checkString(ck, v->style, QStringLiteral("voice style"));
            o.u16(v->languageId);
            o.string(v->dialect);
            o.u16(v->gender);
            o.u16(v->age);
            o.string(v->style);
        }
    }
    if (const auto& b = info.balloon) {
        checkString(ck, b->fontName, QStringLiteral("balloon font name"));
        o.u8(b->lines);
        o.u8(b->charsPerLine);
        o.colour(b->foreground);
        o.colour(b->background);
        o.colour(b->border);
        o.string(b->fontName);
        o.i32(b->fontHeight);
        o.i32(b->fontWeight);
        o.u8(b->italic ? 1 : 0);
        o.u8(b->unknownFontByte);
    }
    o.u32(quint32(info.palette.size()));
    for (QRgb c : info.palette) {
        o.u8(quint8(qBlue(c)));
        o.u8(quint8(qGreen(c)));
        o.u8(quint8(qRed(c)));
        o.u8(0);
    }
    o.u8(info.trayIcon ? 1 : 0);
    if (const auto& t = info.trayIcon) {
        o.u32(quint32(t->mask.size()));
        o.raw(t->mask);
        o.u32(quint32(t->color.size()));
        o.raw(t->color);
    }
    o.u16(quint16(info.states.size()));
    for (const State& s : info.states) {
        checkString(ck, s.name, QStringLiteral("state name"));
        ck.fits(s.animations.size(), 0xFFFF, QStringLiteral("state animation count"));
        o.string(s.name);
        o.u16(quint16(s.animations.size()));
        for (const QString& a : s.animations) {
            checkString(ck, a, QStringLiteral("state animation name"));
            o.string(a);
        }
    }
    // The localized list follows the state table inside the character block.
    const qint64 localizedStart = o.size();
    o.u16(quint16(info.localized.size()));
    for (const LocalizedInfo& l : info.localized) {
        checkString(ck, l.name, QStringLiteral("character name"));
        checkString(ck, l.description, QStringLiteral("description"));
        checkString(ck, l.extraData, QStringLiteral("extra data"));
        o.u16(l.languageId);
        o.string(l.name);
        o.string(l.description);
        o.string(l.extraData);
    }
    o.patchU32(localizedLocator, quint32(localizedStart));
    o.patchU32(localizedLocator + 4, quint32(o.size() - localizedStart));
    Q_UNUSED(start);
}

void writeAnimation(Out& o, const Animation& a, Checker& ck)
{
    checkString(ck, a.name, QStringLiteral("animation name"));
    checkString(ck, a.returnAnimation, QStringLiteral("return animation name"));
    ck.fits(a.frames.size(), 0xFFFF, QStringLiteral("frame count of \"%1\"").arg(a.name));
    o.string(a.name);
    o.u8(a.transitionType);
    o.string(a.returnAnimation);
    o.u16(quint16(a.frames.size()));
    for (const Frame& f : a.frames) {
        ck.fits(f.images.size(), 0xFFFF, QStringLiteral("frame image count"));
        ck.fits(f.branches.size(), 0xFF, QStringLiteral("branch count"));
        ck.fits(f.overlays.size(), 0xFF, QStringLiteral("overlay count"));
        o.u16(quint16(f.images.size()));
        for (const FrameImage& fi : f.images) {
            o.u32(fi.imageIndex);
            o.i16(fi.x);
            o.i16(fi.y);
        }
        o.u16(f.soundIndex);
        o.u16(f.duration);
        o.i16(f.exitFrame);
        o.u8(quint8(f.branches.size()));
        for (const Branch& b : f.branches) {
            o.u16(b.targetFrame);
            o.u16(b.probability);
        }
        o.u8(quint8(f.overlays.size()));
        for (const MouthOverlay& m : f.overlays) {
            o.u8(m.shape);
            o.u8(m.replaceTopImage ? 1 : 0);
            o.u16(m.imageIndex);
            o.u8(m.unknownByte);
            o.u8(m.hasRegion ? 1 : 0);
            o.i16(m.x);
            o.i16(m.y);
            o.u16(m.width);
            o.u16(m.height);
            if (m.hasRegion) {
                o.u32(quint32(m.region.size()));
                o.raw(m.region);
            }
        }
    }
}

void writeImage(Out& o, const IndexedImage& img, qsizetype index, int maxSide, Checker& ck)
{
    if (ck.error.isEmpty() && (img.width > maxSide || img.height > maxSide))
        ck.error = QStringLiteral("image %1 is %2 x %3, larger than %4 x %4")
                       .arg(index)
                       .arg(img.width)
                       .arg(img.height)
                       .arg(maxSide);
    if (ck.error.isEmpty() && img.pixels.size() != qsizetype(img.width) * img.height)
        ck.error = QStringLiteral("image %1 has %2 pixel bytes for %3 x %4")
                       .arg(index)
                       .arg(img.pixels.size())
                       .arg(img.width)
                       .arg(img.height);
    if (!ck.error.isEmpty())
        return;
    o.u8(img.unknownByte);
    o.u16(img.width);
    o.u16(img.height);
    const QByteArray stored = ImageDecoder::toStoredRows(img.pixels, img.width, img.height);
    const QByteArray packed = stored.isEmpty() ? QByteArray() : Compression::compress(stored);
    const bool compress = !stored.isEmpty() && packed.size() < stored.size();
    o.u8(compress ? 1 : 0);
    const QByteArray& pixels = compress ? packed : stored;
    o.u32(quint32(pixels.size()));
    o.raw(pixels);
    const QByteArray region =
        img.region.isEmpty() ? QByteArray() : Compression::compress(img.region);
    if (!img.region.isEmpty() && region.size() < img.region.size()) {
        o.u32(quint32(region.size()));
        o.u32(quint32(img.region.size()));
        o.raw(region);
    } else {
        o.u32(0);
        o.u32(quint32(img.region.size()));
        o.raw(img.region);
    }
}

} // namespace

AcsWriter::Result AcsWriter::write(const Character& character)
{
    Result result;
    Checker ck;
    ck.fits(character.animations.size(), 0xFFFFFF, QStringLiteral("animation count"));
    ck.fits(character.images.size(), 0xFFFFFF, QStringLiteral("image count"));
    ck.fits(character.sounds.size(), 0xFFFF, QStringLiteral("sound count"));
    Out o;
    o.u32(AcsReader::Signature);
    for (int i = 0; i < 8; ++i)
        o.u32(0);
    const auto setLocator = [&o](int which, qint64 start) {
        o.patchU32(4 + 8 * which, quint32(start));
        o.patchU32(8 + 8 * which, quint32(o.size() - start));
    };

    qint64 start = o.size();
    writeCharacterBlock(o, character.info, ck);
    setLocator(0, start);

    // Animation blocks first, then the list that points at them.
    QList<qint64> animationStarts;
    for (const Animation& a : character.animations) {
        animationStarts.append(o.size());
        writeAnimation(o, a, ck);
    }
    animationStarts.append(o.size());
    start = o.size();
    o.u32(quint32(character.animations.size()));
    for (qsizetype i = 0; i < character.animations.size(); ++i) {
        o.string(character.animations[i].name);
        o.u32(quint32(animationStarts[i]));
        o.u32(quint32(animationStarts[i + 1] - animationStarts[i]));
    }
    setLocator(1, start);

    QList<qint64> imageStarts;
    for (qsizetype i = 0; i < character.images.size(); ++i) {
        imageStarts.append(o.size());
        writeImage(o, character.images[i], i, AcsReader::maxImageSide(character.info), ck);
        if (!ck.error.isEmpty())
            break;
    }
    imageStarts.append(o.size());
    start = o.size();
    o.u32(quint32(character.images.size()));
    for (qsizetype i = 0; i + 1 < imageStarts.size(); ++i) {
        o.u32(quint32(imageStarts[i]));
        o.u32(quint32(imageStarts[i + 1] - imageStarts[i]));
        o.u32(0); // checksum: its algorithm is unknown and readers ignore it
    }
    setLocator(2, start);

    QList<qint64> soundStarts;
    for (const QByteArray& s : character.sounds) {
        soundStarts.append(o.size());
        o.raw(s);
    }
    soundStarts.append(o.size());
    start = o.size();
    o.u32(quint32(character.sounds.size()));
    for (qsizetype i = 0; i + 1 < soundStarts.size(); ++i) {
        o.u32(quint32(soundStarts[i]));
        o.u32(quint32(soundStarts[i + 1] - soundStarts[i]));
        o.u32(0);
    }
    setLocator(3, start);

    if (ck.error.isEmpty() && o.size() > qint64(0xFFFFFFFF))
        ck.error = QStringLiteral("the character needs %1 bytes, more than 4 GB").arg(o.size());
    if (!ck.error.isEmpty()) {
        result.error = ck.error;
        return result;
    }
    result.data = std::move(o.bytes);
    return result;
}

bool AcsWriter::writeFile(const Character& character, const QString& path, QString* error)
{
    const Result r = write(character);
    if (!r.ok()) {
        if (error)
            *error = r.error;
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(r.data) != r.data.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace clipvoice::agent::acs
