#include "Acs15Fixtures.h"

#include <QRandomGenerator>
#include <QtEndian>

namespace clipvoice::agent::acs::testing {

namespace {

constexpr quint8 kTransparent = 0;

QList<QRgb> palette(int count)
{
    QList<QRgb> colors;
    for (int i = 0; i < count; ++i)
        colors.append(qRgb((i * 37) & 0xFF, (i * 91 + 40) & 0xFF, (255 - i * 53) & 0xFF));
    return colors;
}

void appendU32(QByteArray& data, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    data.append(b, 4);
}

void appendU16(QByteArray& data, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    data.append(b, 2);
}

AnimationEntry15 entry(int number, const QString& name, const QString& returnName = {})
{
    return {name, QStringLiteral("anim%1.aaf").arg(number), returnName,
            0x3C000000u + quint32(number) * 0x1234567u};
}

// A character without animations; the fixtures add theirs.
Character15 baseCharacter(const QString& name, int width, int height, quint16 minor, quint32 flags,
                          int colors)
{
    Character15 c;
    CharacterInfo& info = c.info;
    info.minorVersion = minor;
    info.majorVersion = 1;
    info.id =
        QUuid(0x1d2e3f40, 0x5a6b, 0x7c8d, 0x9e, 0xaf, 0xb0, 0xc1, 0xd2, 0xe3, 0xf4, quint8(width));
    info.width = quint16(width);
    info.height = quint16(height);
    info.transparentIndex = kTransparent;
    info.styleFlags = flags;
    if (flags & StyleFlag::VoiceEnabled) {
        VoiceInfo voice;
        voice.engineId =
            QUuid(0xCA141FD0, 0xAC7F, 0x11D1, 0x97, 0xA3, 0x00, 0x60, 0x08, 0x27, 0x3E, 0x48);
        voice.modeId =
            QUuid(0xCA141FD0, 0xAC7F, 0x11D1, 0x97, 0xA3, 0x00, 0x60, 0x08, 0x27, 0x3E, 0x49);
        voice.speed = 0xFFFFFFFF;
        voice.pitch = 0xFFFF;
        info.voice = voice;
    }
    if (flags & StyleFlag::BalloonEnabled) {
        BalloonInfo balloon;
        balloon.lines = 3;
        balloon.charsPerLine = 28;
        balloon.foreground = qRgb(0, 0, 0);
        balloon.background = qRgb(0xFF, 0xFF, 0xE1);
        balloon.border = qRgb(0x10, 0x20, 0x30);
        balloon.fontName = QStringLiteral("MS Sans Serif");
        balloon.fontHeight = -13;
        balloon.fontWeight = 400;
        info.balloon = balloon;
    }
    info.palette = palette(colors);
    info.localized = {LocalizedInfo{0, name, QStringLiteral("A %1 for tests").arg(name), {}}};
    return c;
}

// Every state lists one or two of the character's animations.
void addStates(Character15& c)
{
    const QStringList names = standardStateNames15();
    for (int i = 0; i < names.size(); ++i) {
        State s;
        s.name = names[i];
        const qsizetype n = c.animations.size();
        s.animations.append(c.animations[i % n].name);
        if (i % 3 == 0 && n > 1)
            s.animations.append(c.animations[(i + 1) % n].name);
        c.info.states.append(s);
    }
}

Frame15 frame(quint16 image, quint16 duration = 10, quint16 sound = NoSound15)
{
    Frame15 f;
    f.imageIndex = image;
    f.duration = duration;
    f.soundIndex = sound;
    return f;
}

// An animation of `images` shapes shown one after another.
Animation15 sequence(const CharacterInfo& info, int images, int seed)
{
    Animation15 a;
    for (int i = 0; i < images; ++i) {
        a.images.append(shapeImage15(info.width, info.height, info.transparentIndex, seed + i,
                                     int(info.palette.size())));
        a.frames.append(frame(quint16(i)));
    }
    return a;
}

QList<Overlay15> mouths(const CharacterInfo& info, int width, int height)
{
    QList<Overlay15> list;
    for (quint8 shape = 0; shape < MouthShapeCount; ++shape)
        list.append(mouthOverlay15(shape, info.width / 2 - width / 2, info.height / 2, width,
                                   height - shape, info.transparentIndex,
                                   int(info.palette.size())));
    return list;
}

} // namespace

QStringList standardStateNames15()
{
    return {QStringLiteral("Showing"),       QStringLiteral("Hiding"),
            QStringLiteral("Speaking"),      QStringLiteral("IdlingLevel1"),
            QStringLiteral("IdlingLevel2"),  QStringLiteral("IdlingLevel3"),
            QStringLiteral("MovingLeft"),    QStringLiteral("MovingRight"),
            QStringLiteral("MovingUp"),      QStringLiteral("MovingDown"),
            QStringLiteral("GesturingLeft"), QStringLiteral("GesturingRight"),
            QStringLiteral("GesturingUp"),   QStringLiteral("GesturingDown"),
            QStringLiteral("Listening"),     QStringLiteral("Hearing")};
}

QByteArray wave15(int samples, bool extraChunk, bool riffSizeOneTooLarge)
{
    QByteArray body = "WAVE";
    body += "fmt ";
    appendU32(body, 16);
    appendU16(body, 1);    // PCM
    appendU16(body, 1);    // mono
    appendU32(body, 8000); // rate
    appendU32(body, 8000); // bytes per second
    appendU16(body, 1);    // block align
    appendU16(body, 8);    // bits
    if (extraChunk) {
        body += "LIST";
        const QByteArray info = "INFOISFT\x06\x00\x00\x00tests\x00";
        appendU32(body, quint32(info.size()));
        body += info;
    }
    body += "data";
    appendU32(body, quint32(samples));
    for (int i = 0; i < samples; ++i)
        body.append(char(128 + ((i / 8) % 2 ? 40 : -40)));
    if (samples % 2)
        body.append('\0');
    QByteArray wav = "RIFF";
    appendU32(wav, quint32(body.size() + (riffSizeOneTooLarge ? 1 : 0)));
    return wav + body;
}

Image15 shapeImage15(int width, int height, quint8 transparent, int seed, int colors)
{
    const qsizetype stride = stride15(width);
    QByteArray pixels(stride * height, char(transparent));
    const int cx = width / 2 + (seed % 5) - 2;
    const int cy = height / 2;
    const int rx = std::max(2, width / 3);
    const int ry = std::max(2, height / 3 + seed % 3);
    auto color = [&](int k) { return char(1 + (seed + k) % std::max(1, colors - 1)); };
    for (int y = 0; y < height; ++y) {
        char* row = pixels.data() + (height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const qint64 dx = x - cx, dy = y - cy;
            if (dx * dx * ry * ry + dy * dy * rx * rx <= qint64(rx) * rx * ry * ry)
                row[x] = color(y < cy ? 0 : 1);
        }
        // An eye, so that frames differ from one another.
        if (y >= cy - ry / 2 && y < cy - ry / 2 + 3)
            for (int x = cx + seed % 7; x < std::min(width, cx + seed % 7 + 4); ++x)
                row[x] = color(2);
    }
    // Row padding is not part of the picture but is stored; give it a value.
    for (int y = 0; y < height; ++y)
        for (qsizetype x = width; x < stride; ++x)
            pixels[y * stride + x] = char(transparent);
    Image15 image;
    image.pixels = pixels;
    image.region = region15(pixels, width, height, transparent);
    return image;
}

Overlay15 mouthOverlay15(quint8 shape, int x, int y, int width, int height, quint8 transparent,
                         int colors)
{
    Overlay15 o;
    o.shape = shape;
    o.x = qint16(x);
    o.y = qint16(y);
    o.width = quint16(width);
    o.height = quint16(height);
    const qsizetype stride = stride15(width);
    o.pixels = QByteArray(stride * height, char(transparent));
    const int open = 1 + shape * std::max(1, height / 8);
    for (int row = 0; row < height; ++row) {
        const int fromTop = height - 1 - row;
        if (std::abs(fromTop - height / 2) > open)
            continue;
        for (int col = 2; col < width - 2; ++col)
            o.pixels[row * stride + col] = char(1 + (shape + 3) % std::max(1, colors - 1));
    }
    return o;
}

Acs15Fixture smallCharacter15()
{
    Acs15Fixture f;
    f.name = QStringLiteral("small");
    f.character = baseCharacter(QStringLiteral("Small"), 96, 80, 31, 0x220, 16);
    const CharacterInfo& info = f.character.info;
    f.character.animations = {
        entry(1, QStringLiteral("Greet")), entry(2, QStringLiteral("RestPose")),
        entry(3, QStringLiteral("Speak")), entry(4, QStringLiteral("Idle1_1"))};
    Animation15 greet = sequence(info, 3, 1);
    greet.sounds = {wave15(200), wave15(120)};
    greet.frames[0].soundIndex = 0;
    greet.frames[2].soundIndex = 1;
    Animation15 speak = sequence(info, 2, 7);
    // Mouths on a frame that is not the last, and on the last.
    speak.frames[0].overlays = mouths(info, 40, 24);
    speak.frames[1].overlays = mouths(info, 44, 28);
    f.animations = {greet, sequence(info, 1, 4), speak, sequence(info, 2, 9)};
    addStates(f.character);
    return f;
}

Acs15Fixture minor30Character15()
{
    Acs15Fixture f;
    f.name = QStringLiteral("minor30");
    f.character = baseCharacter(QStringLiteral("Thirty"), 240, 240, 30, 0x1220, 256);
    f.character.info.balloon->unknownFontByte = 0;
    f.character.info.balloon->italic = true;
    const CharacterInfo& info = f.character.info;
    f.character.animations = {entry(1, QStringLiteral("Show")), entry(2, QStringLiteral("Hide"))};
    f.animations = {sequence(info, 2, 3), sequence(info, 1, 5)};
    addStates(f.character);
    return f;
}

Acs15Fixture earlyCharacter15()
{
    Acs15Fixture f;
    f.name = QStringLiteral("early");
    f.character = baseCharacter(QStringLiteral("Early"), 166, 120, 31, 0x110, 128);
    const CharacterInfo& info = f.character.info;
    f.character.animations = {entry(1, QStringLiteral("Appear")), entry(2, QStringLiteral("Wave")),
                              entry(3, QStringLiteral("Nervous")),
                              entry(4, QStringLiteral("RestPose"))};
    Animation15 appear = sequence(info, 2, 2);
    appear.images.insert(0, Image15{}); // an empty image, shown by the first frame
    appear.frames = {frame(0), frame(1), frame(2, 10, 0)};
    appear.sounds = {wave15(300, true)};

    Animation15 wave = sequence(info, 3, 11);
    wave.frames[1].branches = {{0, 40}, {2, 30}};
    wave.frames[2].branches = {{1, 100}};
    wave.frames.append(frame(NoImage15, 10)); // shows nothing for its time
    wave.sounds = {wave15(90, true), wave15(64)};
    wave.frames[0].soundIndex = 1;

    // Enough varied data that its compressed form has real tokens after its
    // middle, where the damage starts.
    Animation15 nervous = sequence(info, 4, 13);
    QRandomGenerator rng(17);
    for (Image15& image : nervous.images) {
        for (qsizetype i = 0; i < image.pixels.size(); i += 7)
            if (image.pixels[i] != char(kTransparent))
                image.pixels[i] = char(1 + rng.bounded(info.palette.size() - 1));
        image.region = region15(image.pixels, info.width, info.height, kTransparent);
    }
    f.animations = {appear, wave, nervous, sequence(info, 1, 6)};
    f.damagedAnimation = 2;
    f.options.corruptAnimation = 2;
    addStates(f.character);
    return f;
}

Acs15Fixture voiceCharacter15()
{
    Acs15Fixture f;
    f.name = QStringLiteral("voice");
    f.character = baseCharacter(QStringLiteral("Voice"), 197, 100, 31, 0x10220, 255);
    f.character.info.voice->speed = 140;
    f.character.info.voice->pitch = 120;
    const CharacterInfo& info = f.character.info;
    f.character.animations = {entry(1, QStringLiteral("RestPose")),
                              entry(2, QStringLiteral("wait")), entry(3, QStringLiteral("yeux"))};
    f.animations = {sequence(info, 2, 8), Animation15{}, Animation15{}};
    addStates(f.character);
    return f;
}

Acs15Fixture branchingCharacter15()
{
    Acs15Fixture f;
    f.name = QStringLiteral("branching");
    f.character = baseCharacter(QStringLiteral("Branching"), 80, 90, 31, 0x30220, 256);
    const CharacterInfo& info = f.character.info;
    f.character.animations = {entry(1, QStringLiteral("Reading")),
                              entry(2, QStringLiteral("Alert"), QStringLiteral("AlertReturn")),
                              entry(3, QStringLiteral("AlertReturn")),
                              entry(4, QStringLiteral("Hide"))};
    Animation15 reading = sequence(info, 2, 21);
    Frame15 branchPoint = frame(NoImage15, 0);
    branchPoint.branches = {{0, 100}};
    reading.frames.append(branchPoint);
    Animation15 hide = sequence(info, 2, 25);
    hide.sounds = {wave15(111, false, true)};
    hide.frames[0].soundIndex = 0;
    hide.frames.append(frame(NoImage15, 10)); // ends invisible
    f.animations = {reading, sequence(info, 2, 22), sequence(info, 1, 23), hide};
    addStates(f.character);
    return f;
}

Acs15Fixture emptyOverlayCharacter15()
{
    Acs15Fixture f;
    f.name = QStringLiteral("emptyOverlays");
    f.character = baseCharacter(QStringLiteral("Quiet"), 250, 250, 30, 0x1220, 256);
    const CharacterInfo& info = f.character.info;
    f.character.animations = {entry(1, QStringLiteral("Speak")),
                              entry(2, QStringLiteral("RestPose"))};
    Animation15 speak = sequence(info, 1, 31);
    for (quint8 shape = 0; shape < MouthShapeCount; ++shape) {
        Overlay15 empty;
        empty.shape = shape;
        speak.frames[0].overlays.append(empty);
    }
    f.animations = {speak, sequence(info, 1, 32)};
    addStates(f.character);
    return f;
}

QList<Acs15Fixture> allAcs15Fixtures()
{
    return {smallCharacter15(), minor30Character15(),   earlyCharacter15(),
            voiceCharacter15(), branchingCharacter15(), emptyOverlayCharacter15()};
}

} // namespace clipvoice::agent::acs::testing
