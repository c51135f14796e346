#include "app/artwork/Artwork.h"

#include "app/artwork/BarGlyphs.h"

namespace clipvoice::app::artwork {

// The button strip: close at the left, play and stop at the right. The glyph
// columns match the strip's click areas (0-16, 224-240, 240-256).
QImage stripPicture()
{
    QImage image(260, 16, QImage::Format_RGB32);
    QPainter painter(&image);
    paintDarkBar(painter, image.rect());
    paintCrossGlyph(painter, QPoint(6, 4));
    paintPlayGlyph(painter, QRect(231, 3, 8, 10));
    paintBlockGlyph(painter, QRect(247, 4, 7, 7));
    return image;
}

} // namespace clipvoice::app::artwork
