#include "agent/acs/format15/Acs15Reader.h"

#include "agent/acs/format15/Acs15File.h"

#include <QMutexLocker>
#include <QtEndian>

#include <algorithm>
#include <new>

namespace clipvoice::agent::acs {

namespace {

// What a cache entry of animation data costs besides its bytes.
constexpr qint64 kDataOverhead = 256;
// Reader-wide sound numbers must stay below NoSound.
constexpr qsizetype kMaxSounds = NoSound;

qint64 dataCost(const Animation15& data)
{
    qint64 cost = kDataOverhead;
    for (const QByteArray& sound : data.sounds)
        cost += sound.size();
    for (const Image15& image : data.images)
        cost += image.pixels.size() + image.region.size();
    for (const Frame15& frame : data.frames) {
        for (const Overlay15& overlay : frame.overlays)
            cost += overlay.pixels.size();
    }
    return cost;
}

quint64 frameKey(qsizetype animation, qsizetype frame, int mouthShape)
{
    return (quint64(animation) << 32) | (quint64(frame) << 4) | quint64(mouthShape + 1);
}

bool overlayUsable(const Overlay15& overlay)
{
    return !overlay.isEmpty() && overlay.width > 0 && overlay.height > 0 &&
           overlay.pixels.size() == stride15(overlay.width) * overlay.height;
}

// The frame's first usable overlay for `shape`, or null.
const Overlay15* overlayFor(const Frame15& frame, int shape)
{
    if (shape < 0 || shape >= MouthShapeCount)
        return nullptr;
    for (const Overlay15& overlay : frame.overlays) {
        if (overlay.shape == shape && overlayUsable(overlay))
            return &overlay;
    }
    return nullptr;
}

} // namespace

struct Acs15Reader::Slot
{
    enum class State
    {
        Unread,
        Decoding,
        Ready,
        Damaged,
    };
    State state = State::Unread;
    std::unique_ptr<Animation> animation;
    qsizetype firstSound = 0; // reader-wide number of the animation's sound 0
    qsizetype soundsNumbered = 0;
};

Acs15Reader::Acs15Reader(std::unique_ptr<Animation15Source> source, QString fileName)
    : m_source(std::move(source))
    , m_damage(std::move(fileName))
{
    const Character15& character = m_source->character();
    for (qsizetype i = 0; i < character.animations.size(); ++i) {
        const QString& name = character.animations.at(i).name;
        m_names.append(name);
        const QString key = name.toCaseFolded();
        if (!m_index.contains(key))
            m_index.insert(key, i);
        m_slots.push_back(std::make_unique<Slot>());
    }
    // Indices past the palette draw nothing, like the transparent index.
    const QList<QRgb>& palette = character.info.palette;
    for (qsizetype i = 0; i < qsizetype(m_colours.size()); ++i)
        m_colours[size_t(i)] = i < palette.size() ? qPremultiply(palette[i] | 0xFF000000u) : 0;
    m_colours[character.info.transparentIndex] = 0;
    m_data.setMaxCost(DefaultCacheLimit);
    m_frames.setMaxCost(DefaultFrameCacheLimit);
}

Acs15Reader::~Acs15Reader() = default;

std::unique_ptr<Acs15Reader> Acs15Reader::openFile(const QString& path, QString* error)
{
    auto file = std::make_unique<Acs15File>();
    if (!file->openFile(path, error))
        return nullptr;
    return std::make_unique<Acs15Reader>(std::move(file), path);
}

std::unique_ptr<Acs15Reader> Acs15Reader::openData(const QByteArray& data, const QString& name,
                                                   QString* error)
{
    auto file = std::make_unique<Acs15File>();
    if (!file->openData(data, error, name))
        return nullptr;
    return std::make_unique<Acs15Reader>(std::move(file),
                                         name.isEmpty() ? QStringLiteral("character data") : name);
}

const CharacterInfo& Acs15Reader::info() const
{
    return m_source->character().info;
}

QStringList Acs15Reader::warnings() const
{
    QMutexLocker lock(&m_mutex);
    return m_warnings;
}

qsizetype Acs15Reader::animationIndex(QStringView name) const
{
    return m_index.value(name.toString().toCaseFolded(), -1);
}

const Animation* Acs15Reader::animation(QStringView name) const
{
    return animation(animationIndex(name));
}

const Animation* Acs15Reader::animation(qsizetype index) const
{
    if (index < 0 || index >= m_names.size())
        return nullptr;
    QMutexLocker lock(&m_mutex);
    Slot& slot = *m_slots[size_t(index)];
    // Another thread decoding it: wait for its result rather than read twice.
    while (slot.state == Slot::State::Decoding)
        m_decoded.wait(&m_mutex);
    if (slot.state == Slot::State::Ready)
        return slot.animation.get();
    if (slot.state == Slot::State::Damaged)
        return nullptr;
    slot.state = Slot::State::Decoding;
    lock.unlock();

    QString error;
    Data data;
    std::unique_ptr<Animation> mapped;
    // Other threads may be waiting for this slot: whatever happens, it must
    // leave the decoding state.
    try {
        data = readData(index, &error);
        if (data)
            mapped = std::make_unique<Animation>(map(index, *data));
    } catch (const std::bad_alloc&) {
        error = QStringLiteral("out of memory while decoding");
    }

    lock.relock();
    if (!mapped) {
        slot.state = Slot::State::Damaged;
        m_decoded.wakeAll();
        lock.unlock();
        markDamaged(index, error);
        return nullptr;
    }
    // Number the animation's sounds, as far as numbers last.
    slot.firstSound = m_sounds.size();
    slot.soundsNumbered = std::min(data->sounds.size(), kMaxSounds - m_sounds.size());
    for (qsizetype s = 0; s < slot.soundsNumbered; ++s)
        m_sounds.append({index, s});
    for (Frame& frame : mapped->frames) {
        if (frame.soundIndex == NoSound)
            continue;
        if (frame.soundIndex < slot.soundsNumbered)
            frame.soundIndex = quint16(slot.firstSound + frame.soundIndex);
        else
            frame.soundIndex = NoSound;
    }
    slot.animation = std::move(mapped);
    slot.state = Slot::State::Ready;
    ++m_statistics.animationsDecoded;
    m_decoded.wakeAll();
    return slot.animation.get();
}

Acs15Reader::Data Acs15Reader::readData(qsizetype index, QString* error) const
{
    auto data = std::make_shared<Animation15>();
    const bool ok = m_source->readAnimation(index, data.get(), error);
    QMutexLocker lock(&m_mutex);
    ++m_statistics.animationReads;
    if (!ok)
        return nullptr;
    const qint64 cost = dataCost(*data);
    if (cost <= m_data.maxCost())
        m_data.insert(index, new Data(data), cost);
    return data;
}

Acs15Reader::Data Acs15Reader::data(qsizetype index) const
{
    {
        QMutexLocker lock(&m_mutex);
        if (const Data* kept = m_data.object(index))
            return *kept;
    }
    QString error;
    Data data = readData(index, &error);
    if (!data)
        m_damage.report(QStringLiteral("reread %1").arg(index),
                        QStringLiteral("animation \"%1\" could not be read again: %2")
                            .arg(m_names.at(index), error));
    return data;
}

Animation Acs15Reader::map(qsizetype index, const Animation15& data) const
{
    const AnimationEntry15& entry = m_source->character().animations.at(index);
    Animation animation;
    animation.name = entry.name;
    animation.returnAnimation = entry.returnAnimation;
    animation.transitionType = quint8(
        entry.returnAnimation.isEmpty() ? TransitionType::None : TransitionType::ReturnAnimation);
    const qsizetype frameCount = data.frames.size();
    animation.frames.reserve(frameCount);
    for (const Frame15& source : data.frames) {
        Frame frame;
        frame.duration = source.duration;
        frame.exitFrame = NoExitFrame;
        if (source.imageIndex < data.images.size() &&
            imageUsable(data.images.at(source.imageIndex)))
            frame.images.append(FrameImage{source.imageIndex, 0, 0});
        // Sound numbers are reader-wide; animation() renumbers these.
        frame.soundIndex = source.soundIndex < data.sounds.size() ? source.soundIndex : NoSound;
        int total = 0;
        for (const Branch& branch : source.branches) {
            if (branch.targetFrame >= frameCount || total >= 100)
                continue;
            const int probability = std::min<int>(branch.probability, 100 - total);
            if (probability <= 0)
                continue;
            total += probability;
            frame.branches.append(Branch{branch.targetFrame, quint16(probability)});
        }
        for (qsizetype k = 0; k < source.overlays.size(); ++k) {
            const Overlay15& overlay = source.overlays.at(k);
            if (!overlayUsable(overlay))
                continue;
            MouthOverlay mouth;
            mouth.shape = overlay.shape;
            mouth.imageIndex = quint16(k);
            mouth.unknownByte = overlay.unknownByte;
            mouth.x = overlay.x;
            mouth.y = overlay.y;
            mouth.width = overlay.width;
            mouth.height = overlay.height;
            frame.overlays.append(mouth);
        }
        animation.frames.append(std::move(frame));
    }
    return animation;
}

void Acs15Reader::markDamaged(qsizetype index, const QString& reason) const
{
    const QString error = reason.isEmpty() ? QStringLiteral("it could not be read") : reason;
    const AnimationEntry15& entry = m_source->character().animations.at(index);
    const QString where =
        entry.streamName.isEmpty()
            ? QStringLiteral("animation \"%1\"").arg(entry.name)
            : QStringLiteral("animation \"%1\" (%2)").arg(entry.name, entry.streamName);
    // The file reader's messages name the animation already.
    const QString message =
        error.startsWith(QStringLiteral("animation \"%1\"").arg(entry.name))
            ? QStringLiteral("%1 (the animation is left out)").arg(error)
            : QStringLiteral("%1 is damaged and left out: %2").arg(where, error);
    {
        QMutexLocker lock(&m_mutex);
        m_warnings.append(message);
    }
    m_damage.report(QStringLiteral("damaged %1").arg(index), message);
}

bool Acs15Reader::imageUsable(const Image15& image) const
{
    const CharacterInfo& character = info();
    return !image.isEmpty() &&
           image.pixels.size() == stride15(character.width) * qsizetype(character.height);
}

void Acs15Reader::drawImage(QImage& canvas, const Image15& image) const
{
    const int width = canvas.width();
    const int height = canvas.height();
    const qsizetype stride = stride15(width);
    const auto* pixels = reinterpret_cast<const uchar*>(image.pixels.constData());
    for (int y = 0; y < height; ++y) {
        const uchar* from = pixels + qsizetype(height - 1 - y) * stride;
        auto* to = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb colour = m_colours[from[x]];
            if (qAlpha(colour) != 0)
                to[x] = colour;
        }
    }
}

void Acs15Reader::drawOverlay(QImage& canvas, const Overlay15& overlay) const
{
    const qsizetype stride = stride15(overlay.width);
    const auto* pixels = reinterpret_cast<const uchar*>(overlay.pixels.constData());
    // The part of the overlay on the canvas, in overlay coordinates.
    const int left = std::max(0, -int(overlay.x));
    const int top = std::max(0, -int(overlay.y));
    const int right = std::min(int(overlay.width), canvas.width() - int(overlay.x));
    const int bottom = std::min(int(overlay.height), canvas.height() - int(overlay.y));
    for (int y = top; y < bottom; ++y) {
        const uchar* from = pixels + qsizetype(overlay.height - 1 - y) * stride;
        auto* to = reinterpret_cast<QRgb*>(canvas.scanLine(overlay.y + y)) + overlay.x;
        for (int x = left; x < right; ++x) {
            const QRgb colour = m_colours[from[x]];
            if (qAlpha(colour) != 0)
                to[x] = colour;
        }
    }
}

QImage Acs15Reader::frame(qsizetype animationIndex, qsizetype frameIndex, int mouthShape) const
{
    const Animation* mapped = animation(animationIndex);
    if (!mapped || frameIndex < 0 || frameIndex >= mapped->frames.size())
        return {};
    // Frames without an overlay for the shape look the same as without a mouth:
    // share their cache entry.
    bool hasShape = false;
    for (const MouthOverlay& overlay : mapped->frames.at(frameIndex).overlays)
        hasShape = hasShape || overlay.shape == mouthShape;
    const int shape = hasShape ? mouthShape : -1;
    const quint64 key = frameKey(animationIndex, frameIndex, shape);
    {
        QMutexLocker lock(&m_mutex);
        if (const QImage* kept = m_frames.object(key))
            return *kept;
    }
    const Data source = data(animationIndex);
    if (!source || frameIndex >= source->frames.size())
        return {};
    const CharacterInfo& character = info();
    QImage canvas(character.width, character.height, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return {};
    canvas.fill(Qt::transparent);
    const Frame15& frame = source->frames.at(frameIndex);
    if (frame.imageIndex < source->images.size() &&
        imageUsable(source->images.at(frame.imageIndex)))
        drawImage(canvas, source->images.at(frame.imageIndex));
    if (const Overlay15* overlay = overlayFor(frame, shape))
        drawOverlay(canvas, *overlay);

    QMutexLocker lock(&m_mutex);
    ++m_statistics.framesComposed;
    const qint64 cost = std::max<qint64>(1, canvas.sizeInBytes());
    if (cost <= m_frames.maxCost())
        m_frames.insert(key, new QImage(canvas), cost);
    return canvas;
}

QByteArray Acs15Reader::sound(qsizetype index) const
{
    QPair<qsizetype, qsizetype> owner;
    {
        QMutexLocker lock(&m_mutex);
        if (index < 0 || index >= m_sounds.size())
            return {};
        owner = m_sounds.at(index);
    }
    const Data source = data(owner.first);
    if (!source || owner.second >= source->sounds.size())
        return {};
    QByteArray bytes = source->sounds.at(owner.second);
    // A RIFF size field larger than the bytes stored would send the audio
    // decoder past the end: make it say what there is.
    if (bytes.size() >= 8 && bytes.startsWith("RIFF")) {
        const quint32 declared = qFromLittleEndian<quint32>(bytes.constData() + 4);
        const quint32 present = quint32(std::min<qsizetype>(bytes.size() - 8, 0xFFFFFFFF));
        if (declared > present)
            qToLittleEndian<quint32>(present, bytes.data() + 4);
    }
    return bytes;
}

qsizetype Acs15Reader::soundCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_sounds.size();
}

QImage Acs15Reader::image(qsizetype animationIndex, qsizetype imageIndex) const
{
    if (animationIndex < 0 || animationIndex >= m_names.size() || !animation(animationIndex))
        return {};
    const Data source = data(animationIndex);
    if (!source || imageIndex < 0 || imageIndex >= source->images.size() ||
        !imageUsable(source->images.at(imageIndex)))
        return {};
    const CharacterInfo& character = info();
    QImage canvas(character.width, character.height, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return {};
    canvas.fill(Qt::transparent);
    drawImage(canvas, source->images.at(imageIndex));
    return canvas;
}

Acs15Reader::Statistics Acs15Reader::statistics() const
{
    QMutexLocker lock(&m_mutex);
    return m_statistics;
}

void Acs15Reader::setCacheLimit(qint64 bytes)
{
    QMutexLocker lock(&m_mutex);
    m_data.setMaxCost(std::max<qint64>(0, bytes));
}

qint64 Acs15Reader::cacheLimit() const
{
    QMutexLocker lock(&m_mutex);
    return m_data.maxCost();
}

qint64 Acs15Reader::cacheUsed() const
{
    QMutexLocker lock(&m_mutex);
    return m_data.totalCost();
}

void Acs15Reader::setFrameCacheLimit(qint64 bytes)
{
    QMutexLocker lock(&m_mutex);
    m_frames.setMaxCost(std::max<qint64>(0, bytes));
}

qint64 Acs15Reader::frameCacheLimit() const
{
    QMutexLocker lock(&m_mutex);
    return m_frames.maxCost();
}

qint64 Acs15Reader::frameCacheUsed() const
{
    QMutexLocker lock(&m_mutex);
    return m_frames.totalCost();
}

} // namespace clipvoice::agent::acs
