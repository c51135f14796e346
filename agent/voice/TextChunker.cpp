#include "agent/voice/TextChunker.h"

namespace clipvoice::agent::voice {

namespace {

bool isSentenceEnd(QChar c)
{
    switch (c.unicode()) {
    case u'.':
    case u'!':
    case u'?':
    case u';':
    case u'\n':
    case 0x3002: // ideographic full stop
    case 0xFF01: // fullwidth exclamation mark
    case 0xFF1F: // fullwidth question mark
    case 0xFF0E: // fullwidth full stop
    case 0x061F: // Arabic question mark
    case 0x0964: // Devanagari danda
        return true;
    default:
        return false;
    }
}

bool isClauseMark(QChar c)
{
    switch (c.unicode()) {
    case u',':
    case u':':
    case 0x3001: // ideographic comma
    case 0xFF0C: // fullwidth comma
    case 0x060C: // Arabic comma
        return true;
    default:
        return false;
    }
}

bool endsSentenceAt(const QString& text, int index)
{
    const QChar last = text.at(index);
    if (!isSentenceEnd(last)) {
        return false;
    }
    return index + 1 >= text.size() || text.at(index + 1).isSpace() || last.unicode() > 0x2000;
}

// The length of the piece starting at `start`, at most `maxChars`.
int cutLength(const QString& text, int start, int maxChars, bool everySentence)
{
    const int remaining = static_cast<int>(text.size()) - start;
    if (everySentence) {
        const int window = std::min(remaining, maxChars);
        for (int length = 1; length < window; ++length) {
            // Runs of marks ("?!", "。」") stay with their sentence.
            if (endsSentenceAt(text, start + length - 1) &&
                !isSentenceEnd(text.at(start + length))) {
                return length;
            }
        }
    }
    if (remaining <= maxChars) {
        return remaining;
    }
    // Cut after a sentence end, looking back from the limit but not into the
    // first quarter of the window, which would leave tiny pieces.
    const int floor = std::max(1, maxChars / 4);
    for (int length = maxChars; length > floor; --length) {
        const QChar last = text.at(start + length - 1);
        const QChar next = text.at(start + length);
        if (isSentenceEnd(last) && (next.isSpace() || last.unicode() > 0x2000)) {
            return length;
        }
    }
    for (int length = maxChars; length > floor; --length) {
        if (text.at(start + length).isSpace()) {
            return length;
        }
    }
    for (int length = maxChars; length > floor; --length) {
        if (isClauseMark(text.at(start + length - 1))) {
            return length;
        }
    }
    int length = maxChars;
    if (text.at(start + length - 1).isHighSurrogate() && text.at(start + length).isLowSurrogate()) {
        --length;
    }
    return length;
}

} // namespace

QString TextChunker::sanitize(const QString& text)
{
    QString result = text;
    for (qsizetype i = 0; i < result.size(); ++i) {
        const QChar c = result.at(i);
        if (c.isHighSurrogate() && i + 1 < result.size() && result.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        const bool control = c.category() == QChar::Other_Control;
        const bool separator = c.unicode() == 0x2028 || c.unicode() == 0x2029;
        if (control || separator || c.isSurrogate() || c.unicode() == 0xFEFF) {
            result[i] = QLatin1Char(' ');
        }
    }
    return result;
}

QList<TextChunk> TextChunker::split(const QString& text, int maxChars, bool everySentence)
{
    QList<TextChunk> chunks;
    const int limit = std::max(maxChars, 2);
    int start = 0;
    const int size = static_cast<int>(text.size());
    while (start < size) {
        const int length = cutLength(text, start, limit, everySentence);
        QString piece = text.mid(start, length);
        if (!piece.trimmed().isEmpty()) {
            chunks.append(TextChunk{start, std::move(piece)});
        }
        start += length;
    }
    return chunks;
}

} // namespace clipvoice::agent::voice
