#include "app/artwork/PixelMap.h"

#include <QtGlobal>

namespace clipvoice::app::artwork {

QImage pixelMapPicture(std::span<const std::string_view> rows, std::span<const PixelKey> keys,
                       QImage::Format format, QRgb ground)
{
    if (rows.empty())
        return {};
    const auto width = rows.front().size();
    QImage image(static_cast<int>(width), static_cast<int>(rows.size()), format);
    image.fill(QColor::fromRgba(ground));
    for (std::size_t y = 0; y < rows.size(); ++y) {
        Q_ASSERT(rows[y].size() == width);
        for (std::size_t x = 0; x < width && x < rows[y].size(); ++x) {
            for (const PixelKey& key : keys) {
                if (key.letter == rows[y][x]) {
                    image.setPixel(static_cast<int>(x), static_cast<int>(y), key.colour);
                    break;
                }
            }
        }
    }
    return image;
}

} // namespace clipvoice::app::artwork
