#include "app/artwork/IndexedColours.h"

#include <algorithm>
#include <limits>

namespace clipvoice::app::artwork {

namespace {

// Squared distance weighted roughly by how strongly the eye sees each channel.
int distance(QRgb a, QRgb b)
{
    const int red = qRed(a) - qRed(b);
    const int green = qGreen(a) - qGreen(b);
    const int blue = qBlue(a) - qBlue(b);
    return 3 * red * red + 4 * green * green + 2 * blue * blue;
}

uint nearestOpaque(QRgb colour, const QList<QRgb>& table)
{
    uint best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (qsizetype i = 0; i < table.size(); ++i) {
        if (qAlpha(table[i]) != 255)
            continue;
        const int d = distance(colour, table[i]);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<uint>(i);
        }
    }
    return best;
}

} // namespace

QImage toIndexedColours(const QImage& image, const QList<QRgb>& table)
{
    const auto transparent =
        static_cast<uint>(std::max<qsizetype>(0, table.indexOf(qRgba(0, 0, 0, 0))));
    const QImage source = image.convertToFormat(QImage::Format_ARGB32);
    QImage indexed(source.size(), QImage::Format_Indexed8);
    indexed.setColorTable(table);
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const QRgb pixel = source.pixel(x, y);
            indexed.setPixel(x, y, qAlpha(pixel) < 128 ? transparent : nearestOpaque(pixel, table));
        }
    }
    return indexed;
}

} // namespace clipvoice::app::artwork
