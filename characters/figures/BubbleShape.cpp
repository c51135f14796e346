#include "characters/figures/BubbleShape.h"

#include <QRectF>

namespace clipvoice::characters::figures::bubble {

QPainterPath outline()
{
    // Qt's arc angles run counter-clockwise, so starting right of the tail and
    // sweeping 335 degrees goes over the top and ends left of the tail.
    const QRectF ellipse(2.5, 3.0, 27.0, 22.0);
    QPainterPath path;
    path.arcMoveTo(ellipse, -100.0);
    path.arcTo(ellipse, -100.0, 335.0);
    path.lineTo(4.2, 29.6);
    path.quadTo(9.5, 27.6, 13.66, 24.83);
    path.closeSubpath();
    return path;
}

QPainterPath lens(qreal left, qreal top)
{
    const qreal right = left + 9.0;
    const qreal middle = left + 4.5;
    QPainterPath path;
    path.moveTo(left, top);
    path.lineTo(right, top);
    path.lineTo(right, top + 2.5);
    path.cubicTo(right, top + 5.5, right - 1.8, top + 7.0, middle, top + 7.0);
    path.cubicTo(left + 1.8, top + 7.0, left, top + 5.5, left, top + 2.5);
    path.closeSubpath();
    return path;
}

} // namespace clipvoice::characters::figures::bubble
