// The rules of editing the dictionary: which entries are refused, which are
// the same, and how an import joins the entries there are.

#include "agent/reading/DictionaryEditing.h"
#include "agent/reading/DictionaryFile.h"

#include <QtTest>

using namespace clipvoice::agent::reading;
using namespace Qt::StringLiterals;

class DictionaryEditingTest : public QObject
{
    Q_OBJECT

private slots:
    void entriesWithoutWrittenTextOrWithBadLanguageAreRefused()
    {
        QVERIFY(
            DictionaryEditing::problemWith({u""_s, u"x"_s, {}}).contains(QStringLiteral("表記")));
        QVERIFY(!DictionaryEditing::problemWith({u"  \t"_s, u"x"_s, {}}).isEmpty());
        QVERIFY(!DictionaryEditing::problemWith({u"a"_s, u"b"_s, u"日本語"_s}).isEmpty());
        QVERIFY(!DictionaryEditing::problemWith({u"a"_s, u"b"_s, u"en us"_s}).isEmpty());
        const QString tooLong(DictionaryFile::MaxFieldLength + 1, QLatin1Char('a'));
        QVERIFY(!DictionaryEditing::problemWith({u"a"_s, tooLong, {}}).isEmpty());
        // An empty reading is allowed: the written text is then not said.
        QCOMPARE(DictionaryEditing::problemWith({u"(c)"_s, u""_s, {}}), QString());
        QCOMPARE(DictionaryEditing::problemWith({u"a\tb"_s, u"c\nd"_s, u"en-us"_s}), QString());
        QCOMPARE(DictionaryEditing::problemWith({u"SQL"_s, u"sequel"_s, u"zh-tw"_s}), QString());
    }

    void sameWrittenTextAndLanguageIsTheSameEntry()
    {
        const QList<PronunciationEntry> entries{{u"SQL"_s, u"sequel"_s, {}},
                                                {u"SQL"_s, u"エスキューエル"_s, u"ja"_s},
                                                {u"Gif"_s, u"jif"_s, u"en"_s}};
        QCOMPARE(DictionaryEditing::findSame(entries, {u"sql"_s, u"s q l"_s, {}}), 0);
        QCOMPARE(DictionaryEditing::findSame(entries, {u"SQL"_s, u"x"_s, u"JA"_s}), 1);
        QCOMPARE(DictionaryEditing::findSame(entries, {u"SQL"_s, u"x"_s, u"en"_s}), -1);
        QCOMPARE(DictionaryEditing::findSame(entries, {u"GIF"_s, u"x"_s, u"en"_s}), 2);
        // The entry being edited is not its own duplicate.
        QCOMPARE(DictionaryEditing::findSame(entries, {u"gif"_s, u"x"_s, u"en"_s}, 2), -1);
    }

    void fileProblemsAreToldInJapanese()
    {
        const QByteArray bytes = QByteArrayLiteral("a\tb\n"
                                                   "no tab\n"
                                                   "\tspoken\n"
                                                   "\xff\tx\n"
                                                   "nul\0\tx\n") +
                                 QByteArray(DictionaryFile::MaxFieldLength + 1, 'a') +
                                 QByteArrayLiteral("\tx\n");
        const DictionaryRead read = DictionaryFile::parse(bytes);
        QStringList japanese;
        for (const QString& problem : read.problems)
            japanese << DictionaryEditing::problemInJapanese(problem);
        QCOMPARE(japanese,
                 QStringList(
                     {u"2 行目: 欄が 1 個あります (表記、読み、言語 (省略可) をタブで区切ります)"_s,
                      u"3 行目: 表記が空です"_s, u"4 行目: UTF-8 の文字として読めません"_s,
                      u"5 行目: NUL 文字があります (テキストファイルではないようです)"_s,
                      u"6 行目: 2000 文字より長い欄があります"_s}));
        const DictionaryRead missing = DictionaryFile::import(u"/nonexistent/dictionary.tsv"_s);
        QVERIFY(DictionaryEditing::problemInJapanese(missing.problems.value(0))
                    .startsWith(u"ファイルを開けません: "_s));
        QCOMPARE(DictionaryEditing::problemInJapanese(u"something new"_s), u"something new"_s);
    }

    void importReplacesTheSameEntriesAndAddsNewOnes()
    {
        const QList<PronunciationEntry> existing{{u"SQL"_s, u"sequel"_s, {}},
                                                 {u"東京"_s, u"とうきょう"_s, u"ja"_s},
                                                 {u"Gif"_s, u"jif"_s, u"en"_s}};
        const QList<PronunciationEntry> imported{{u"sql"_s, u"S-Q-L"_s, {}},
                                                 {u"東京"_s, u"とうきょう"_s, u"ja"_s},
                                                 {u"NASA"_s, u"ナサ"_s, u"ja"_s},
                                                 {u"NASA"_s, u"なさ"_s, u"ja"_s}};
        const DictionaryEditing::Merge merge = DictionaryEditing::merge(existing, imported);
        QCOMPARE(merge.entries, (QList<PronunciationEntry>{{u"sql"_s, u"S-Q-L"_s, {}},
                                                           {u"東京"_s, u"とうきょう"_s, u"ja"_s},
                                                           {u"Gif"_s, u"jif"_s, u"en"_s},
                                                           {u"NASA"_s, u"なさ"_s, u"ja"_s}}));
        QCOMPARE(merge.added, 1);
        QCOMPARE(merge.replaced, 1);
        QCOMPARE(merge.unchanged, 1);
        // Into nothing, an import is the file itself.
        QCOMPARE(DictionaryEditing::merge({}, existing).entries, existing);
    }
};

QTEST_APPLESS_MAIN(DictionaryEditingTest)
#include "DictionaryEditingTest.moc"
