#include "app/artwork/Logo.h"

#include "app/artwork/BubbleFigure.h"
#include "app/artwork/Palette.h"
#include "app/artwork/PictureFont.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>

namespace clipvoice::app::artwork {

namespace {

// The largest font of the given style, no larger than `pixelSize`, in which
// `text` fits `width`.
QFont fittingFont(const QString& text, int pixelSize, QFont::Weight weight, bool italic,
                  qreal width)
{
    QFont font = pictureFont(pixelSize, weight, italic);
    while (pixelSize > 6 && QFontMetricsF(font).horizontalAdvance(text) > width) {
        --pixelSize;
        font.setPixelSize(pixelSize);
    }
    return font;
}

} // namespace

void paintLogo(QPainter& painter, const QRect& box)
{
    painter.save();
    painter.setClipRect(box);
    painter.setRenderHint(QPainter::Antialiasing);

    // The mascot at the left, filling the box's height.
    const qreal figureSize = box.height() - 2.0;
    paintBubbleFigure(painter, QRectF(box.left() + 1.0, box.top() + 1.0, figureSize, figureSize));

    // The name in two lines right of the mascot: a small "CLIP" above a large
    // italic "Voice".
    const qreal textLeft = box.left() + figureSize + 4.0;
    const qreal textWidth = box.right() - textLeft - 1.0;

    const QString small = QStringLiteral("CLIP");
    QFont smallFont = fittingFont(small, 10, QFont::Bold, false, textWidth);
    smallFont.setLetterSpacing(QFont::AbsoluteSpacing, 2.0);
    const QString large = QStringLiteral("Voice");
    const QFont largeFont = fittingFont(large, 24, QFont::Bold, true, textWidth);

    const QPointF smallOrigin(textLeft + 1.0, box.top() + 10.0);
    const QPointF largeOrigin(textLeft, box.bottom() - 8.0);

    // A white emboss one pixel down and right lifts the lettering off the ground.
    // The text is drawn rather than turned into paths: drawn glyphs come out
    // the same however much other text the program has drawn before.
    painter.setFont(smallFont);
    painter.setPen(QColor(255, 255, 255, 200));
    painter.drawText(smallOrigin + QPointF(1.0, 1.0), small);
    painter.setPen(QColor(palette::kLogoDark));
    painter.drawText(smallOrigin, small);

    painter.setFont(largeFont);
    painter.setPen(QColor(255, 255, 255, 200));
    painter.drawText(largeOrigin + QPointF(1.0, 1.0), large);
    const QFontMetricsF largeMetrics(largeFont);
    QLinearGradient blue(0.0, largeOrigin.y() - largeMetrics.capHeight(), 0.0, largeOrigin.y());
    blue.setColorAt(0.0, QColor(palette::kLogoBlue).lighter(125));
    blue.setColorAt(1.0, QColor(palette::kLogoBlue).darker(130));
    painter.setPen(QPen(QBrush(blue), 1.0));
    painter.drawText(largeOrigin, large);

    // A swoosh under the name, fading out to the right.
    QLinearGradient fade(textLeft, 0.0, box.right(), 0.0);
    fade.setColorAt(0.0, QColor(palette::kLogoBlue));
    QColor clear(palette::kLogoBlue);
    clear.setAlpha(0);
    fade.setColorAt(1.0, clear);
    QPainterPath swoosh;
    const qreal y = box.bottom() - 4.0;
    swoosh.moveTo(textLeft, y + 1.0);
    swoosh.quadTo(textLeft + textWidth * 0.5, y - 2.5, box.right() - 1.0, y - 1.0);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QBrush(fade), 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(swoosh);

    painter.restore();
}

} // namespace clipvoice::app::artwork
