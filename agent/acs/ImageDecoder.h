#pragma once

#include "Character.h"

#include <QImage>
#include <QList>
#include <QRect>

#include <optional>

// Turns palette-index images into premultiplied ARGB images and composes frames.
// All functions are pure and safe to call from any thread.
namespace clipvoice::agent::acs {

struct PlacedImage
{
    QImage image; // premultiplied ARGB; a null image is skipped
    int x = 0;
    int y = 0;
};

class ImageDecoder
{
public:
    // Converts an indexed image with the character palette. The transparent index
    // gives fully transparent pixels; indices past the palette are opaque black.
    static QImage toArgb(const IndexedImage& image, const QList<QRgb>& palette,
                         int transparentIndex);

    // Composes a frame on a transparent canvas. `layers` are in the order the frame
    // lists them, topmost first, so they are drawn from the last to the first.
    // Each image is clipped to the canvas; transparent pixels leave what is below.
    // At most the layers that together cover the canvas MaxCoverage times are
    // drawn (the topmost ones), which bounds the work for hostile frames.
    static QImage compose(const QSize& canvas, const QList<PlacedImage>& layers);
    static constexpr int MaxCoverage = 64;

    // Converts stored pixel rows (bottom row first, each padded to 4 bytes) to top
    // row first without padding. `stored` must hold stride * height bytes.
    static QByteArray fromStoredRows(const uchar* stored, int width, int height);
    static QByteArray toStoredRows(const QByteArray& pixels, int width, int height);
    static qsizetype stride(int width) { return (qsizetype(width) + 3) & ~qsizetype(3); }

    // Parses a region description (a header, then left/top/right/bottom rectangles).
    // Rectangles are clipped to `bounds` when it is valid. Returns nullopt and sets
    // `error` when the data is malformed.
    static std::optional<QList<QRect>> decodeRegion(const QByteArray& data, const QRect& bounds,
                                                    QString* error);
    // Builds a region description of the non-transparent pixels, one rectangle per
    // run of opaque pixels in each row.
    static QByteArray encodeRegion(const IndexedImage& image, int transparentIndex);
};

} // namespace clipvoice::agent::acs
