#pragma once

#include <QFont>

namespace clipvoice::app::artwork {

// A sans-serif font named explicitly, so the lettering in the pictures looks the
// same whatever the desktop's own font is. DejaVu Sans comes first; the other
// families only stand in where it is missing.
QFont pictureFont(int pixelSize, QFont::Weight weight, bool italic = false);

} // namespace clipvoice::app::artwork
