// Writes the window icon as a PNG file, for installation in the icon theme.
// Usage: clipvoice-render-icon OUTPUT.png

#include "app/artwork/Artwork.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: clipvoice-render-icon OUTPUT.png\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    if (!clipvoice::app::artwork::windowIconPicture().save(output, "PNG")) {
        std::fprintf(stderr, "clipvoice-render-icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
