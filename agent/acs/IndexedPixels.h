#pragma once

#include <QByteArray>
#include <QRect>

namespace clipvoice::agent::acs {

// Palette indices of an image, or of the part of it that a frame shows, as the
// frame composer reads them. Rows may run top-down or bottom-up (as stored in
// the file), so decoded pixels need not be copied to be drawn.
struct IndexedPixels
{
    QByteArray storage;         // the decoded bytes; empty when `top` points into the file
    const uchar* top = nullptr; // pixel (rect.left(), rect.top())
    qsizetype rowStep = 0;      // bytes from one row to the next one down; negative when bottom-up
    QRect rect;                 // the part of the image held, in image coordinates
    bool transparent = false;   // the image could not be decoded: it draws nothing

    // The row of image line `y` (inside `rect`), starting at column rect.left().
    const uchar* row(int y) const { return top + qsizetype(y - rect.top()) * rowStep; }
    bool holds(const QRect& part) const { return transparent || rect.contains(part); }
};

} // namespace clipvoice::agent::acs
