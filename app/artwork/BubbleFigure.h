#pragma once

#include <QPainter>
#include <QRectF>

namespace clipvoice::app::artwork {

// Paints our mascot, a white speech bubble wearing dark blue sunglasses, into
// the square `box`. The figure is laid out on a 32 x 32 grid, the same grid as
// data/icons/clipvoice.svg, and scaled to the box; its outline and lenses are
// the shipped Bubble character's (characters/figures/BubbleShape.h).
void paintBubbleFigure(QPainter& painter, const QRectF& box);

} // namespace clipvoice::app::artwork
