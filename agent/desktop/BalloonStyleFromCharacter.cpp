#include "agent/desktop/BalloonStyleFromCharacter.h"

#include <algorithm>
#include <cstdlib>

namespace clipvoice::agent::desktop {

ui::BalloonStyle balloonStyleFor(const std::optional<acs::BalloonInfo>& balloon)
{
    ui::BalloonStyle style;
    if (!balloon)
        return style;
    // A file may ask for anything; a balloon must stay readable and on screen.
    style.lines = std::clamp(int(balloon->lines), 1, 8);
    style.charsPerLine = std::clamp(int(balloon->charsPerLine), 8, 60);
    style.foreground = QColor::fromRgb(balloon->foreground);
    style.background = QColor::fromRgb(balloon->background);
    style.border = QColor::fromRgb(balloon->border);
    style.fontFamily = balloon->fontName;
    const int pixels = std::abs(balloon->fontHeight);
    if (pixels > 0)
        style.fontPointSize = std::clamp((pixels * 72 + 48) / 96, 6, 48);
    style.fontWeight = std::clamp(balloon->fontWeight / 10 * 10, 100, 900);
    style.italic = balloon->italic;
    return style;
}

} // namespace clipvoice::agent::desktop
