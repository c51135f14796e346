#pragma once

#include <QImage>
#include <QString>

// The program's own pictures, drawn in code. Sizes are fixed because the
// window's hot spots lie over glyphs painted in these pictures.
namespace clipvoice::app::artwork {

// 466 x 370: the dark title strip (rows 0 to 20) with the window icon's bubble
// and the application title at its left, the minimise glyph (a bar, pixels 435
// to 442 across) and the close glyph (a cross, pixels 452 to 459 across) at its
// right; below it a light-blue gradient fading to near white towards the right,
// and our logo in the box of pixels 321 to 443 across, 214 to 255 down.
QImage backgroundPicture(const QString& applicationTitle);

// 260 x 16: a dark bar with a white cross (pixels 6 to 13 across), a white play
// triangle (231 to 238) and a white stop square (247 to 253).
QImage stripPicture();

// 32 x 32, 16 colours: a white speech bubble wearing dark blue sunglasses.
QImage windowIconPicture();

// 32 x 32: a white pointing hand with a black outline on a transparent ground,
// filling pixels 12 to 28 across and 14 to 31 down, the tip of the raised
// finger at pixels 17 and 18 of row 14. Its hot spot is the centre (16, 16).
QImage handCursorPicture();

// 16 x 16 pictures of the catalogue tree on white, by key: "genie" (a golden
// oil lamp), "merlin" (a dark-blue wizard's hat with yellow stars), "peedy"
// (a green parrot), "robby" (a grey robot head), "other" (a blue diamond with
// a small white and blue figure), "notinstalled" (a grey round button).
// An unknown key gives a null image.
QImage treePicture(const QString& key);

} // namespace clipvoice::app::artwork
