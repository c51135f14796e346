#include "ImageDecoder.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>

namespace clipvoice::agent::acs {

QImage ImageDecoder::toArgb(const IndexedImage& image, const QList<QRgb>& palette,
                            int transparentIndex)
{
    const int w = image.width;
    const int h = image.height;
    if (w == 0 || h == 0)
        return {};
    QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return {};
    std::array<QRgb, 256> lut{};
    for (int i = 0; i < 256; ++i)
        lut[size_t(i)] = i < palette.size() ? (palette[i] | 0xFF000000u) : qRgb(0, 0, 0);
    if (transparentIndex >= 0 && transparentIndex < 256)
        lut[size_t(transparentIndex)] = 0;
    const auto* src = reinterpret_cast<const uchar*>(image.pixels.constData());
    const bool complete = image.pixels.size() >= qsizetype(w) * h;
    for (int y = 0; y < h; ++y) {
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        if (!complete) {
            std::fill(dst, dst + w, QRgb(0));
            continue;
        }
        const uchar* row = src + qsizetype(y) * w;
        for (int x = 0; x < w; ++x)
            dst[x] = lut[row[x]];
    }
    return out;
}

QImage ImageDecoder::compose(const QSize& canvas, const QList<PlacedImage>& layers)
{
    QImage out(canvas, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return {};
    out.fill(Qt::transparent);
    const int cw = canvas.width();
    const int ch = canvas.height();
    const auto clippedArea = [cw, ch](const PlacedImage& l) -> qint64 {
        const qint64 w = std::min<qint64>(cw, qint64(l.x) + l.image.width()) - std::max(0, l.x);
        const qint64 h = std::min<qint64>(ch, qint64(l.y) + l.image.height()) - std::max(0, l.y);
        return w > 0 && h > 0 ? w * h : 0;
    };
    // Bound the work: draw only as many layers, from the top, as cover the canvas
    // MaxCoverage times. Real frames stay far below this.
    qint64 budget = qint64(MaxCoverage) * cw * ch;
    qsizetype lowest = 0;
    for (; lowest < layers.size(); ++lowest) {
        budget -= clippedArea(layers[lowest]);
        if (budget < 0)
            break;
    }
    for (qsizetype i = std::min(lowest, layers.size() - 1); i >= 0; --i) {
        const PlacedImage& layer = layers[i];
        const QImage& img = layer.image;
        if (img.isNull() || img.format() != QImage::Format_ARGB32_Premultiplied)
            continue;
        // Clip in 64-bit so that far-away offsets cannot overflow.
        const qint64 x0 = std::max<qint64>(0, layer.x);
        const qint64 y0 = std::max<qint64>(0, layer.y);
        const qint64 x1 = std::min<qint64>(cw, qint64(layer.x) + img.width());
        const qint64 y1 = std::min<qint64>(ch, qint64(layer.y) + img.height());
        if (x0 >= x1 || y0 >= y1)
            continue;
        for (qint64 y = y0; y < y1; ++y) {
            const auto* src = reinterpret_cast<const QRgb*>(img.constScanLine(int(y - layer.y)));
            auto* dst = reinterpret_cast<QRgb*>(out.scanLine(int(y)));
            for (qint64 x = x0; x < x1; ++x) {
                const QRgb p = src[x - layer.x];
                if (qAlpha(p) != 0)
                    dst[x] = p;
            }
        }
    }
    return out;
}

QByteArray ImageDecoder::fromStoredRows(const uchar* stored, int width, int height)
{
    const qsizetype s = stride(width);
    QByteArray out(qsizetype(width) * height, Qt::Uninitialized);
    for (int y = 0; y < height; ++y)
        std::memcpy(out.data() + qsizetype(y) * width, stored + qsizetype(height - 1 - y) * s,
                    size_t(width));
    return out;
}

QByteArray ImageDecoder::toStoredRows(const QByteArray& pixels, int width, int height)
{
    const qsizetype s = stride(width);
    QByteArray out(s * height, '\0');
    if (pixels.size() < qsizetype(width) * height)
        return out;
    for (int y = 0; y < height; ++y)
        std::memcpy(out.data() + qsizetype(height - 1 - y) * s,
                    pixels.constData() + qsizetype(y) * width, size_t(width));
    return out;
}

namespace {

qint32 readI32(const QByteArray& data, qsizetype at)
{
    return qFromLittleEndian<qint32>(data.constData() + at);
}

void appendU32(QByteArray& out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

} // namespace

std::optional<QList<QRect>> ImageDecoder::decodeRegion(const QByteArray& data, const QRect& bounds,
                                                       QString* error)
{
    const auto fail = [error](const QString& what) -> std::optional<QList<QRect>> {
        if (error)
            *error = what;
        return std::nullopt;
    };
    if (data.size() < 32)
        return fail(QStringLiteral("region data has %1 bytes, fewer than its 32-byte header")
                        .arg(data.size()));
    const quint32 headerSize = quint32(readI32(data, 0));
    const quint32 type = quint32(readI32(data, 4));
    const quint32 count = quint32(readI32(data, 8));
    if (headerSize != 32)
        return fail(QStringLiteral("region header size is %1, expected 32").arg(headerSize));
    if (type != 1)
        return fail(QStringLiteral("region type is %1, expected 1 (rectangles)").arg(type));
    if (count > quint64(data.size() - 32) / 16)
        return fail(QStringLiteral("region claims %1 rectangles but holds room for %2")
                        .arg(count)
                        .arg((data.size() - 32) / 16));
    QList<QRect> rects;
    rects.reserve(qsizetype(count));
    for (quint32 i = 0; i < count; ++i) {
        const qsizetype at = 32 + qsizetype(i) * 16;
        const qint64 left = readI32(data, at);
        const qint64 top = readI32(data, at + 4);
        const qint64 right = readI32(data, at + 8);
        const qint64 bottom = readI32(data, at + 12);
        if (right <= left || bottom <= top)
            continue;
        qint64 l = left, t = top, r = right, b = bottom;
        if (bounds.isValid()) {
            l = std::max<qint64>(l, bounds.left());
            t = std::max<qint64>(t, bounds.top());
            r = std::min<qint64>(r, qint64(bounds.right()) + 1);
            b = std::min<qint64>(b, qint64(bounds.bottom()) + 1);
            if (r <= l || b <= t)
                continue;
        } else {
            l = std::clamp<qint64>(l, -(1 << 24), 1 << 24);
            t = std::clamp<qint64>(t, -(1 << 24), 1 << 24);
            r = std::clamp<qint64>(r, -(1 << 24), 1 << 24);
            b = std::clamp<qint64>(b, -(1 << 24), 1 << 24);
        }
        rects.append(QRect(int(l), int(t), int(r - l), int(b - t)));
    }
    return rects;
}

QByteArray ImageDecoder::encodeRegion(const IndexedImage& image, int transparentIndex)
{
    QList<QRect> rects;
    QRect bounds;
    const int w = image.width;
    const int h = image.height;
    if (image.pixels.size() >= qsizetype(w) * h) {
        for (int y = 0; y < h; ++y) {
            const char* row = image.pixels.constData() + qsizetype(y) * w;
            int x = 0;
            while (x < w) {
                while (x < w && uchar(row[x]) == transparentIndex)
                    ++x;
                const int start = x;
                while (x < w && uchar(row[x]) != transparentIndex)
                    ++x;
                if (x > start) {
                    rects.append(QRect(start, y, x - start, 1));
                    bounds |= rects.last();
                }
            }
        }
    }
    QByteArray out;
    out.reserve(32 + 16 * rects.size());
    appendU32(out, 32);
    appendU32(out, 1);
    appendU32(out, quint32(rects.size()));
    appendU32(out, quint32(16 * rects.size()));
    const auto appendRect = [&out](const QRect& r) {
        appendU32(out, quint32(r.left()));
        appendU32(out, quint32(r.top()));
        appendU32(out, quint32(r.left() + r.width()));
        appendU32(out, quint32(r.top() + r.height()));
    };
    appendRect(bounds.isValid() ? bounds : QRect(0, 0, 0, 0));
    for (const QRect& r : rects)
        appendRect(r);
    return out;
}

} // namespace clipvoice::agent::acs
