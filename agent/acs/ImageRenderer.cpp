#include "ImageRenderer.h"

#include "AcsLimits.h"

namespace clipvoice::agent::acs {

ImageRenderer::ImageRenderer(const LoadedCharacter& character, const DecodedImageCache& cache)
    : m_character(character)
    , m_cache(cache)
    , m_decoder(character)
{}

qint64 ImageRenderer::framePixelLimit() const
{
    return limits::framePixelLimit(m_character.index.info);
}

IndexedPixels ImageRenderer::pixels(qsizetype source, const QRect& part, bool keep) const
{
    const quint64 key = DecodedImageCache::pixelsKey(source);
    if (std::optional<IndexedPixels> held = m_cache.pixels(key, part))
        return *held;
    const IndexedPixels p = m_decoder.decodeForFrame(source, part);
    if (keep)
        m_cache.store(key, p);
    return p;
}

QImage ImageRenderer::image(qsizetype index) const
{
    const QList<ImageEntry>& images = m_character.index.images;
    if (index < 0 || index >= images.size())
        return {};
    const ImageEntry& e = images[index];
    if (e.width == 0 || e.height == 0)
        return {};
    // Entries sharing pixel data share the cached image; a damaged entry is
    // never a source, so its own index cannot clash with one.
    const qsizetype source = e.pixelSource;
    const quint64 key = DecodedImageCache::imageKey(source >= 0 ? source : index);
    QImage img = m_cache.image(key);
    if (!img.isNull())
        return img;
    const QRect whole(0, 0, e.width, e.height);
    IndexedPixels p;
    if (source >= 0)
        p = pixels(source, whole, false); // the ARGB image is what gets cached
    else
        p = IndexedPixels{{}, nullptr, 0, whole, true};
    img = FrameComposer::toArgb(p, m_character.colours);
    if (!img.isNull())
        m_cache.store(key, img);
    return img;
}

FrameLayer ImageRenderer::layerFor(quint32 imageIndex, int x, int y) const
{
    FrameLayer layer;
    layer.x = x;
    layer.y = y;
    const QList<ImageEntry>& images = m_character.index.images;
    if (imageIndex < quint32(images.size())) {
        const ImageEntry& e = images[qsizetype(imageIndex)];
        layer.source = e.pixelSource;
        layer.width = e.width;
        layer.height = e.height;
    }
    return layer;
}

QList<FrameLayer> ImageRenderer::layersOf(const Frame& frame, int mouthShape) const
{
    QList<FrameLayer> layers;
    layers.reserve(frame.images.size() + 1);
    for (const FrameImage& fi : frame.images)
        layers.append(layerFor(fi.imageIndex, fi.x, fi.y));
    if (mouthShape < 0)
        return layers;
    for (const MouthOverlay& o : frame.overlays) {
        if (o.shape != mouthShape)
            continue;
        const FrameLayer mouth = layerFor(o.imageIndex, o.x, o.y);
        if (o.replaceTopImage && !layers.isEmpty())
            layers.first() = mouth;
        else
            layers.prepend(mouth);
        break;
    }
    return layers;
}

void ImageRenderer::reportLeftOut(const FramePlan& plan, qsizetype layerCount,
                                  qsizetype animationIndex, qsizetype frameIndex,
                                  int mouthShape) const
{
    m_character.counters.countLayersLeftOut(plan.leftOut);
    const QString name = m_character.index.animations[animationIndex].name;
    m_character.report.report(
        QStringLiteral("left out of frame %1")
            .arg(DecodedImageCache::frameKey(animationIndex, frameIndex, mouthShape)),
        QStringLiteral("frame %1 of animation \"%2\": %3 of its %4 images left out, decoding "
                       "them would pass %5 images or %6 pixels")
            .arg(frameIndex)
            .arg(name)
            .arg(plan.leftOut)
            .arg(layerCount)
            .arg(limits::MaxImagesPerFrame)
            .arg(framePixelLimit()));
}

QImage ImageRenderer::frame(qsizetype animationIndex, qsizetype frameIndex, int mouthShape) const
{
    const QList<Animation>& animations = m_character.index.animations;
    if (animationIndex < 0 || animationIndex >= animations.size())
        return {};
    const Animation& a = animations[animationIndex];
    if (frameIndex < 0 || frameIndex >= a.frames.size())
        return {};
    if (mouthShape < -1 || mouthShape >= MouthShapeCount)
        mouthShape = -1;
    const quint64 key = DecodedImageCache::frameKey(animationIndex, frameIndex, mouthShape);
    QImage img = m_cache.image(key);
    if (!img.isNull())
        return img;
    const QList<FrameLayer> layers = layersOf(a.frames[frameIndex], mouthShape);
    const CharacterInfo& info = m_character.index.info;
    const QSize canvas(info.width, info.height);
    const FramePlan plan =
        FrameComposer::plan(canvas, layers, {limits::MaxImagesPerFrame, framePixelLimit()});
    if (plan.leftOut > 0)
        reportLeftOut(plan, layers.size(), animationIndex, frameIndex, mouthShape);
    QHash<qint64, IndexedPixels> held;
    held.reserve(plan.parts.size());
    for (auto it = plan.parts.cbegin(); it != plan.parts.cend(); ++it)
        held.insert(it.key(), pixels(qsizetype(it.key()), it.value()));
    img = FrameComposer::compose(canvas, layers, plan, held, m_character.colours);
    if (!img.isNull())
        m_cache.store(key, img);
    return img;
}

} // namespace clipvoice::agent::acs
