#include "agent/reading/DictionaryEditing.h"

#include "agent/reading/DictionaryFile.h"

#include <QHash>
#include <QRegularExpression>

namespace clipvoice::agent::reading {

namespace {

QString keyOf(const PronunciationEntry& entry)
{
    return entry.language.toLower() + QLatin1Char('\t') + entry.written.toCaseFolded();
}

} // namespace

QString DictionaryEditing::problemWith(const PronunciationEntry& entry)
{
    if (entry.written.trimmed().isEmpty())
        return QStringLiteral("表記が空です。読み替える文字列を入力してください。");
    if (entry.written.size() > DictionaryFile::MaxFieldLength ||
        entry.spoken.size() > DictionaryFile::MaxFieldLength)
        return QStringLiteral("表記と読みは %1 文字までです。").arg(DictionaryFile::MaxFieldLength);
    static const QRegularExpression tag(QStringLiteral("^[A-Za-z]{2,8}(-[A-Za-z0-9]{1,8})*$"));
    if (!entry.language.isEmpty() && !tag.match(entry.language).hasMatch())
        return QStringLiteral("言語「%1」は言語タグ (ja、en-us など) ではありません。")
            .arg(entry.language);
    return {};
}

bool DictionaryEditing::sameKey(const PronunciationEntry& a, const PronunciationEntry& b)
{
    return keyOf(a) == keyOf(b);
}

qsizetype DictionaryEditing::findSame(const QList<PronunciationEntry>& entries,
                                      const PronunciationEntry& entry, qsizetype except)
{
    const QString key = keyOf(entry);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (i != except && keyOf(entries[i]) == key)
            return i;
    }
    return -1;
}

DictionaryEditing::Merge DictionaryEditing::merge(const QList<PronunciationEntry>& existing,
                                                  const QList<PronunciationEntry>& imported)
{
    Merge result;
    result.entries = existing;
    QHash<QString, qsizetype> at;
    at.reserve(existing.size() + imported.size());
    for (qsizetype i = 0; i < existing.size(); ++i)
        at.insert(keyOf(existing[i]), i); // the last of several same ones
    QHash<QString, bool> wasThere;        // per key: whether it came from `existing`
    for (const PronunciationEntry& entry : imported) {
        const QString key = keyOf(entry);
        const auto found = at.constFind(key);
        if (found == at.cend()) {
            at.insert(key, result.entries.size());
            wasThere.insert(key, false);
            result.entries.append(entry);
            ++result.added;
            continue;
        }
        PronunciationEntry& there = result.entries[*found];
        if (!wasThere.contains(key))
            wasThere.insert(key, true);
        if (there == entry) {
            if (wasThere.value(key))
                ++result.unchanged;
            continue;
        }
        there = entry;
        if (wasThere.value(key))
            ++result.replaced;
    }
    return result;
}

} // namespace clipvoice::agent::reading
