#include "app/artwork/BackgroundPicture.h"

#include "app/artwork/Artwork.h"
#include "app/artwork/BarGlyphs.h"
#include "app/artwork/BubbleFigure.h"
#include "app/artwork/Logo.h"
#include "app/artwork/Palette.h"
#include "app/artwork/PictureFont.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

namespace clipvoice::app::artwork {

namespace {

constexpr int kWidth = 466;
constexpr int kHeight = 370;
constexpr int kStripHeight = 21;

// The title may run up to a little before the minimise glyph.
constexpr int kTitleLeft = 23;
constexpr int kTitleRight = 420;

void paintGradient(QPainter& painter, const QRect& area)
{
    QLinearGradient ground(area.left(), 0.0, area.right(), 0.0);
    ground.setColorAt(0.0, QColor(palette::kGroundLeft));
    ground.setColorAt(0.5, QColor(palette::kGroundMiddle));
    ground.setColorAt(1.0, QColor(palette::kGroundRight));
    painter.fillRect(area, ground);
}

// A bright accent line right under the strip and a soft shadow the strip casts
// on the ground below it.
void paintStripEdge(QPainter& painter)
{
    QLinearGradient accent(0.0, 0.0, kWidth, 0.0);
    accent.setColorAt(0.0, QColor(palette::kAccent));
    accent.setColorAt(1.0, QColor(palette::kAccentFaint));
    painter.fillRect(QRect(0, kStripHeight, kWidth, 1), accent);

    const int shadowAlpha[] = {46, 22, 9};
    int row = kStripHeight + 1;
    for (const int alpha : shadowAlpha) {
        QColor shadow(palette::kBarBottom);
        shadow.setAlpha(alpha);
        painter.fillRect(QRect(0, row, kWidth, 1), shadow);
        ++row;
    }
}

void paintTitle(QPainter& painter, const QString& title)
{
    paintBubbleFigure(painter, QRectF(3.0, 2.0, 16.0, 16.0));

    const QFont font = pictureFont(12, QFont::Bold);
    const QFontMetrics metrics(font);
    const QRect area(kTitleLeft, 0, kTitleRight - kTitleLeft, kStripHeight);
    const QString shown = metrics.elidedText(title, Qt::ElideRight, area.width());
    painter.save();
    painter.setClipRect(area);
    painter.setFont(font);
    painter.setPen(QColor(palette::kGlyph));
    painter.drawText(area.adjusted(0, 0, 0, -1), Qt::AlignLeft | Qt::AlignVCenter, shown);
    painter.restore();
}

} // namespace

QImage backgroundGround()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    paintDarkBar(painter, QRect(0, 0, kWidth, kStripHeight));
    paintGradient(painter, QRect(0, kStripHeight, kWidth, kHeight - kStripHeight));
    paintStripEdge(painter);
    return image;
}

QImage backgroundPicture(const QString& applicationTitle)
{
    QImage image = backgroundGround();
    QPainter painter(&image);
    paintTitle(painter, applicationTitle);
    // Minimise and close; the window's click areas are 432-448 and 448-464.
    paintBlockGlyph(painter, QRect(435, 10, 8, 2));
    paintCrossGlyph(painter, QPoint(452, 4));
    paintLogo(painter, kLogoBox);
    return image;
}

} // namespace clipvoice::app::artwork
