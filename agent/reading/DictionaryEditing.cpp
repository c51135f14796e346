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

QString DictionaryEditing::problemInJapanese(const QString& problem)
{
    struct Wording
    {
        const char* pattern;
        const char* japanese; // with %1, %2 for the pattern's captures
    };
    static const Wording wordings[] = {
        {R"(^line (\d+): holds a NUL byte.*$)",
         "%1 行目: NUL 文字があります (テキストファイルではないようです)"},
        {R"(^line (\d+): is not valid UTF-8$)", "%1 行目: UTF-8 の文字として読めません"},
        {R"(^line (\d+): has (\d+) fields;.*$)",
         "%1 行目: 欄が %2 個あります (表記、読み、言語 (省略可) をタブで区切ります)"},
        {R"(^line (\d+): has no written text$)", "%1 行目: 表記が空です"},
        {R"(^line (\d+): has a field longer than (\d+) characters$)",
         "%1 行目: %2 文字より長い欄があります"},
        {R"(^line (\d+): and the lines after it were left out: at most (\d+) entries are read$)",
         "%1 行目から後: 項目は %2 件までしか読めないため、読みませんでした"},
        {R"(^the file is larger than (\d+) MB and was not read$)",
         "ファイルが %1 MB より大きいため、読みませんでした"},
        {R"(^is larger than (\d+) MB$)", "ファイルが %1 MB より大きいため、読みませんでした"},
        {R"(^the file cannot be opened: (.*)$)", "ファイルを開けません: %1"},
        {R"(^cannot be opened: (.*)$)", "ファイルを開けません: %1"},
        {R"(^the file could not be written again: (.*)$)",
         "読めた項目でファイルを書き直せませんでした: %1"},
        {R"(^the damaged file could not be kept aside as (.*); it was left as it is$)",
         "元のファイルを %1 として残せなかったため、ファイルはそのままにしてあります"},
    };
    for (const Wording& wording : wordings) {
        const QRegularExpression pattern(QString::fromLatin1(wording.pattern));
        const QRegularExpressionMatch match = pattern.match(problem);
        if (!match.hasMatch())
            continue;
        QString text = QString::fromUtf8(wording.japanese);
        for (int i = 1; i <= pattern.captureCount(); ++i)
            text = text.arg(match.captured(i));
        return text;
    }
    return problem;
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
