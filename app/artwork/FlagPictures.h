#pragma once

#include <QImage>

namespace clipvoice::app::artwork {

// Number of speech languages, and so of flag pictures.
inline constexpr int kFlagCount = 31;

// 16 x 11 flag of the speech language at the 1-based position (1 Japan,
// 2 United States, 3 United Kingdom, ..., 31 Spain). A position outside
// 1 to 31 gives a null image.
QImage flagPicture(int position);

} // namespace clipvoice::app::artwork
