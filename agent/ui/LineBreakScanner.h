#pragma once

#include <QList>
#include <QString>

namespace clipvoice::agent::ui {

// Finds where Unicode allows a line to break in a text (between words, after
// a line feed, between Japanese characters), a window of the text at a time,
// so that the work done follows how far the caller has got, never the length
// of the whole text. The end of the text counts as a break.
//
// Each window is read with some of the text before and after it, so that
// breaks that depend on their neighbours come out as they do for the whole
// text. The breaks found are kept until forgotten, so that a caller may look
// ahead and come back; going back before what was forgotten reads again.
class LineBreakScanner
{
public:
    // Characters in one window, without its context.
    static constexpr int WindowLength = 2048;
    // Characters of context read on each side of a window.
    static constexpr int ContextLength = 64;

    explicit LineBreakScanner(QString text);

    // The first break after `after` and no further than `limit`, or -1 when
    // there is none in that range.
    int nextBreak(int after, int limit);
    // Drops the breaks up to `position`: the caller will not ask about them.
    void forgetUpTo(int position);

    // How many characters were handed to the Unicode line breaker so far.
    qint64 scannedCharacters() const { return m_scanned; }

private:
    void restartAt(int position);
    // Adds the breaks of the window that follows what was read.
    void scanNextWindow();

    QString m_text;
    QList<int> m_breaks; // every break in (m_scannedFrom, m_scannedTo], ascending
    int m_scannedFrom = 0;
    int m_scannedTo = 0;
    qint64 m_scanned = 0;
};

} // namespace clipvoice::agent::ui
