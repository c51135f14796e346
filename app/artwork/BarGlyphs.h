#pragma once

#include <QPainter>
#include <QRect>

// The dark bar shared by the title strip and the button strip, and the white
// glyphs drawn on it. The window's click areas lie over these glyphs, so each
// glyph is painted strictly inside the rectangle it is given.
namespace clipvoice::app::artwork {

// Fills `area` with the dark bar, shading from a lighter top row downwards.
void paintDarkBar(QPainter& painter, const QRect& area);

// A cross of two-pixel strokes filling the 8 x 8 square at `topLeft`.
void paintCrossGlyph(QPainter& painter, QPoint topLeft);

// A solid block filling `area`: the minimise bar and the stop square.
void paintBlockGlyph(QPainter& painter, const QRect& area);

// A play triangle pointing right, its base on the left edge of `area`.
void paintPlayGlyph(QPainter& painter, const QRect& area);

} // namespace clipvoice::app::artwork
