#include "agent/ui/BalloonStyle.h"

#include <QGuiApplication>

namespace clipvoice::agent::ui {

QString japaneseFontFamily()
{
    return QStringLiteral("IPAPGothic");
}

bool containsJapanese(const QString& text)
{
    // A plain loop over the code units: a copied text may be megabytes long.
    const QChar* units = text.constData();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t u = units[i].unicode();
        if (u < 0x3000)
            continue;
        const bool kana = u >= 0x3040 && u <= 0x30FF;        // hiragana, katakana
        const bool ideograph = u >= 0x4E00 && u <= 0x9FFF;   // common kanji
        const bool punctuation = u >= 0x3000 && u <= 0x303F; // 、。「」
        const bool halfwidth = u >= 0xFF61 && u <= 0xFF9F;   // halfwidth katakana
        if (kana || ideograph || punctuation || halfwidth)
            return true;
    }
    return false;
}

QFont BalloonStyle::font(const QString& text) const
{
    QFont f = QGuiApplication::font();
    if (!fontFamily.isEmpty())
        f.setFamilies({fontFamily});
    else if (containsJapanese(text))
        // Fontconfig's own fallback may pick a Chinese face for kanji; name ours.
        f.setFamilies({japaneseFontFamily(), f.family()});
    if (fontPointSize > 0)
        f.setPointSize(fontPointSize);
    f.setWeight(static_cast<QFont::Weight>(qBound(100, fontWeight, 900)));
    f.setItalic(italic);
    return f;
}

} // namespace clipvoice::agent::ui
