#pragma once

#include "agent/reading/PronunciationDictionary.h"
#include "agent/reading/ReadingRules.h"
#include "agent/reading/TextRewrite.h"

#include <memory>

namespace clipvoice::agent::reading {

// How the lines of one language are read: the reading rules that are on,
// then the pronunciation dictionary for the language. Immutable once made, so
// it is made on the user-interface thread and used on the synthesis thread.
class LineReading
{
public:
    LineReading(ReadingRules rules, std::shared_ptr<const PronunciationMatcher> matcher);

    // True when reading changes nothing: no rule on and no entry for the language.
    bool isEmpty() const;

    // `line` as it is to be said, with the way back to the line as written.
    TextRewrite rewrite(const QString& line) const;

    const ReadingRules& rules() const { return m_rules; }

private:
    ReadingRules m_rules;
    std::shared_ptr<const PronunciationMatcher> m_matcher;
};

} // namespace clipvoice::agent::reading
