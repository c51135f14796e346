#pragma once

#include <QImage>
#include <QList>
#include <QRgb>

namespace clipvoice::app::artwork {

// Converts `image` to an 8-bit indexed picture using exactly the colours of
// `table`. Pixels less than half opaque take the table's first fully
// transparent entry; every other pixel takes the nearest opaque entry. The
// table must hold one fully transparent entry and at least one opaque one.
QImage toIndexedColours(const QImage& image, const QList<QRgb>& table);

} // namespace clipvoice::app::artwork
