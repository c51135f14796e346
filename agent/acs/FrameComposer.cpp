#include "FrameComposer.h"

#include "ImageDecoder.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace clipvoice::agent::acs {

namespace {

// The part of `layer` inside the canvas, in canvas coordinates. Clipped in 64
// bits so that far-away offsets cannot overflow.
QRect visibleOnCanvas(const QSize& canvas, const FrameLayer& layer)
{
    const qint64 x0 = std::max<qint64>(0, layer.x);
    const qint64 y0 = std::max<qint64>(0, layer.y);
    const qint64 x1 = std::min<qint64>(canvas.width(), qint64(layer.x) + layer.width);
    const qint64 y1 = std::min<qint64>(canvas.height(), qint64(layer.y) + layer.height);
    if (x0 >= x1 || y0 >= y1)
        return {};
    return QRect(int(x0), int(y0), int(x1 - x0), int(y1 - y0));
}

} // namespace

FramePlan FrameComposer::plan(const QSize& canvas, const QList<FrameLayer>& layers,
                              const Limits& limits)
{
    FramePlan plan;
    // The same coverage rule as ImageDecoder::compose, so that frames look the
    // same whichever composes them: the layer that uses up the budget is the
    // last one drawn.
    qint64 budget = qint64(ImageDecoder::MaxCoverage) * canvas.width() * canvas.height();
    // A layer showing the same image at the same place as one above it changes
    // nothing: every pixel it draws, the one above draws again, last.
    std::set<std::tuple<qint64, int, int>> placed;
    for (qsizetype i = 0; i < layers.size(); ++i) {
        const FrameLayer& layer = layers[i];
        const QRect visible = visibleOnCanvas(canvas, layer);
        if (visible.isEmpty())
            continue;
        budget -= qint64(visible.width()) * visible.height();
        const bool last = budget < 0;
        if (layer.source != FrameLayer::NoSource) {
            const QRect part = visible.translated(-layer.x, -layer.y);
            auto it = plan.parts.find(layer.source);
            const qint64 area = qint64(layer.width) * layer.height;
            if (it != plan.parts.end()) {
                *it |= part;
                if (placed.insert({layer.source, layer.x, layer.y}).second)
                    plan.drawn.append(i);
            } else if (plan.parts.size() < limits.sources &&
                       area <= limits.pixels - plan.sourcePixels) {
                plan.parts.insert(layer.source, part);
                plan.sourcePixels += area;
                placed.insert({layer.source, layer.x, layer.y});
                plan.drawn.append(i);
            } else {
                ++plan.leftOut;
            }
        }
        if (last)
            break;
    }
    return plan;
}

QImage FrameComposer::compose(const QSize& canvas, const QList<FrameLayer>& layers,
                              const FramePlan& plan, const QHash<qint64, IndexedPixels>& pixels,
                              const std::array<QRgb, 256>& colours)
{
    QImage out(canvas, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return {};
    out.fill(Qt::transparent);
    for (qsizetype k = plan.drawn.size() - 1; k >= 0; --k) {
        const FrameLayer& layer = layers[plan.drawn[k]];
        const auto found = pixels.constFind(layer.source);
        if (found == pixels.constEnd() || found->transparent)
            continue;
        const IndexedPixels& src = *found;
        const QRect visible = visibleOnCanvas(canvas, layer);
        const QRect part = visible.translated(-layer.x, -layer.y);
        if (visible.isEmpty() || !src.rect.contains(part))
            continue; // never read outside what was decoded
        const int skip = part.left() - src.rect.left();
        for (int y = visible.top(); y <= visible.bottom(); ++y) {
            const uchar* from = src.row(y - layer.y) + skip;
            auto* to = reinterpret_cast<QRgb*>(out.scanLine(y)) + visible.left();
            for (int x = 0; x < visible.width(); ++x) {
                const QRgb p = colours[from[x]];
                if (qAlpha(p) != 0)
                    to[x] = p;
            }
        }
    }
    return out;
}

std::array<QRgb, 256> FrameComposer::colourTable(const QList<QRgb>& palette, int transparentIndex)
{
    std::array<QRgb, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[size_t(i)] = i < palette.size() ? (palette[i] | 0xFF000000u) : qRgb(0, 0, 0);
    if (transparentIndex >= 0 && transparentIndex < 256)
        table[size_t(transparentIndex)] = 0;
    return table;
}

QImage FrameComposer::toArgb(const IndexedPixels& pixels, const std::array<QRgb, 256>& colours)
{
    const QRect r = pixels.rect;
    if (r.isEmpty())
        return {};
    QImage out(r.size(), QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return {};
    if (pixels.transparent) {
        out.fill(Qt::transparent);
        return out;
    }
    for (int y = 0; y < r.height(); ++y) {
        const uchar* from = pixels.row(r.top() + y);
        auto* to = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < r.width(); ++x)
            to[x] = colours[from[x]];
    }
    return out;
}

} // namespace clipvoice::agent::acs
