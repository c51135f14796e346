#include "app/TwipScale.h"

#include <QScreen>

#include <cmath>

namespace clipvoice::app {

TwipScale TwipScale::forScreen(const QScreen* screen)
{
    if (screen == nullptr || screen->logicalDotsPerInchX() <= 0)
        return TwipScale(96.0);
    return TwipScale(screen->logicalDotsPerInchX());
}

int TwipScale::toPixels(int twips) const
{
    return static_cast<int>(std::lround(twips * m_dotsPerInch / kTwipsPerInch));
}

QRect TwipScale::toPixels(int left, int top, int width, int height) const
{
    const int x1 = toPixels(left);
    const int y1 = toPixels(top);
    const int x2 = toPixels(left + width);
    const int y2 = toPixels(top + height);
    return QRect(x1, y1, x2 - x1, y2 - y1);
}

} // namespace clipvoice::app
