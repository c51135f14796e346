#include "app/artwork/BarGlyphs.h"

#include "app/artwork/Palette.h"
#include "app/artwork/PixelMap.h"

#include <QLinearGradient>
#include <QPolygonF>

#include <array>

namespace clipvoice::app::artwork {

void paintDarkBar(QPainter& painter, const QRect& area)
{
    // Gradient stops sit on pixel centres, so the top and bottom rows get the
    // end colours exactly.
    const qreal top = area.top() + 0.5;
    const qreal bottom = area.bottom() + 0.5;
    QLinearGradient shade(0.0, top, 0.0, bottom);
    shade.setColorAt(0.0, QColor(palette::kBarTop));
    shade.setColorAt(0.15, QColor(palette::kBar));
    shade.setColorAt(1.0, QColor(palette::kBarBottom));
    painter.fillRect(area, shade);
}

void paintCrossGlyph(QPainter& painter, QPoint topLeft)
{
    static constexpr std::array<std::string_view, 8> rows = {
        "#......#", //
        "##....##", //
        ".##..##.", //
        "..####..", //
        "..####..", //
        ".##..##.", //
        "##....##", //
        "#......#", //
    };
    static constexpr std::array<PixelKey, 1> keys = {{{'#', palette::kGlyph}}};
    const QImage cross = pixelMapPicture(rows, keys, QImage::Format_ARGB32, qRgba(0, 0, 0, 0));
    painter.drawImage(topLeft, cross);
}

void paintBlockGlyph(QPainter& painter, const QRect& area)
{
    painter.fillRect(area, QColor(palette::kGlyph));
}

void paintPlayGlyph(QPainter& painter, const QRect& area)
{
    // Smooth slanted edges, clipped so the blended edge pixels stay in the area.
    // The tip reaches a little past the area and is cut off by the clip, so the
    // last column still holds solid white rather than a faint point.
    const QRectF box(area);
    const QPolygonF triangle(
        {box.topLeft(), QPointF(box.right() + 1.5, box.center().y()), box.bottomLeft()});
    painter.save();
    painter.setClipRect(area);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(palette::kGlyph));
    painter.drawPolygon(triangle);
    painter.restore();
}

} // namespace clipvoice::app::artwork
