#include "Character15Conversion.h"

#include <QHash>

#include <algorithm>

namespace clipvoice::agent::acs::testing {

namespace {

// Draws the frame's images (listed topmost first) into a top-down canvas of
// palette indices; `transparent` pixels are skipped.
QByteArray flattenFrame(const Character& character, const Frame& frame)
{
    const int width = character.info.width;
    const int height = character.info.height;
    const quint8 transparent = character.info.transparentIndex;
    QByteArray canvas(qsizetype(width) * height, char(transparent));
    for (qsizetype i = frame.images.size() - 1; i >= 0; --i) {
        const FrameImage& placed = frame.images.at(i);
        if (placed.imageIndex >= quint32(character.images.size()))
            continue;
        const IndexedImage& image = character.images.at(placed.imageIndex);
        for (int y = 0; y < image.height; ++y) {
            const int ty = placed.y + y;
            if (ty < 0 || ty >= height)
                continue;
            for (int x = 0; x < image.width; ++x) {
                const int tx = placed.x + x;
                const quint8 index = quint8(image.pixels.at(qsizetype(y) * image.width + x));
                if (tx < 0 || tx >= width || index == transparent)
                    continue;
                canvas[qsizetype(ty) * width + tx] = char(index);
            }
        }
    }
    return canvas;
}

// Top-down rows of `width` bytes to bottom-up rows padded to stride15(width).
QByteArray bottomUp(const QByteArray& topDown, int width, int height, quint8 pad)
{
    const qsizetype stride = stride15(width);
    QByteArray out(stride * height, char(pad));
    for (int y = 0; y < height; ++y)
        std::copy_n(topDown.constData() + qsizetype(y) * width, width,
                    out.data() + qsizetype(height - 1 - y) * stride);
    return out;
}

// Region data listing the opaque pixels row by row, as the format stores it.
QByteArray regionOf(const QByteArray& topDown, int width, int height, quint8 transparent)
{
    QList<qint32> rects;
    for (int y = 0; y < height; ++y) {
        int x = 0;
        while (x < width) {
            while (x < width && quint8(topDown.at(qsizetype(y) * width + x)) == transparent)
                ++x;
            const int start = x;
            while (x < width && quint8(topDown.at(qsizetype(y) * width + x)) != transparent)
                ++x;
            if (x > start)
                rects << start << y << x << y + 1;
        }
    }
    const qint32 count = qint32(rects.size() / 4);
    QList<qint32> words{32, 1, count, 16 * count, 0, 0, width, height};
    words += rects;
    QByteArray out(words.size() * 4, Qt::Uninitialized);
    for (qsizetype i = 0; i < words.size(); ++i) {
        const quint32 v = quint32(words.at(i));
        for (int b = 0; b < 4; ++b)
            out[i * 4 + b] = char((v >> (8 * b)) & 0xFF);
    }
    return out;
}

Overlay15 overlayOf(const Character& character, const MouthOverlay& mouth)
{
    Overlay15 overlay;
    overlay.shape = mouth.shape;
    if (mouth.imageIndex >= character.images.size())
        return overlay; // an empty overlay
    const IndexedImage& image = character.images.at(mouth.imageIndex);
    overlay.x = mouth.x;
    overlay.y = mouth.y;
    overlay.width = image.width;
    overlay.height = image.height;
    overlay.pixels =
        bottomUp(image.pixels, image.width, image.height, character.info.transparentIndex);
    return overlay;
}

} // namespace

Converted15 toCharacter15(const Character& character, quint16 minorVersion)
{
    Converted15 out;
    CharacterInfo& info = out.character.info;
    info = character.info;
    info.minorVersion = minorVersion;
    info.majorVersion = 1;
    info.trayIcon.reset();
    info.animationSetVersionFirst = 0;
    info.animationSetVersionSecond = 0;
    if (info.voice) {
        info.voice->hasExtraData = false;
        info.voice->languageId = 0;
        info.voice->dialect.clear();
        info.voice->gender = 0;
        info.voice->age = 0;
        info.voice->style.clear();
    }
    if (info.balloon && minorVersion < 31)
        info.balloon->unknownFontByte = 0;
    info.styleFlags &= ~(StyleFlag::VoiceEnabled | StyleFlag::VoiceNone |
                         StyleFlag::BalloonEnabled | StyleFlag::BalloonNone);
    info.styleFlags |= info.voice ? StyleFlag::VoiceEnabled : StyleFlag::VoiceNone;
    info.styleFlags |= info.balloon ? StyleFlag::BalloonEnabled : StyleFlag::BalloonNone;
    if (minorVersion < 31)
        info.styleFlags |= 0x1000;
    const LocalizedInfo* names = findLocalized(character.info.localized, 0x0409);
    LocalizedInfo neutral;
    neutral.languageId = 0;
    if (names) {
        neutral.name = names->name;
        neutral.description = names->description;
    }
    info.localized = {neutral};

    const quint8 transparent = info.transparentIndex;
    for (qsizetype a = 0; a < character.animations.size(); ++a) {
        const Animation& source = character.animations.at(a);
        AnimationEntry15 entry;
        entry.name = source.name;
        entry.streamName = QStringLiteral("anim%1.aaf").arg(a + 1);
        if (source.transitionType == quint8(TransitionType::ReturnAnimation))
            entry.returnAnimation = source.returnAnimation;
        entry.stamp = 0x1000 + quint32(a) * 7;
        out.character.animations.append(entry);

        Animation15 animation;
        QHash<quint16, quint16> soundNumbers;
        QHash<QByteArray, quint16> imageNumbers; // identical frames share one image
        for (const Frame& frame : source.frames) {
            Frame15 flat;
            flat.duration = frame.duration;
            flat.branches = frame.branches;
            if (!frame.images.isEmpty()) {
                const QByteArray topDown = flattenFrame(character, frame);
                auto found = imageNumbers.constFind(topDown);
                if (found == imageNumbers.constEnd()) {
                    Image15 image;
                    image.pixels = bottomUp(topDown, info.width, info.height, transparent);
                    image.region = regionOf(topDown, info.width, info.height, transparent);
                    found = imageNumbers.insert(topDown, quint16(animation.images.size()));
                    animation.images.append(image);
                }
                flat.imageIndex = *found;
            }
            if (frame.hasSound() && frame.soundIndex < character.sounds.size()) {
                auto found = soundNumbers.constFind(frame.soundIndex);
                if (found == soundNumbers.constEnd()) {
                    found = soundNumbers.insert(frame.soundIndex, quint16(animation.sounds.size()));
                    animation.sounds.append(character.sounds.at(frame.soundIndex));
                }
                flat.soundIndex = *found;
            }
            for (const MouthOverlay& mouth : frame.overlays)
                flat.overlays.append(overlayOf(character, mouth));
            animation.frames.append(flat);
        }
        out.animations.append(animation);
    }
    return out;
}

} // namespace clipvoice::agent::acs::testing
