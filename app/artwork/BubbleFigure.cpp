#include "app/artwork/BubbleFigure.h"

#include "app/artwork/Palette.h"

#include <QLinearGradient>
#include <QPainterPath>

namespace clipvoice::app::artwork {

namespace {

// The bubble: an ellipse centred on (16, 14) with a tail leaving it at the
// lower left. Qt's arc angles run counter-clockwise, so starting right of the
// tail and sweeping 335 degrees goes over the top and ends left of the tail.
QPainterPath bubbleOutline()
{
    const QRectF ellipse(2.5, 3.0, 27.0, 22.0);
    QPainterPath path;
    path.arcMoveTo(ellipse, -100.0);
    path.arcTo(ellipse, -100.0, 335.0);
    path.lineTo(4.2, 29.6);
    path.quadTo(9.5, 27.6, 13.66, 24.83);
    path.closeSubpath();
    return path;
}

// One lens: flat along the top, rounded underneath.
QPainterPath lens(qreal left)
{
    const qreal right = left + 9.0;
    const qreal middle = left + 4.5;
    QPainterPath path;
    path.moveTo(left, 10.0);
    path.lineTo(right, 10.0);
    path.lineTo(right, 12.5);
    path.cubicTo(right, 15.5, right - 1.8, 17.0, middle, 17.0);
    path.cubicTo(left + 1.8, 17.0, left, 15.5, left, 12.5);
    path.closeSubpath();
    return path;
}

void paintSunglasses(QPainter& painter)
{
    QLinearGradient glass(0.0, 10.0, 0.0, 17.0);
    glass.setColorAt(0.0, QColor(palette::kLens));
    glass.setColorAt(1.0, QColor(palette::kLensLight));

    // The frame's top bar runs from one side of the bubble to the other; its
    // ends disappear into the bubble's outline.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(palette::kOutline));
    painter.drawRect(QRectF(3.4, 9.2, 25.2, 1.8));

    painter.setPen(QPen(QColor(palette::kOutline), 0.8));
    painter.setBrush(glass);
    painter.drawPath(lens(6.0));
    painter.drawPath(lens(17.0));

    // A glint on each lens.
    painter.setPen(QPen(QColor(palette::kLensGlint), 1.1, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(8.2, 13.6), QPointF(10.0, 11.8));
    painter.drawLine(QPointF(19.2, 13.6), QPointF(21.0, 11.8));
}

} // namespace

void paintBubbleFigure(QPainter& painter, const QRectF& box)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.topLeft());
    painter.scale(box.width() / 32.0, box.height() / 32.0);

    const QPainterPath body = bubbleOutline();
    QLinearGradient shade(10.0, 6.0, 22.0, 28.0);
    shade.setColorAt(0.0, QColor(palette::kBubble));
    shade.setColorAt(0.55, QColor(palette::kBubble));
    shade.setColorAt(1.0, QColor(palette::kBubbleShade));
    painter.setPen(
        QPen(QColor(palette::kOutline), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(shade);
    painter.drawPath(body);

    paintSunglasses(painter);

    // A relaxed half smile.
    QPainterPath smile;
    smile.moveTo(12.5, 20.2);
    smile.quadTo(16.5, 22.6, 20.5, 19.4);
    painter.setPen(QPen(QColor(palette::kOutline), 1.3, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(smile);

    painter.restore();
}

} // namespace clipvoice::app::artwork
