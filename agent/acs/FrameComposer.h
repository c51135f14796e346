#pragma once

#include "IndexedPixels.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QRgb>
#include <QSize>

#include <array>

namespace clipvoice::agent::acs {

// One image of a frame as the composer sees it before anything is decoded.
struct FrameLayer
{
    // The decoded pixels it draws; NoSource when it draws nothing (a bad index,
    // an empty or a damaged image). A damaged image still counts toward the
    // coverage limit with its size, as a transparent image would.
    qint64 source = NoSource;
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;

    static constexpr qint64 NoSource = -1;
};

// What composing a frame needs: the layers to draw and, for each source, the
// part of the image they show, worked out before any image is decoded.
struct FramePlan
{
    QList<qsizetype> drawn;     // indices of the layers to draw, topmost first
    QHash<qint64, QRect> parts; // source -> the part its drawn layers show (image coordinates)
    qint64 sourcePixels = 0;    // width * height summed over the sources in `parts`
    qsizetype leftOut = 0;      // layers left out because they would pass the limits
};

// Composes frames from palette indices. All functions are pure and safe to
// call from any thread.
class FrameComposer
{
public:
    struct Limits
    {
        int sources = 0;   // distinct images decoded for one frame
        qint64 pixels = 0; // their width * height summed
    };

    // Layers are in the order the frame lists them, topmost first. Those that
    // are off the canvas are skipped, and at most those that together cover the
    // canvas ImageDecoder::MaxCoverage times are drawn (the topmost ones). A
    // layer whose image would pass `limits` is left out; layers whose image is
    // already planned are still drawn.
    static FramePlan plan(const QSize& canvas, const QList<FrameLayer>& layers,
                          const Limits& limits);

    // Draws the planned layers from the lowest to the topmost. `pixels` holds,
    // for every source of the plan, at least the part the plan names; indices
    // whose colour has alpha 0 (the transparent index) leave what is below.
    static QImage compose(const QSize& canvas, const QList<FrameLayer>& layers,
                          const FramePlan& plan, const QHash<qint64, IndexedPixels>& pixels,
                          const std::array<QRgb, 256>& colours);

    // Premultiplied colours of the 256 indices: the palette made opaque, opaque
    // black past its end, and 0 for the transparent index.
    static std::array<QRgb, 256> colourTable(const QList<QRgb>& palette, int transparentIndex);

    // Converts held pixels to a premultiplied ARGB image of `pixels.rect`'s size.
    static QImage toArgb(const IndexedPixels& pixels, const std::array<QRgb, 256>& colours);
};

} // namespace clipvoice::agent::acs
