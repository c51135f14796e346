#include "agent/reading/PronunciationDictionary.h"

namespace clipvoice::agent::reading {

namespace {

// Scripts written without spaces between words: there an entry may match in
// the middle of a run of letters.
bool isUnspacedScript(QChar::Script script)
{
    switch (script) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Thai:
    case QChar::Script_Lao:
    case QChar::Script_Khmer:
    case QChar::Script_Myanmar:
    case QChar::Script_Tibetan:
    case QChar::Script_Bopomofo:
    case QChar::Script_Yi:
        return true;
    default:
        return false;
    }
}

// A letter or digit of a script written with spaces between words.
bool isSpacedWordCharacter(char32_t c)
{
    if (!QChar::isLetterOrNumber(c) && QChar::category(c) != QChar::Mark_NonSpacing)
        return false;
    return !isUnspacedScript(QChar::script(c));
}

char32_t codePointAt(const QString& text, qsizetype i)
{
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
        return QChar::surrogateToUcs4(c, text.at(i + 1));
    return c.unicode();
}

char32_t codePointBefore(const QString& text, qsizetype i)
{
    const QChar c = text.at(i - 1);
    if (c.isLowSurrogate() && i >= 2 && text.at(i - 2).isHighSurrogate())
        return QChar::surrogateToUcs4(text.at(i - 2), c);
    return c.unicode();
}

// "en" covers "en" and "en-us"; an empty tag is for every language and is
// handled apart.
bool coversLanguage(const QString& entryLanguage, const QString& language)
{
    if (entryLanguage.isEmpty() || language.isEmpty())
        return false;
    return language == entryLanguage || (language.startsWith(entryLanguage) &&
                                         language.at(entryLanguage.size()) == QLatin1Char('-'));
}

char16_t folded(QChar c)
{
    return c.toCaseFolded().unicode();
}

} // namespace

PronunciationMatcher::PronunciationMatcher(const QList<PronunciationEntry>& entries,
                                           const QString& language)
{
    const QString wanted = language.toLower();
    // Entries for every language first, so that one of the language with the
    // same written text replaces them.
    for (const bool specific : {false, true}) {
        for (const PronunciationEntry& entry : entries) {
            if (entry.written.isEmpty())
                continue;
            const QString entryLanguage = entry.language.toLower();
            if (specific ? !coversLanguage(entryLanguage, wanted) : !entryLanguage.isEmpty())
                continue;
            add(entry.written, int(m_spoken.size()));
            m_spoken.append(entry.spoken);
            m_wholeWordStart.append(isSpacedWordCharacter(codePointAt(entry.written, 0)));
            m_wholeWordEnd.append(
                isSpacedWordCharacter(codePointBefore(entry.written, entry.written.size())));
        }
    }
}

void PronunciationMatcher::add(const QString& written, int entry)
{
    quint32 node = 0;
    for (const QChar c : written) {
        const quint64 key = (quint64(node) << 16) | folded(c);
        const auto found = m_children.constFind(key);
        if (found != m_children.cend()) {
            node = *found;
        } else {
            m_children.insert(key, m_nodes);
            node = m_nodes++;
        }
    }
    m_entryAt.insert(node, entry);
}

PronunciationMatcher::Match PronunciationMatcher::longestAt(const QString& line,
                                                            qsizetype start) const
{
    Match best;
    const bool atWordStart = start == 0 || !isSpacedWordCharacter(codePointBefore(line, start));
    quint32 node = 0;
    for (qsizetype i = start; i < line.size(); ++i) {
        const auto next = m_children.constFind((quint64(node) << 16) | folded(line.at(i)));
        if (next == m_children.cend())
            break;
        node = *next;
        const auto entry = m_entryAt.constFind(node);
        if (entry == m_entryAt.cend())
            continue;
        const qsizetype end = i + 1;
        // Never end between the two halves of a surrogate pair.
        if (end < line.size() && line.at(end).isLowSurrogate())
            continue;
        if (m_wholeWordStart[*entry] && !atWordStart)
            continue;
        if (m_wholeWordEnd[*entry] && end < line.size() &&
            isSpacedWordCharacter(codePointAt(line, end)))
            continue;
        best = {end - start, *entry};
    }
    return best;
}

QString PronunciationMatcher::apply(const QString& line) const
{
    return rewrite(line, false).text;
}

TextRewrite PronunciationMatcher::rewrite(const QString& line) const
{
    return rewrite(line, true);
}

TextRewrite PronunciationMatcher::rewrite(const QString& line, bool keepMap) const
{
    if (m_spoken.isEmpty())
        return {line, {}};
    RewriteBuilder builder(line, keepMap);
    qsizetype i = 0;
    while (i < line.size()) {
        const Match match = longestAt(line, i);
        if (match.entry < 0) {
            ++i;
            continue;
        }
        builder.replace(i, match.length, m_spoken[match.entry]);
        i += match.length;
    }
    TextRewrite result;
    result.map.addStep(builder.replacements());
    result.text = builder.finish();
    return result;
}

PronunciationDictionary::PronunciationDictionary(QList<PronunciationEntry> entries)
    : m_entries(std::move(entries))
{}

PronunciationMatcher PronunciationDictionary::matcherFor(const QString& language) const
{
    return PronunciationMatcher(m_entries, language);
}

} // namespace clipvoice::agent::reading
