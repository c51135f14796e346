#include "Acs15Writer.h"

#include "agent/acs/Compression.h"
#include "agent/acs/format15/Acs15File.h"

#include <QtEndian>

#include <array>

namespace clipvoice::agent::acs::testing {

namespace {

class Out
{
public:
    void u8(quint8 v) { data.append(char(v)); }
    void u16(quint16 v)
    {
        u8(quint8(v));
        u8(quint8(v >> 8));
    }
    void u32(quint32 v)
    {
        u16(quint16(v));
        u16(quint16(v >> 16));
    }
    void str(const QString& s)
    {
        u32(quint32(s.size()));
        for (QChar ch : s)
            u16(ch.unicode());
    }
    void guid(const QUuid& id)
    {
        u32(id.data1);
        u16(id.data2);
        u16(id.data3);
        for (uchar b : id.data4)
            u8(b);
    }
    void colorRef(QRgb c)
    {
        u8(quint8(qRed(c)));
        u8(quint8(qGreen(c)));
        u8(quint8(qBlue(c)));
        u8(0);
    }
    void bytes(const QByteArray& b) { data.append(b); }

    QByteArray data;
};

void putU32(QByteArray& data, qsizetype at, quint32 v)
{
    qToLittleEndian(v, data.data() + at);
}

} // namespace

QByteArray characterBlock15(const Character15& character, const Acs15WriteOptions& options)
{
    const CharacterInfo& info = character.info;
    Out o;
    o.u16(info.minorVersion);
    o.u16(info.majorVersion);
    o.u16(quint16(character.animations.size()));
    for (const AnimationEntry15& e : character.animations) {
        o.str(e.name);
        o.str(e.streamName);
        o.str(e.returnAnimation);
        o.u32(e.stamp);
    }
    o.guid(info.id);
    const LocalizedInfo localized = info.localized.value(0);
    o.str(localized.name);
    o.str(localized.description);
    o.str(localized.extraData);
    o.u16(info.width);
    o.u16(info.height);
    o.u8(info.transparentIndex);
    quint32 flags = info.styleFlags & ~(StyleFlag::VoiceEnabled | StyleFlag::BalloonEnabled);
    if (info.voice)
        flags |= StyleFlag::VoiceEnabled;
    if (info.balloon)
        flags |= StyleFlag::BalloonEnabled;
    o.u32(flags);
    if (info.voice) {
        o.guid(info.voice->engineId);
        o.guid(info.voice->modeId);
        o.u32(info.voice->speed);
        o.u16(info.voice->pitch);
    }
    if (info.balloon) {
        const BalloonInfo& b = *info.balloon;
        o.u8(b.lines);
        o.u8(b.charsPerLine);
        o.colorRef(b.foreground);
        o.colorRef(b.background);
        o.colorRef(b.border);
        o.str(b.fontName);
        o.u32(quint32(b.fontHeight));
        o.u32(quint32(b.fontWeight));
        o.u8(b.italic ? 1 : 0);
        using B = Acs15WriteOptions::BalloonLastByte;
        const bool last = options.balloonLastByte == B::Always ||
                          (options.balloonLastByte == B::ByVersion && info.minorVersion >= 31);
        if (last)
            o.u8(b.unknownFontByte);
    }
    o.u32(quint32(info.palette.size()));
    for (QRgb c : info.palette) {
        o.u8(quint8(qBlue(c)));
        o.u8(quint8(qGreen(c)));
        o.u8(quint8(qRed(c)));
        o.u8(0);
    }
    o.u16(quint16(info.states.size()));
    for (const State& s : info.states) {
        o.str(s.name);
        o.u16(quint16(s.animations.size()));
        for (const QString& name : s.animations)
            o.str(name);
    }
    o.bytes(options.characterTrailer);
    return o.data;
}

QByteArray animationBlock15(const Animation15& animation)
{
    Out o;
    o.u16(quint16(animation.sounds.size()));
    for (const QByteArray& s : animation.sounds) {
        o.u32(quint32(s.size()));
        o.bytes(s);
    }
    o.u16(quint16(animation.images.size()));
    for (const Image15& image : animation.images) {
        o.u32(quint32(image.pixels.size()));
        if (image.pixels.isEmpty())
            continue;
        o.u8(image.unknownByte);
        o.bytes(image.pixels);
        o.u32(quint32(image.region.size()));
        o.bytes(image.region);
    }
    o.u16(quint16(animation.frames.size()));
    for (const Frame15& f : animation.frames) {
        o.u16(f.imageIndex);
        o.u16(f.soundIndex);
        o.u16(f.duration);
        o.u32(f.unknown);
        o.u8(quint8(f.branches.size()));
        for (const Branch& b : f.branches) {
            o.u16(b.targetFrame);
            o.u16(b.probability);
        }
        o.u8(quint8(f.overlays.size()));
        for (const Overlay15& ov : f.overlays) {
            o.u8(ov.shape);
            o.u32(quint32(ov.pixels.size()));
            if (ov.pixels.isEmpty())
                continue;
            o.u8(ov.unknownByte);
            o.u16(quint16(ov.x));
            o.u16(quint16(ov.y));
            o.u16(ov.width);
            o.u16(ov.height);
            o.bytes(ov.pixels);
        }
    }
    return o.data;
}

QByteArray characterStream15(const QByteArray& block, const Acs15WriteOptions& options)
{
    const QByteArray packed = Compression::compress(block);
    Out o;
    o.u32(options.characterSignature);
    o.u32(options.characterDecodedSize.value_or(quint32(block.size())));
    o.u32(quint32(packed.size()));
    o.bytes(packed);
    return o.data;
}

QByteArray animationStream15(const QByteArray& block, quint16 minorVersion, quint16 majorVersion,
                             quint32 stamp, bool compressed)
{
    const QByteArray body = compressed ? Compression::compress(block) : block;
    Out o;
    o.u16(minorVersion);
    o.u16(majorVersion);
    o.u32(stamp);
    o.u8(compressed ? 1 : 0);
    o.u32(quint32(block.size()));
    o.u32(quint32(body.size()));
    o.bytes(body);
    return o.data;
}

QByteArray writeAcs15(const Character15& character, const QList<Animation15>& animations,
                      const Acs15WriteOptions& options)
{
    Q_ASSERT(animations.size() == character.animations.size());
    CompoundFileWriter writer;
    writer.setRootClsid(CharacterClsid15);
    if (!options.omitCharacterStream)
        writer.addStream(QStringLiteral("char.acf"),
                         characterStream15(characterBlock15(character, options), options));
    const CharacterInfo& info = character.info;
    for (qsizetype i = 0; i < character.animations.size(); ++i) {
        if (i == options.missingAnimation)
            continue;
        const AnimationEntry15& entry = character.animations[i];
        const quint16 minor =
            i == options.wrongVersionAnimation ? quint16(info.minorVersion + 1) : info.minorVersion;
        const quint32 stamp = i == options.wrongStampAnimation ? ~entry.stamp : entry.stamp;
        QByteArray stream = animationStream15(animationBlock15(animations.value(i)), minor,
                                              info.majorVersion, stamp, i != options.rawAnimation);
        constexpr qsizetype header = 17;
        if (i == options.corruptAnimation) {
            // A run of set bits reads as an end marker (or an impossible
            // length) wherever a token starts in it, so the stream ends early.
            const qsizetype from = header + (stream.size() - header) / 2;
            for (qsizetype k = from; k < stream.size(); ++k)
                stream[k] = char(0xFF);
        }
        if (i == options.wrongDecodedSizeAnimation)
            putU32(stream, 9,
                   quint32(qint64(qFromLittleEndian<quint32>(stream.constData() + 9)) +
                           options.wrongDecodedSizeDelta));
        if (i == options.hugeDecodedSizeAnimation)
            putU32(stream, 9, options.hugeDecodedSize);
        writer.addStream(entry.streamName, stream);
    }
    return writer.write(options.damage);
}

QByteArray region15(const QByteArray& pixels, int width, int height, quint8 transparent)
{
    const qsizetype stride = stride15(width);
    QList<std::array<qint32, 4>> rects;
    qint32 left = width, top = height, right = 0, bottom = 0;
    for (int y = 0; y < height; ++y) {
        const char* row = pixels.constData() + (height - 1 - y) * stride;
        for (int x = 0; x < width;) {
            if (quint8(row[x]) == transparent) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < width && quint8(row[x]) != transparent)
                ++x;
            rects.append({start, y, x, y + 1});
            left = std::min(left, start);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y + 1);
        }
    }
    if (rects.isEmpty())
        left = top = right = bottom = 0;
    Out o;
    o.u32(32);
    o.u32(1);
    o.u32(quint32(rects.size()));
    o.u32(quint32(16 * rects.size()));
    for (qint32 v : {left, top, right, bottom})
        o.u32(quint32(v));
    for (const auto& r : rects)
        for (qint32 v : r)
            o.u32(quint32(v));
    return o.data;
}

} // namespace clipvoice::agent::acs::testing
