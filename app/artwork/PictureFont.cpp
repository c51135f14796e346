#include "app/artwork/PictureFont.h"

#include <QStringList>

namespace clipvoice::app::artwork {

QFont pictureFont(int pixelSize, QFont::Weight weight, bool italic)
{
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Noto Sans"), QStringLiteral("FreeSans")});
    font.setStyleHint(QFont::SansSerif, QFont::PreferAntialias);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    font.setItalic(italic);
    font.setKerning(true);
    return font;
}

} // namespace clipvoice::app::artwork
