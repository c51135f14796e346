#pragma once

#include "agent/reading/TextRewrite.h"

#include <QHash>
#include <QList>
#include <QString>

#include <memory>

namespace clipvoice::agent::reading {

// One entry of the user's pronunciation dictionary.
struct PronunciationEntry
{
    QString written; // the text as it stands in what is read
    QString spoken;  // what the voice is given instead
    // The language it is for, as a language tag ("ja", "en-us"; "en" covers
    // "en-us" and "en-gb"); empty for every language.
    QString language;

    bool operator==(const PronunciationEntry&) const = default;
};

// The entries that apply to one language, ready to rewrite lines. Matching
// ignores case and goes from left to right; where several entries match at
// one place the longest wins, and an entry of the language wins over one for
// every language with the same written text. In scripts written with spaces
// between words an entry matches whole words only ("cat" is left alone in
// "concatenate"); in Japanese, Chinese, Thai and the like it matches
// anywhere. Immutable, so one matcher may serve several threads.
class PronunciationMatcher
{
public:
    PronunciationMatcher(const QList<PronunciationEntry>& entries, const QString& language);

    // `line` with every match replaced by its spoken form.
    QString apply(const QString& line) const;
    // The same, with where each replacement was made.
    TextRewrite rewrite(const QString& line) const;

    bool isEmpty() const { return m_spoken.isEmpty(); }

private:
    struct Match
    {
        qsizetype length = 0;
        int entry = -1;
    };
    Match longestAt(const QString& line, qsizetype start) const;
    TextRewrite rewrite(const QString& line, bool keepMap) const;
    void add(const QString& written, int entry);

    // A trie over case-folded UTF-16 units: (node << 16 | unit) -> child.
    QHash<quint64, quint32> m_children;
    QHash<quint32, int> m_entryAt; // node -> index into m_spoken
    QList<QString> m_spoken;
    QList<bool> m_wholeWordStart; // per entry: must start at a word's start
    QList<bool> m_wholeWordEnd;   // per entry: must end at a word's end
    quint32 m_nodes = 1;          // node 0 is the root
};

// The whole dictionary, as edited and stored.
class PronunciationDictionary
{
public:
    PronunciationDictionary() = default;
    explicit PronunciationDictionary(QList<PronunciationEntry> entries);

    const QList<PronunciationEntry>& entries() const { return m_entries; }

    // A matcher for lines read in `language` (a language tag).
    PronunciationMatcher matcherFor(const QString& language) const;

private:
    QList<PronunciationEntry> m_entries;
};

} // namespace clipvoice::agent::reading
