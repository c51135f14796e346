#include "app/artwork/FlagPictures.h"

#include <QPainter>
#include <QPolygon>
#include <QString>

#include <array>

namespace clipvoice::app::artwork {

namespace {

// Country codes of the flag files, by language position; Basque (28) is drawn.
constexpr std::array<const char*, kFlagCount> kCountryCodes = {
    "jp", "us", "gb", "sa", "tw", "cz",    "dk", "de", "gr", "fi", "fr",
    "il", "hu", "it", "kr", "nl", "no",    "pl", "br", "ro", "ru", "hr",
    "sk", "se", "th", "tr", "si", nullptr, "cn", "pt", "es"};

// The Basque flag (ikurriña): red field, green saltire, white cross.
QImage basqueFlag()
{
    QImage image(16, 11, QImage::Format_RGB32);
    image.fill(QColor(0xd5, 0x2b, 0x1e));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x00, 0x96, 0x3e), 2.0));
    p.drawLine(QPointF(0, 0), QPointF(16, 11));
    p.drawLine(QPointF(0, 11), QPointF(16, 0));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(7, 0, 2, 11, Qt::white);
    p.fillRect(0, 4, 16, 2, Qt::white);
    return image;
}

} // namespace

QImage flagPicture(int position)
{
    if (position < 1 || position > kFlagCount)
        return {};
    const char* code = kCountryCodes[static_cast<std::size_t>(position - 1)];
    if (code == nullptr)
        return basqueFlag();
    QImage image(QStringLiteral(":/flags/%1.png").arg(QLatin1String(code)));
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace clipvoice::app::artwork
