#pragma once

#include <QString>

namespace clipvoice::app {

// The tree's font as the window describes it, and the installed font that
// stands in for it (metric-compatible, from Debian's fonts-ipafont-gothic).
inline QString treeFontFamily()
{
    return QStringLiteral("ＭＳ Ｐゴシック");
}
inline QString treeFontSubstitute()
{
    return QStringLiteral("IPAPGothic");
}

// Registers the substitutions so the described font names resolve to
// installed fonts. Call once after the application object exists.
void registerFontSubstitutions();

} // namespace clipvoice::app
