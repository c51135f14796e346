#include "DecodedImageCache.h"

#include <QMutexLocker>

#include <algorithm>

namespace clipvoice::agent::acs {

namespace {

// Frames, held pixels and ARGB images (keyed by their index alone) never clash.
constexpr quint64 kFrameKey = quint64(1) << 62;
constexpr quint64 kPixelsKey = quint64(1) << 61;
// What an entry of held pixels costs besides its bytes.
constexpr qint64 kPixelsOverhead = 64;

} // namespace

DecodedImageCache::DecodedImageCache()
{
    m_cache.setMaxCost(DefaultLimit);
}

quint64 DecodedImageCache::imageKey(qsizetype index)
{
    return quint64(index);
}

quint64 DecodedImageCache::pixelsKey(qsizetype source)
{
    return kPixelsKey | quint64(source);
}

quint64 DecodedImageCache::frameKey(qsizetype animation, qsizetype frame, int mouthShape)
{
    return kFrameKey | (quint64(animation) << 24) | (quint64(frame) << 4) | quint64(mouthShape + 1);
}

QImage DecodedImageCache::image(quint64 key) const
{
    QMutexLocker lock(&m_mutex);
    const Item* item = m_cache.object(key);
    return item ? item->image : QImage();
}

std::optional<IndexedPixels> DecodedImageCache::pixels(quint64 key, const QRect& part) const
{
    QMutexLocker lock(&m_mutex);
    if (const Item* item = m_cache.object(key); item && item->pixels.holds(part))
        return item->pixels;
    return std::nullopt;
}

void DecodedImageCache::store(quint64 key, const QImage& image) const
{
    insert(key, Item{image, {}}, std::max<qint64>(1, image.sizeInBytes()));
}

void DecodedImageCache::store(quint64 key, const IndexedPixels& pixels) const
{
    insert(key, Item{{}, pixels}, kPixelsOverhead + pixels.storage.size());
}

void DecodedImageCache::insert(quint64 key, Item item, qint64 cost) const
{
    QMutexLocker lock(&m_mutex);
    if (cost <= m_cache.maxCost())
        m_cache.insert(key, new Item(std::move(item)), cost);
}

void DecodedImageCache::clear()
{
    QMutexLocker lock(&m_mutex);
    m_cache.clear();
}

void DecodedImageCache::setLimit(qint64 bytes)
{
    QMutexLocker lock(&m_mutex);
    m_cache.setMaxCost(std::max<qint64>(0, bytes));
}

qint64 DecodedImageCache::limit() const
{
    QMutexLocker lock(&m_mutex);
    return m_cache.maxCost();
}

qint64 DecodedImageCache::used() const
{
    QMutexLocker lock(&m_mutex);
    return m_cache.totalCost();
}

} // namespace clipvoice::agent::acs
