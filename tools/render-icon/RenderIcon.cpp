// Writes the program's icon as a PNG file, for installation in the icon theme.
// Usage: clipvoice-render-icon OUTPUT.png [SIZE]
// Without a size, or with 32, it writes the 16-colour 32 x 32 window icon;
// other sizes draw the same figure smoothly at that size (16 to 1024 pixels).

#include "app/artwork/Artwork.h"
#include "app/artwork/BubbleFigure.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

namespace {

constexpr int kIconGrid = 32;
constexpr int kSmallest = 16;
constexpr int kLargest = 1024;

QImage iconPicture(int size)
{
    if (size == kIconGrid)
        return clipvoice::app::artwork::windowIconPicture();
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    clipvoice::app::artwork::paintBubbleFigure(painter, QRectF(0.0, 0.0, size, size));
    painter.end();
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: clipvoice-render-icon OUTPUT.png [SIZE]\n");
        return 2;
    }
    int size = kIconGrid;
    if (argc == 3) {
        bool ok = false;
        size = QString::fromLocal8Bit(argv[2]).toInt(&ok);
        if (!ok || size < kSmallest || size > kLargest) {
            std::fprintf(stderr, "clipvoice-render-icon: the size must be a number from %d to %d\n",
                         kSmallest, kLargest);
            return 2;
        }
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    if (!iconPicture(size).save(output, "PNG")) {
        std::fprintf(stderr, "clipvoice-render-icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
