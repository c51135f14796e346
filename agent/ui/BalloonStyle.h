#pragma once

#include <QColor>
#include <QFont>
#include <QString>

namespace clipvoice::agent::ui {

// How a word balloon looks: its size in lines and characters, its colours and
// its font. A character file carries these; the user may override the font.
struct BalloonStyle
{
    int lines = 2;
    int charsPerLine = 32;
    QColor foreground{0, 0, 0};
    QColor background{255, 255, 225};
    QColor border{0, 0, 0};
    QString fontFamily;    // empty: the system font, or a Japanese font for Japanese text
    int fontPointSize = 0; // 0: the system font's size
    int fontWeight = QFont::Normal;
    bool italic = false;

    // The font to draw `text` with.
    QFont font(const QString& text) const;

    bool operator==(const BalloonStyle&) const = default;
};

// The font Japanese text falls back to when the style names no family.
QString japaneseFontFamily();

// True when the text holds kana or CJK ideographs.
bool containsJapanese(const QString& text);

} // namespace clipvoice::agent::ui
