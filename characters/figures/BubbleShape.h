#pragma once

#include <QPainterPath>
#include <QPointF>
#include <QRgb>

// The Bubble figure, a white speech bubble wearing dark blue sunglasses, on the
// 32 x 32 grid of the window icon (data/icons/clipvoice.svg). The window
// artwork draws it at icon size; the character generator scales it up and
// gives it eyes, arms and a moving mouth.
namespace clipvoice::characters::figures::bubble {

inline constexpr QRgb kOutline = qRgb(0x10, 0x1c, 0x36);
inline constexpr QRgb kBody = qRgb(0xff, 0xff, 0xff);
inline constexpr QRgb kShade = qRgb(0xd6, 0xe1, 0xf1); // the side away from the light
inline constexpr QRgb kLens = qRgb(0x12, 0x2c, 0x6c);
inline constexpr QRgb kLensLight = qRgb(0x2f, 0x5c, 0xb4); // the lenses' lower part
inline constexpr QRgb kGlint = qRgb(0xb4, 0xd0, 0xff);

// The bubble: an ellipse centred on (16, 14) with a tail leaving it at the
// lower left.
QPainterPath outline();

// The lenses' left edges, and the top edge of both when the sunglasses sit
// in place.
inline constexpr qreal kLensLefts[] = {6.0, 17.0};
inline constexpr qreal kLensTop = 10.0;

// One lens: flat along the top, rounded underneath, 9 units wide and 7 high.
QPainterPath lens(qreal left, qreal top = kLensTop);

// Each lens has a glint, a short stroke running from these points
// `kGlintRun` units to the right and as many up.
inline constexpr QPointF kGlintStarts[] = {QPointF(8.2, 13.6), QPointF(19.2, 13.6)};
inline constexpr qreal kGlintRun = 1.8;

} // namespace clipvoice::characters::figures::bubble
