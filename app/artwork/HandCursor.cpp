#include "app/artwork/Artwork.h"

#include "app/artwork/PixelMap.h"

#include <QPainter>

#include <array>

namespace clipvoice::app::artwork {

namespace {

// The hand, pixel for pixel: index finger raised, the other three fingers
// curled, the thumb out to the left. It is placed with its top-left corner at
// (12, 14), so the fingertip lands on pixels 17 and 18 of row 14.
constexpr std::array<std::string_view, 18> kHand = {
    ".....##..........", //
    "....#--#.........", //
    "....#--#.........", //
    "....#--#.........", //
    "....#--###.......", //
    "....#--#--###....", //
    "....#--#--#--###.", //
    "....#--#--#--#--#", //
    ".##.#--#--#--#--#", //
    "#--##--#--#--#--#", //
    "#---#-----------#", //
    "#---------------#", //
    ".#--------------#", //
    "..#------------#.", //
    "...#-----------#.", //
    "....#----------#.", //
    "....#----------#.", //
    "....############.", //
};

constexpr std::array<PixelKey, 2> kHandKeys = {{
    {'#', qRgba(0, 0, 0, 255)},
    {'-', qRgba(255, 255, 255, 255)},
}};

} // namespace

QImage handCursorPicture()
{
    const QImage hand = pixelMapPicture(kHand, kHandKeys, QImage::Format_ARGB32, qRgba(0, 0, 0, 0));
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(12, 14), hand);
    return image;
}

} // namespace clipvoice::app::artwork
