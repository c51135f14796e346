#include "agent/ui/TextWrapper.h"

#include <algorithm>

namespace clipvoice::agent::ui {

namespace {

// The largest i in [low, high] for which `holds(i)` is true, given that it
// holds for `low` and, once false, stays false. The search starts at `guess`
// and doubles its steps away from it, so a good guess takes few calls, and
// any guess at most about 2 log(high - low).
template <typename Predicate> int lastHolding(int low, int high, int guess, Predicate holds)
{
    int good = low;     // holds
    int bad = high + 1; // does not hold; high + 1 while not known
    guess = std::clamp(guess, low, high);
    if (guess > low) {
        if (holds(guess))
            good = guess;
        else
            bad = guess;
    }
    if (bad > high) {
        for (qint64 step = 1; good < high; step *= 2) {
            const int probe = static_cast<int>(std::min<qint64>(high, good + step));
            if (!holds(probe)) {
                bad = probe;
                break;
            }
            good = probe;
        }
        if (good == high)
            return good;
    } else {
        for (qint64 step = 1; bad - good > 1; step *= 2) {
            const int probe = static_cast<int>(std::max<qint64>(good + 1, bad - step));
            if (holds(probe)) {
                good = probe;
                break;
            }
            bad = probe;
        }
    }
    while (bad - good > 1) {
        const int middle = good + (bad - good) / 2;
        if (holds(middle))
            good = middle;
        else
            bad = middle;
    }
    return good;
}

} // namespace

TextWrapper::TextWrapper(const QString& text, const QFontMetrics& metrics, int maxWidth,
                         int maxLineLength)
    : m_text(text)
    , m_metrics(metrics)
    , m_maxWidth(maxWidth)
    , m_maxLineLength(std::max(2, maxLineLength))
    , m_breaks(text)
{}

void TextWrapper::wrapLines(int count)
{
    while (m_lines.size() < count && !isComplete())
        wrapNextLine();
}

void TextWrapper::wrapThrough(int offset)
{
    while (m_next < offset && !isComplete())
        wrapNextLine();
}

void TextWrapper::wrapAll()
{
    while (!isComplete())
        wrapNextLine();
}

void TextWrapper::skipTo(int position)
{
    const int size = static_cast<int>(m_text.size());
    position = std::min(position, size);
    if (position <= m_next)
        return;
    // Starting at a break keeps the first line from beginning inside a word.
    const int found = m_breaks.nextBreak(position - 1, position + m_maxLineLength);
    m_next = found >= 0 && found < size ? found : characterBoundaryAtOrBefore(position);
    m_breaks.forgetUpTo(m_next);
}

int TextWrapper::visibleWidth(int start, int end)
{
    while (end > start && m_text.at(end - 1).isSpace())
        --end;
    m_measured += end - start;
    return m_metrics.horizontalAdvance(
        QString::fromRawData(m_text.constData() + start, end - start));
}

bool TextWrapper::fits(int start, int end)
{
    return end - start <= m_maxLineLength && visibleWidth(start, end) <= m_maxWidth;
}

int TextWrapper::characterBoundaryAtOrBefore(int position) const
{
    const bool insidePair = position > 0 && position < m_text.size() &&
                            m_text.at(position - 1).isHighSurrogate() &&
                            m_text.at(position).isLowSurrogate();
    return insidePair ? position - 1 : position;
}

void TextWrapper::wrapNextLine()
{
    const int size = static_cast<int>(m_text.size());
    const int start = m_next;
    if (start >= size) {
        m_lines.append({start, 0}); // an empty text has one empty line
        return;
    }
    const int limit = characterBoundaryAtOrBefore(
        static_cast<int>(std::min<qint64>(size, qint64{start} + m_maxLineLength)));
    const int previousLength = m_lines.isEmpty() ? 0 : m_lines.last().length;

    // Where the line may end: the breaks within its longest length, up to a
    // line feed, which ends it at the latest. They are gathered as far as a
    // little beyond the length of the last line, and further when all fit.
    m_candidates.clear();
    m_allCandidates = false;
    int reach = std::max(64, 2 * previousLength);
    collectCandidates(start, start + reach, limit);
    while (m_candidates.isEmpty() && !m_allCandidates) {
        reach = std::min(2 * reach, m_maxLineLength);
        collectCandidates(start, start + reach, limit);
    }

    int end = 0;
    if (!m_candidates.isEmpty() && fits(start, m_candidates.first())) {
        // As many words as fit; the guess is a line as long as the last one.
        const auto fitsUpTo = [this, start](int i) {
            return i == 0 || fits(start, m_candidates.at(i));
        };
        int low = 0;
        int guess = static_cast<int>(std::upper_bound(m_candidates.cbegin(), m_candidates.cend(),
                                                      start + previousLength) -
                                     m_candidates.cbegin()) -
                    1;
        while (true) {
            const int last = static_cast<int>(m_candidates.size()) - 1;
            const int fitting = lastHolding(low, last, guess, fitsUpTo);
            if (fitting < last || m_allCandidates) {
                end = m_candidates.at(fitting);
                break;
            }
            low = last;
            guess = last;
            reach = std::min(2 * reach, m_maxLineLength);
            collectCandidates(start, start + reach, limit);
        }
    } else {
        // The first word is too wide (or too long) for a line of its own: as
        // many of its characters as fit.
        end = fitCharacters(start, m_candidates.isEmpty() ? limit : m_candidates.first());
    }
    m_lines.append({start, end - start});
    m_next = end;
    m_breaks.forgetUpTo(end);
}

void TextWrapper::collectCandidates(int start, int upTo, int limit)
{
    const int size = static_cast<int>(m_text.size());
    upTo = std::min(upTo, limit);
    while (!m_allCandidates) {
        const int after = m_candidates.isEmpty() ? start : m_candidates.last();
        const int next = m_breaks.nextBreak(after, upTo);
        if (next < 0) {
            m_allCandidates = upTo >= limit;
            return;
        }
        m_candidates.append(next);
        m_allCandidates = m_text.at(next - 1) == QLatin1Char('\n') && next < size;
    }
}

int TextWrapper::fitCharacters(int start, int end)
{
    const bool pair = m_text.at(start).isHighSurrogate() && start + 1 < end &&
                      m_text.at(start + 1).isLowSurrogate();
    const int first = start + (pair ? 2 : 1);
    if (first >= end)
        return end;
    const int previousLength = m_lines.isEmpty() ? 0 : m_lines.last().length;
    const int count = lastHolding(first - start, end - start, previousLength, [&](int n) {
        const int stop = characterBoundaryAtOrBefore(start + n);
        return stop <= first || fits(start, stop);
    });
    int stop = std::max(first, characterBoundaryAtOrBefore(start + count));
    // A combining mark stays with its letter: the break moves before the
    // letter, unless that leaves nothing on the line.
    if (stop < m_text.size() && m_text.at(stop).isMark()) {
        int letter = stop;
        while (letter > start + 1 && m_text.at(letter).isMark())
            --letter;
        letter = characterBoundaryAtOrBefore(letter);
        if (letter > start && !m_text.at(letter).isMark())
            stop = letter;
    }
    return stop;
}

} // namespace clipvoice::agent::ui
