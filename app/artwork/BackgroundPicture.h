#pragma once

#include <QImage>
#include <QRect>

namespace clipvoice::app::artwork {

// Where the logo goes in the background picture: pixels 321 to 443 across,
// 214 to 255 down.
inline constexpr QRect kLogoBox(321, 214, 123, 42);

// The background without the title strip's contents and without the logo: the
// empty dark strip, the accent under it and the gradient. backgroundPicture()
// paints over this and nowhere else.
QImage backgroundGround();

} // namespace clipvoice::app::artwork
