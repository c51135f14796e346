#pragma once

#include "characters/figures/BubbleShape.h"

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

// The bubble figure, in the colours the shipped Bubble character has too.
inline constexpr QRgb kOutline = characters::figures::bubble::kOutline;
inline constexpr QRgb kBubble = characters::figures::bubble::kBody;
inline constexpr QRgb kBubbleShade = characters::figures::bubble::kShade;
inline constexpr QRgb kLens = characters::figures::bubble::kLens;
inline constexpr QRgb kLensLight = characters::figures::bubble::kLensLight;
inline constexpr QRgb kLensGlint = characters::figures::bubble::kGlint;

// The logo's lettering.
inline constexpr QRgb kLogoDark = qRgb(0x1b, 0x2a, 0x49);
inline constexpr QRgb kLogoBlue = qRgb(0x27, 0x66, 0xc2);

} // namespace clipvoice::app::artwork::palette
