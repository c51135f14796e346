#pragma once

#include <QRgb>

// The colours of the program's pictures, kept in one place so the title strip,
// the button strip, the icon and the logo match.
namespace clipvoice::app::artwork::palette {

// The dark bars (title strip and button strip) shade from top to bottom.
inline constexpr QRgb kBarTop = qRgb(0x2b, 0x40, 0x6e);
inline constexpr QRgb kBar = qRgb(0x1b, 0x2a, 0x49);
inline constexpr QRgb kBarBottom = qRgb(0x12, 0x1d, 0x36);
inline constexpr QRgb kGlyph = qRgb(0xff, 0xff, 0xff);

// The window's ground: light blue at the left fading to near white.
inline constexpr QRgb kGroundLeft = qRgb(0x9f, 0xc4, 0xee);
inline constexpr QRgb kGroundMiddle = qRgb(0xcf, 0xe2, 0xf8);
inline constexpr QRgb kGroundRight = qRgb(0xf7, 0xfa, 0xff);
inline constexpr QRgb kAccent = qRgb(0x3f, 0x80, 0xd4);
inline constexpr QRgb kAccentFaint = qRgb(0x9c, 0xc2, 0xf0);

// The bubble figure.
inline constexpr QRgb kOutline = qRgb(0x10, 0x1c, 0x36);
inline constexpr QRgb kBubble = qRgb(0xff, 0xff, 0xff);
inline constexpr QRgb kBubbleShade = qRgb(0xd6, 0xe1, 0xf1);
inline constexpr QRgb kLens = qRgb(0x12, 0x2c, 0x6c);
inline constexpr QRgb kLensLight = qRgb(0x2f, 0x5c, 0xb4);
inline constexpr QRgb kLensGlint = qRgb(0xb4, 0xd0, 0xff);

// The logo's lettering.
inline constexpr QRgb kLogoDark = qRgb(0x1b, 0x2a, 0x49);
inline constexpr QRgb kLogoBlue = qRgb(0x27, 0x66, 0xc2);

} // namespace clipvoice::app::artwork::palette
