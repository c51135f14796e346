#pragma once

#include "IndexedPixels.h"

#include <QCache>
#include <QImage>
#include <QMutex>
#include <QRect>

#include <optional>

namespace clipvoice::agent::acs {

// The cache of decoded images, decoded pixels and composed frames of an open
// file, bounded in bytes: the least recently used entries go first, and an
// entry larger than the whole limit is not kept. Safe to use from several
// threads; the cache is logically part of the reader's const state.
class DecodedImageCache
{
public:
    static constexpr qint64 DefaultLimit = 64 * 1024 * 1024;

    DecodedImageCache();

    // Keys of the three kinds of entries.
    static quint64 imageKey(qsizetype index);
    static quint64 pixelsKey(qsizetype source);
    static quint64 frameKey(qsizetype animation, qsizetype frame, int mouthShape);

    // A null image when nothing is kept under `key`.
    QImage image(quint64 key) const;
    // The pixels kept under `key`, when they hold `part`.
    std::optional<IndexedPixels> pixels(quint64 key, const QRect& part) const;

    void store(quint64 key, const QImage& image) const;
    void store(quint64 key, const IndexedPixels& pixels) const;

    void clear();
    void setLimit(qint64 bytes);
    qint64 limit() const;
    qint64 used() const;

private:
    struct Item
    {
        QImage image;
        IndexedPixels pixels;
    };
    void insert(quint64 key, Item item, qint64 cost) const;

    mutable QMutex m_mutex;
    mutable QCache<quint64, Item> m_cache;
};

} // namespace clipvoice::agent::acs
