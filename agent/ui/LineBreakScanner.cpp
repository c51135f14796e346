#include "agent/ui/LineBreakScanner.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace clipvoice::agent::ui {

namespace {

// Moves a window's edge off the middle of a surrogate pair.
int outsideSurrogatePair(const QString& text, int position, int direction)
{
    const bool insidePair = position > 0 && position < text.size() &&
                            text.at(position - 1).isHighSurrogate() &&
                            text.at(position).isLowSurrogate();
    return insidePair ? position + direction : position;
}

} // namespace

LineBreakScanner::LineBreakScanner(QString text)
    : m_text(std::move(text))
{}

int LineBreakScanner::nextBreak(int after, int limit)
{
    const int size = static_cast<int>(m_text.size());
    limit = std::min(limit, size);
    after = std::max(after, 0);
    if (after < m_scannedFrom || after > m_scannedTo)
        restartAt(after);
    while (true) {
        const auto found = std::upper_bound(m_breaks.cbegin(), m_breaks.cend(), after);
        if (found != m_breaks.cend())
            return *found <= limit ? *found : -1;
        if (m_scannedTo >= limit)
            return -1;
        scanNextWindow();
    }
}

void LineBreakScanner::forgetUpTo(int position)
{
    if (position <= m_scannedFrom)
        return;
    if (position >= m_scannedTo) {
        restartAt(position);
        return;
    }
    const auto kept = std::upper_bound(m_breaks.cbegin(), m_breaks.cend(), position);
    m_breaks.remove(0, kept - m_breaks.cbegin());
    m_scannedFrom = position;
}

void LineBreakScanner::restartAt(int position)
{
    m_breaks.clear();
    m_scannedFrom = position;
    m_scannedTo = position;
}

void LineBreakScanner::scanNextWindow()
{
    const int size = static_cast<int>(m_text.size());
    const int from = m_scannedTo;
    const int start = outsideSurrogatePair(m_text, std::max(0, from - ContextLength), -1);
    const int end = outsideSurrogatePair(
        m_text,
        static_cast<int>(std::min<qint64>(size, qint64{from} + WindowLength + ContextLength)), 1);
    // Breaks near the end of a window may depend on what follows it: they are
    // taken from the next window instead.
    const int trusted = end == size ? size : end - ContextLength;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line,
                               QStringView(m_text).mid(start, end - start));
    for (qsizetype p = finder.toNextBoundary(); p > 0; p = finder.toNextBoundary()) {
        const int position = start + static_cast<int>(p);
        if (position > trusted)
            break;
        if (position > from)
            m_breaks.append(position);
    }
    m_scanned += end - start;
    m_scannedTo = trusted;
}

} // namespace clipvoice::agent::ui
