#include "agent/reading/TextRewrite.h"

#include <algorithm>

namespace clipvoice::agent::reading {

void OffsetMap::addStep(QList<Replacement> replacements)
{
    if (!replacements.isEmpty())
        m_steps.append(std::move(replacements));
}

void OffsetMap::append(const OffsetMap& later)
{
    m_steps.append(later.m_steps);
}

TextSpan OffsetMap::back(const QList<Replacement>& step, TextSpan span)
{
    const qsizetype start = span.offset;
    const qsizetype end = span.offset + span.length;
    // The last replacement starting at or before `position` in the text after
    // the step; the position lies in it, or after it.
    auto lastAtOrBefore = [&step](qsizetype position) {
        auto it =
            std::upper_bound(step.cbegin(), step.cend(), position,
                             [](qsizetype value, const Replacement& r) { return value < r.to; });
        return it == step.cbegin() ? step.cend() : std::prev(it);
    };
    qsizetype writtenStart = start;
    auto first = lastAtOrBefore(start);
    if (first != step.cend()) {
        if (start < first->to + first->toLength)
            writtenStart = first->from;
        else
            writtenStart =
                start - (first->to + first->toLength) + (first->from + first->fromLength);
    }
    qsizetype writtenEnd = end;
    if (span.length == 0) {
        writtenEnd = writtenStart;
    } else {
        // The replacement holding the span's last unit, if any.
        auto last = lastAtOrBefore(end - 1);
        if (last != step.cend()) {
            if (end - 1 < last->to + last->toLength)
                writtenEnd = last->from + last->fromLength;
            else
                writtenEnd = end - (last->to + last->toLength) + (last->from + last->fromLength);
        }
    }
    return {writtenStart, std::max<qsizetype>(0, writtenEnd - writtenStart)};
}

TextSpan OffsetMap::toWritten(TextSpan spoken, qsizetype writtenLength) const
{
    TextSpan span{std::max<qsizetype>(0, spoken.offset), std::max<qsizetype>(0, spoken.length)};
    for (auto step = m_steps.crbegin(); step != m_steps.crend(); ++step)
        span = back(*step, span);
    const qsizetype start = std::min(span.offset, writtenLength);
    const qsizetype end = std::min(span.offset + span.length, writtenLength);
    return {start, end - start};
}

void RewriteBuilder::replace(qsizetype at, qsizetype length, QStringView text)
{
    if (m_result.isNull())
        m_result.reserve(m_source.size());
    m_result.append(QStringView(m_source).mid(m_copiedUpTo, at - m_copiedUpTo));
    if (m_keepReplacements)
        m_replacements.append(Replacement{at, length, m_result.size(), text.size()});
    m_replacedAny = true;
    m_result.append(text);
    m_copiedUpTo = at + length;
}

QString RewriteBuilder::finish()
{
    if (!m_replacedAny)
        return m_source;
    m_result.append(QStringView(m_source).mid(m_copiedUpTo));
    return std::move(m_result);
}

} // namespace clipvoice::agent::reading
