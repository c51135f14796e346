#include "agent/reading/LineReading.h"

namespace clipvoice::agent::reading {

LineReading::LineReading(ReadingRules rules, std::shared_ptr<const PronunciationMatcher> matcher)
    : m_rules(rules)
    , m_matcher(std::move(matcher))
{}

bool LineReading::isEmpty() const
{
    return m_rules == ReadingRules() && (!m_matcher || m_matcher->isEmpty());
}

TextRewrite LineReading::rewrite(const QString& line) const
{
    // The rules first, so that an address is said as its host name before the
    // dictionary sees it, and the dictionary may then say that host its way.
    TextRewrite result = rewriteByReadingRules(line, m_rules);
    if (m_matcher && !m_matcher->isEmpty()) {
        TextRewrite spoken = m_matcher->rewrite(result.text);
        result.text = std::move(spoken.text);
        result.map.append(spoken.map);
    }
    return result;
}

} // namespace clipvoice::agent::reading
