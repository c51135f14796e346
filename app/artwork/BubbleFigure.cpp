#include "app/artwork/BubbleFigure.h"

#include "app/artwork/Palette.h"
#include "characters/figures/BubbleShape.h"

#include <QLinearGradient>
#include <QPainterPath>

namespace clipvoice::app::artwork {

namespace {

namespace shape = characters::figures::bubble;

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
    for (qreal left : shape::kLensLefts)
        painter.drawPath(shape::lens(left));

    // A glint on each lens.
    painter.setPen(QPen(QColor(palette::kLensGlint), 1.1, Qt::SolidLine, Qt::RoundCap));
    for (QPointF start : shape::kGlintStarts)
        painter.drawLine(start, start + QPointF(shape::kGlintRun, -shape::kGlintRun));
}

} // namespace

void paintBubbleFigure(QPainter& painter, const QRectF& box)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.topLeft());
    painter.scale(box.width() / 32.0, box.height() / 32.0);

    const QPainterPath body = shape::outline();
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
