#pragma once

#include "agent/ui/TextWrapper.h"

#include <QList>
#include <QPainterPath>
#include <QPoint>
#include <QRect>
#include <QString>

class QFontMetrics;

namespace clipvoice::agent::ui {

// Breaks the whole of `text` into lines no wider than `maxWidth` (see
// TextWrapper, which wraps only as far as asked).
QList<WrappedLine> wrapText(const QString& text, const QFontMetrics& metrics, int maxWidth);

// The first of `visibleCount` lines to show so that the last of the first
// `revealed` characters is on screen: the balloon scrolls as words appear.
// The lines are in the order of the text.
int firstVisibleLine(const QList<WrappedLine>& lines, int revealed, int visibleCount);

enum class BalloonSide
{
    Above, // the balloon is above the character, its tail points down
    Below, // the balloon is below the character, its tail points up
    Right, // the balloon is right of the character, its tail points left
    Left,  // the balloon is left of the character, its tail points right
};

struct BalloonPlacement
{
    QRect geometry; // the whole balloon, tail included, in screen coordinates
    BalloonSide side = BalloonSide::Above;
    QPoint tip; // where the tail ends, in screen coordinates
};

// Places a balloon whose body is `bodySize` next to `character`: above it and
// centred on it where there is room, otherwise below, otherwise beside its
// head (right, then left); always slid to lie inside `available`. The tail
// adds `tailLength` on the character's side.
BalloonPlacement placeBalloon(QSize bodySize, int tailLength, const QRect& character,
                              const QRect& available);

// Outline of a speech balloon: a rounded body with a tail ending at `tip`.
QPainterPath speechShape(const QRectF& body, const QPointF& tip, qreal radius);

// Outline of a thought balloon: a cloud around `body` and a trail of bubbles
// shrinking towards `tip`. The cloud's bumps reach `bump` beyond the body.
QPainterPath thoughtShape(const QRectF& body, const QPointF& tip, qreal bump);

} // namespace clipvoice::agent::ui
