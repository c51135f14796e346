#pragma once

#include "Character.h"

#include <QImage>

// Converts the tray icon's pair of packed device-independent bitmaps (a 1-bit
// mask and a colour bitmap, each a 40-byte header, a colour table and bottom-up
// rows) to and from a QImage.
namespace clipvoice::agent::acs {

class DibCodec
{
public:
    // Decodes the icon; mask bit 1 is transparent. Returns a null image and sets
    // `error` when a bitmap header is malformed. Never reads past either buffer.
    static QImage decodeTrayIcon(const TrayIcon& icon, QString* error = nullptr);

    // Encodes `image` as a 16 x 16 icon: a 1-bit mask and a 4-bit colour bitmap
    // with the 16 standard Windows colours. Pixels with alpha below 128 are masked.
    static TrayIcon encodeTrayIcon(const QImage& image);
};

} // namespace clipvoice::agent::acs
