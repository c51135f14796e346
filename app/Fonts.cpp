#include "app/Fonts.h"

#include <QFont>

namespace clipvoice::app {

void registerFontSubstitutions()
{
    QFont::insertSubstitution(treeFontFamily(), treeFontSubstitute());
    // Without the Japanese font, a generic sans face still shows the text.
    QFont::insertSubstitution(treeFontFamily(), QStringLiteral("Sans Serif"));
}

} // namespace clipvoice::app
