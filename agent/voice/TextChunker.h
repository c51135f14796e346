#pragma once

#include <QList>
#include <QString>

// Prepares copied text for a speech engine: the text is always read as plain
// text, and long lines are cut into pieces an engine takes in one call.
namespace clipvoice::agent::voice {

struct TextChunk
{
    int offset = 0; // where the piece starts in the original text
    QString text;
};

class TextChunker
{
public:
    // Replaces control characters, line and paragraph separators and unpaired
    // surrogates with spaces. The length and every other character stay as they
    // are, so offsets into the result are offsets into the original.
    static QString sanitize(const QString& text);

    // Cuts `text` into pieces of at most `maxChars` code units, preferring the end
    // of a sentence, then a space, then a clause mark, and never splitting a
    // surrogate pair. Pieces holding only white space are left out. With
    // `everySentence`, each sentence becomes a piece of its own even when it is
    // short, for engines that only give audio once a whole piece is done.
    static QList<TextChunk> split(const QString& text, int maxChars, bool everySentence = false);
};

} // namespace clipvoice::agent::voice
