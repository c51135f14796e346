#pragma once

#include <QPainter>
#include <QRect>

namespace clipvoice::app::artwork {

// Paints our logo, the bubble mascot and the name "ClipVoice", inside `box`.
// Nothing is painted outside it.
void paintLogo(QPainter& painter, const QRect& box);

} // namespace clipvoice::app::artwork
