#pragma once

#include "agent/ui/LineBreakScanner.h"

#include <QFontMetrics>
#include <QList>
#include <QString>

namespace clipvoice::agent::ui {

// One line of wrapped text: where it starts in the text and how many
// characters it takes (trailing spaces and line feeds included).
struct WrappedLine
{
    int start = 0;
    int length = 0;
    bool operator==(const WrappedLine&) const = default;
};

// Breaks a text into lines no wider than a width, a line at a time and only as
// far as asked, keeping the lines made so far. Lines break where Unicode
// allows (between words, and between Japanese characters, which have no
// spaces); a word too wide for a line is broken between characters, never
// inside a surrogate pair. A line holds at most `maxLineLength` characters,
// however narrow they are (combining marks and other zero-width characters
// take no room).
//
// The work for each line follows its length: the widths of its candidate ends
// are searched by doubling and halving, so wrapping n characters measures
// about n log(line length) of them, and reads the text for breaks only a
// window beyond the last line.
class TextWrapper
{
public:
    // More than any line of visible characters holds in a balloon.
    static constexpr int DefaultMaxLineLength = 400;

    TextWrapper(const QString& text, const QFontMetrics& metrics, int maxWidth,
                int maxLineLength = DefaultMaxLineLength);

    const QString& text() const { return m_text; }
    const QList<WrappedLine>& lines() const { return m_lines; }
    // True once the last line of the text has been made.
    bool isComplete() const { return m_next >= m_text.size() && !m_lines.isEmpty(); }
    // Where the next line will start: the text before it is wrapped.
    int wrappedEnd() const { return m_next; }

    // Makes lines until there are `count` of them, or the text has ended.
    void wrapLines(int count);
    // Makes lines until the text before `offset` is wrapped, or the text has ended.
    void wrapThrough(int offset);
    void wrapAll();

    // Leaves the text from the end of the last line to about `position`
    // unwrapped and goes on from there: the next line starts at the first
    // break at or after `position` (or at `position` when none is near). For
    // jumping far ahead without wrapping all that is skipped.
    void skipTo(int position);

    // The visible width of the text from `start` to `end`: trailing spaces and
    // line feeds take no room at the end of a line.
    int visibleWidth(int start, int end);
    // How many characters were measured so far (a measure of the work done).
    qint64 measuredCharacters() const { return m_measured; }
    qint64 scannedCharacters() const { return m_breaks.scannedCharacters(); }

private:
    // Makes the line that starts at m_next.
    void wrapNextLine();
    // Adds to the candidates the breaks up to `upTo`, and no further than
    // `limit` or a line feed.
    void collectCandidates(int start, int upTo, int limit);
    bool fits(int start, int end);
    // The longest run of whole characters from `start` to at most `end` that
    // fits, at least one character.
    int fitCharacters(int start, int end);
    // `position`, or the one before it when it would split a surrogate pair.
    int characterBoundaryAtOrBefore(int position) const;

    QString m_text;
    QFontMetrics m_metrics;
    int m_maxWidth;
    int m_maxLineLength;
    LineBreakScanner m_breaks;
    QList<WrappedLine> m_lines;
    QList<int> m_candidates;      // the breaks a line may end at, while it is made
    bool m_allCandidates = false; // no more breaks are within the line's reach
    int m_next = 0;
    qint64 m_measured = 0;
};

} // namespace clipvoice::agent::ui
