#pragma once

#include <QList>
#include <QString>

namespace clipvoice::agent::reading {

// One span of a text that a rewrite replaced: `fromLength` UTF-16 units at
// `from` in the text before became `toLength` units at `to` in the text after.
struct Replacement
{
    qsizetype from = 0;
    qsizetype fromLength = 0;
    qsizetype to = 0;
    qsizetype toLength = 0;

    bool operator==(const Replacement&) const = default;
};

// A span of text, in UTF-16 units.
struct TextSpan
{
    qsizetype offset = 0;
    qsizetype length = 0;

    bool operator==(const TextSpan&) const = default;
};

// Leads offsets in a rewritten (spoken) text back to the text as written,
// through every step of rewriting. A span touching a replacement takes in the
// whole written span it came from; text between replacements moves by the
// difference in length the replacements before it made.
class OffsetMap
{
public:
    // Adds a step applied after the ones already held; `replacements` are in
    // order and do not overlap. A step with no replacements is left out.
    void addStep(QList<Replacement> replacements);
    // Adds every step of `later`, a map of a rewrite applied after this one's.
    void append(const OffsetMap& later);
    bool isIdentity() const { return m_steps.isEmpty(); }

    // The written span that `spoken` (in the final text) was made from,
    // kept within a written text of `writtenLength` units.
    TextSpan toWritten(TextSpan spoken, qsizetype writtenLength) const;

private:
    static TextSpan back(const QList<Replacement>& step, TextSpan span);

    QList<QList<Replacement>> m_steps;
};

// A text rewritten, and the way back to where each part of it came from.
struct TextRewrite
{
    QString text;
    OffsetMap map;
};

// Builds a rewritten text from left to right: pieces copied as they were and
// pieces replaced, recording each replacement.
class RewriteBuilder
{
public:
    // Without `keepReplacements`, only the text is built (for callers that
    // need no way back).
    explicit RewriteBuilder(const QString& source, bool keepReplacements = true)
        : m_source(source)
        , m_keepReplacements(keepReplacements)
    {}

    // Replaces `length` units at `at` (at or after what was handled so far)
    // with `text`; the source between is copied as it is.
    void replace(qsizetype at, qsizetype length, QStringView text);
    // The rewritten text: the source itself when nothing was replaced.
    QString finish();
    bool replacedAny() const { return m_replacedAny; }
    const QList<Replacement>& replacements() const { return m_replacements; }

private:
    const QString& m_source;
    QString m_result;
    qsizetype m_copiedUpTo = 0;
    bool m_keepReplacements;
    bool m_replacedAny = false;
    QList<Replacement> m_replacements;
};

} // namespace clipvoice::agent::reading
