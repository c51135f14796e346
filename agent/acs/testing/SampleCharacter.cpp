#include "SampleCharacter.h"

#include "agent/acs/DibCodec.h"

#include <QImage>
#include <QtEndian>

#include <algorithm>

namespace clipvoice::agent::acs::testing {

namespace {

class Random
{
public:
    explicit Random(quint32 seed)
        : m_state(seed * 2654435761u + 12345u)
    {}
    quint32 next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    int range(int lo, int hi) { return lo + int(next() % quint32(hi - lo + 1)); }

private:
    quint32 m_state;
};

void putU32(QByteArray& out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void putU16(QByteArray& out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

const char* const kAnimationNames[] = {"Show",    "Hide",     "RestPose", "Greet",
                                       "Idle1_1", "Announce", "Pleased",  "Read",
                                       "Write",   "DoMagic1", "Suggest",  "Blink"};

} // namespace

QList<QRgb> SampleCharacter::palette()
{
    // Groups of four shades of one hue, so that banded shading looks like shading.
    QList<QRgb> p;
    p.reserve(256);
    for (int i = 0; i < 256; ++i) {
        const int hue = ((i / 4) * 47) % 360;
        const int shade = i % 4;
        p.append(QColor::fromHsv(hue, 200 - 30 * shade, 130 + 40 * shade).rgb());
    }
    p[0] = qRgb(0, 0, 0);
    p[1] = qRgb(128, 0, 0);
    p[10] = qRgb(255, 0, 255);
    p[255] = qRgb(255, 255, 255);
    return p;
}

IndexedImage SampleCharacter::cartoonImage(int width, int height, quint32 seed,
                                           quint8 transparentIndex)
{
    IndexedImage img;
    img.width = quint16(width);
    img.height = quint16(height);
    img.pixels = QByteArray(qsizetype(width) * height, char(transparentIndex));
    auto* px = reinterpret_cast<uchar*>(img.pixels.data());
    Random rng(seed);
    // A body, a head and details: flat fills, some with a banded shading as
    // cartoon characters often have, all with dark outlines.
    const int shapes = 6 + rng.range(0, 6);
    for (int s = 0; s < shapes; ++s) {
        const int cx = rng.range(width / 6, width - 1 - width / 6);
        const int cy = rng.range(height / 6, height - 1 - height / 6);
        const int rx =
            std::max(2, s < 2 ? rng.range(width / 4, width / 3) : rng.range(width / 16, width / 6));
        const int ry = std::max(2, s < 2 ? rng.range(height / 4, height / 3)
                                         : rng.range(height / 16, height / 6));
        quint8 fill = quint8(rng.range(20, 236));
        if ((fill & ~3) == (transparentIndex & ~3)) // keep shades off the transparent index
            fill = quint8(fill + 4);
        const bool ellipse = (rng.next() % 3) != 0;
        const bool shaded = (rng.next() % 3) == 0;
        const int outline = 1 + int(rng.next() % 2);
        for (int y = std::max(0, cy - ry); y < std::min(height, cy + ry + 1); ++y) {
            for (int x = std::max(0, cx - rx); x < std::min(width, cx + rx + 1); ++x) {
                const qint64 dx = x - cx;
                const qint64 dy = y - cy;
                qint64 inside; // > 0 inside, small near the edge
                if (ellipse) {
                    const qint64 v = dx * dx * ry * ry + dy * dy * rx * rx;
                    const qint64 r2 = qint64(rx) * rx * ry * ry;
                    if (v > r2)
                        continue;
                    inside = (r2 - v) * 4 / std::max<qint64>(1, qint64(rx) * ry * std::max(rx, ry));
                } else {
                    inside = std::min({dx + rx, rx - dx, dy + ry, ry - dy});
                }
                quint8 v = fill;
                if (shaded)
                    v = quint8((fill & ~3) + ((x + 2 * y) / 5) % 4);
                px[qsizetype(y) * width + x] = inside < outline ? 0 : v;
            }
        }
    }
    return img;
}

QByteArray SampleCharacter::wave(int samples, quint32 seed)
{
    QByteArray w;
    w.append("RIFF", 4);
    putU32(w, quint32(36 + samples));
    w.append("WAVEfmt ", 8);
    putU32(w, 16);
    putU16(w, 1); // PCM
    putU16(w, 1); // mono
    putU32(w, 11025);
    putU32(w, 11025);
    putU16(w, 1);
    putU16(w, 8);
    w.append("data", 4);
    putU32(w, quint32(samples));
    Random rng(seed);
    for (int i = 0; i < samples; ++i)
        w.append(char(128 + ((i * int(seed % 7 + 3)) % 64) - 32 + rng.range(-4, 4)));
    return w;
}

Character SampleCharacter::build(const Options& o)
{
    Character c;
    CharacterInfo& info = c.info;
    info.id = QUuid(0x12345678u + o.seed, 0x9abc, 0xdef0, 1, 2, 3, 4, 5, 6, 7, 8);
    info.width = quint16(o.side);
    info.height = quint16(o.side);
    info.transparentIndex = 10;
    info.styleFlags = StyleFlag::StandardAnimationSet | StyleFlag::BalloonSizeToText |
                      (o.withVoice ? StyleFlag::VoiceEnabled : StyleFlag::VoiceNone) |
                      (o.withBalloon ? StyleFlag::BalloonEnabled : StyleFlag::BalloonNone);
    info.animationSetVersionFirst = 1;
    info.animationSetVersionSecond = 2;
    if (o.withVoice) {
        VoiceInfo v;
        v.engineId =
            QUuid(0xCA141FD0u, 0xAC7F, 0x11D1, 0x97, 0xA3, 0x00, 0x60, 0x08, 0x27, 0x3F, 0x4A);
        v.modeId =
            QUuid(0x0879A4E0u, 0xE6E1, 0x11D1, 0x97, 0xA3, 0x00, 0x60, 0x08, 0x27, 0x3F, 0x4A);
        v.speed = 170;
        v.pitch = 115;
        v.hasExtraData = true;
        v.languageId = 0x0409;
        v.dialect = QStringLiteral("Standard");
        v.gender = 2;
        v.age = 30;
        v.style = QStringLiteral("Casual");
        info.voice = v;
    }
    if (o.withBalloon) {
        BalloonInfo b;
        b.lines = 2;
        b.charsPerLine = 28;
        b.foreground = qRgb(0, 0, 0);
        b.background = qRgb(255, 255, 225);
        b.border = qRgb(10, 20, 30);
        b.fontName = QStringLiteral("MS Sans Serif");
        b.fontHeight = -13;
        b.fontWeight = 700;
        b.italic = true;
        b.unknownFontByte = 1;
        info.balloon = b;
    }
    info.palette = palette();
    if (o.withTrayIcon) {
        QImage icon(16, 16, QImage::Format_ARGB32);
        icon.fill(Qt::transparent);
        for (int y = 3; y < 13; ++y)
            for (int x = 3; x < 13; ++x)
                icon.setPixel(x, y, (x + y) % 5 == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 0));
        info.trayIcon = DibCodec::encodeTrayIcon(icon);
    }
    info.localized = {
        {0x0409, QStringLiteral("Sample"), QStringLiteral("A generated test character"),
         QStringLiteral("extra")},
        {0x0407, QStringLiteral("Muster"), QStringLiteral("Eine erzeugte Testfigur"), QString()},
        {0x0411, QStringLiteral("\u30b5\u30f3\u30d7\u30eb"), QString(), QString()},
    };

    const int imageCount = std::max(2, o.imageCount);
    for (int i = 0; i < imageCount; ++i) {
        // Mostly full-size drawings, with a few small patches (eyes, mouths).
        const bool patch = o.patchEvery > 0 && i % o.patchEvery == o.patchEvery - 1;
        const int w = patch ? std::max(1, o.side / 4 + i % 3) : o.side;
        const int h = patch ? std::max(1, o.side / 5) : o.side;
        IndexedImage img = cartoonImage(w, h, o.seed * 1000 + quint32(i), info.transparentIndex);
        img.unknownByte = 1;
        if (o.withRegions && i % 2 == 0) {
            // A small region header: type 1, one rectangle covering the image.
            QByteArray r;
            putU32(r, 32);
            putU32(r, 1);
            putU32(r, 1);
            putU32(r, 16);
            for (int k = 0; k < 2; ++k) {
                putU32(r, 0);
                putU32(r, 0);
                putU32(r, quint32(w));
                putU32(r, quint32(h));
            }
            img.region = r;
        }
        c.images.append(img);
    }
    if (o.withSounds) {
        c.sounds.append(wave(200, o.seed));
        c.sounds.append(wave(90, o.seed + 1));
    }

    const int frames = std::max(1, o.framesPerAnimation);
    for (int a = 0; a < o.animationCount; ++a) {
        Animation anim;
        const int nameCount = int(std::size(kAnimationNames));
        anim.name = QLatin1String(kAnimationNames[a % nameCount]);
        if (a >= nameCount)
            anim.name += QString::number(a / nameCount);
        anim.transitionType = quint8(a % 3);
        if (anim.transitionType == 0)
            anim.returnAnimation = QStringLiteral("RestPose");
        for (int f = 0; f < frames; ++f) {
            Frame fr;
            const quint32 body = quint32((a * frames + f) % imageCount);
            const quint32 eyes = quint32((a * frames + f + 1) % imageCount);
            fr.images.append({eyes, qint16(o.side / 3), qint16(o.side / 4)});
            fr.images.append({body, 0, 0});
            fr.duration = quint16(f % 3 == 0 ? 10 : 5);
            if (o.withSounds && f == 0 && a % 2 == 0)
                fr.soundIndex = quint16(a % 2);
            if (anim.transitionType == 1 && f + 1 < frames)
                fr.exitFrame = qint16(frames - 1);
            if (f == frames / 2 && frames > 2)
                fr.branches = {{0, 30}, {quint16(frames - 1), 20}};
            if (f == frames - 1) {
                for (int m = 0; m < MouthShapeCount; ++m) {
                    MouthOverlay ov;
                    ov.shape = quint8(m);
                    ov.replaceTopImage = m == 3;
                    ov.imageIndex = quint16((3 + 4 * m) % imageCount);
                    ov.x = qint16(o.side / 3);
                    ov.y = qint16(o.side / 2);
                    ov.width = quint16(o.side / 4);
                    ov.height = quint16(o.side / 5);
                    if (m == 0) {
                        ov.hasRegion = true;
                        ov.region = QByteArray::fromHex("2000000001000000000000000000000000000000"
                                                        "000000000000000000000000");
                    }
                    fr.overlays.append(ov);
                }
            }
            anim.frames.append(fr);
        }
        c.animations.append(anim);
    }
    for (const char* state : {"SHOWING", "HIDING", "SPEAKING", "IDLINGLEVEL1"}) {
        State s;
        s.name = QLatin1String(state);
        for (int a = 0; a < std::min(o.animationCount, 3); ++a)
            s.animations.append(c.animations[a].name.toUpper());
        info.states.append(s);
    }
    return c;
}

} // namespace clipvoice::agent::acs::testing
