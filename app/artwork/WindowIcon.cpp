#include "app/artwork/Artwork.h"

#include "app/artwork/BubbleFigure.h"
#include "app/artwork/IndexedColours.h"
#include "app/artwork/Palette.h"

namespace clipvoice::app::artwork {

namespace {

// The icon's sixteen colours: the transparent ground, the figure's own colours
// and the in-between shades its smooth edges need.
QList<QRgb> iconColours()
{
    return {
        qRgba(0, 0, 0, 0),      // the ground
        palette::kOutline,      // the outline
        qRgb(0x0b, 0x14, 0x28), //
        palette::kBubble,       // the bubble, shading off
        qRgb(0xee, 0xf3, 0xfa), //
        palette::kBubbleShade,  //
        qRgb(0xb4, 0xbe, 0xcf), // outline blended into the bubble, light to dark
        qRgb(0x9a, 0xa6, 0xba), //
        qRgb(0x7c, 0x88, 0x9e), //
        qRgb(0x5e, 0x6c, 0x88), //
        qRgb(0x45, 0x51, 0x6a), //
        palette::kLens,         // lenses, top to bottom
        qRgb(0x1c, 0x3e, 0x8a), //
        palette::kLensLight,    //
        qRgb(0x4f, 0x7c, 0xcc), //
        palette::kLensGlint,    //
    };
}

} // namespace

QImage windowIconPicture()
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        paintBubbleFigure(painter, QRectF(0.0, 0.0, 32.0, 32.0));
    }
    return toIndexedColours(image, iconColours());
}

} // namespace clipvoice::app::artwork
