#pragma once

#include <QImage>
#include <QRgb>

#include <span>
#include <string_view>

namespace clipvoice::app::artwork {

// One letter of a pixel map and the colour it stands for.
struct PixelKey
{
    char letter;
    QRgb colour;
};

// Builds a picture from rows of letters, one letter a pixel. A '.' and any
// letter missing from the keys is left as `ground`. All rows must be as long as
// the first.
QImage pixelMapPicture(std::span<const std::string_view> rows, std::span<const PixelKey> keys,
                       QImage::Format format, QRgb ground);

} // namespace clipvoice::app::artwork
