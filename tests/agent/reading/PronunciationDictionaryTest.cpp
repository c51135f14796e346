// The pronunciation dictionary's matching: longest entry first, per
// language, whole words in spaced scripts and anywhere in Japanese.

#include "agent/reading/PronunciationDictionary.h"

#include <QtTest>

using namespace clipvoice::agent::reading;

namespace {

QString said(const QList<PronunciationEntry>& entries, const QString& line,
             const QString& language = QStringLiteral("en-us"))
{
    return PronunciationDictionary(entries).matcherFor(language).apply(line);
}

} // namespace

class PronunciationDictionaryTest : public QObject
{
    Q_OBJECT

private slots:
    void longestEntryWinsWhereSeveralMatch()
    {
        const QList<PronunciationEntry> entries{
            {QStringLiteral("New York"), QStringLiteral("the big apple"), {}},
            {QStringLiteral("New"), QStringLiteral("Nu"), {}},
            {QStringLiteral("York City"), QStringLiteral("YC"), {}},
        };
        // Leftmost first, then the longest there: "New York" takes the
        // place of "New", and "York City" overlapping it does not apply.
        QCOMPARE(said(entries, QStringLiteral("New York City is new")),
                 QStringLiteral("the big apple City is Nu"));
        QCOMPARE(said(entries, QStringLiteral("New Jersey")), QStringLiteral("Nu Jersey"));
        // Nothing to replace: the same text comes back.
        QCOMPARE(said(entries, QStringLiteral("Boston")), QStringLiteral("Boston"));
    }

    void entriesApplyToTheirLanguageOrToAll()
    {
        const QList<PronunciationEntry> entries{
            {QStringLiteral("SQL"), QStringLiteral("sequel"), {}},
            {QStringLiteral("SQL"), QStringLiteral("エスキューエル"), QStringLiteral("ja")},
            {QStringLiteral("colour"), QStringLiteral("color"), QStringLiteral("en")},
            {QStringLiteral("Gif"), QStringLiteral("jif"), QStringLiteral("en-gb")},
        };
        QCOMPARE(said(entries, QStringLiteral("SQL"), QStringLiteral("de")),
                 QStringLiteral("sequel"));
        // The language's own entry wins over the one for every language.
        QCOMPARE(said(entries, QStringLiteral("SQL"), QStringLiteral("ja")),
                 QStringLiteral("エスキューエル"));
        // "en" covers every English; "en-gb" only British English.
        QCOMPARE(said(entries, QStringLiteral("colour gif"), QStringLiteral("en-us")),
                 QStringLiteral("color gif"));
        QCOMPARE(said(entries, QStringLiteral("colour gif"), QStringLiteral("en-GB")),
                 QStringLiteral("color jif"));
        QCOMPARE(said(entries, QStringLiteral("colour"), QStringLiteral("eng")),
                 QStringLiteral("colour"));
    }

    void spacedScriptsMatchWholeWordsOnly()
    {
        const QList<PronunciationEntry> entries{
            {QStringLiteral("cat"), QStringLiteral("kitty"), {}},
            {QStringLiteral("C++"), QStringLiteral("C plus plus"), {}},
            {QStringLiteral("straße"), QStringLiteral("Strasse"), {}},
        };
        QCOMPARE(said(entries, QStringLiteral("concatenate cats; cat, (Cat) CAT!")),
                 QStringLiteral("concatenate cats; kitty, (kitty) kitty!"));
        // An entry ending in punctuation needs no word's end after it.
        QCOMPARE(said(entries, QStringLiteral("C++17 and C++")),
                 QStringLiteral("C plus plus17 and C plus plus"));
        // Case is ignored beyond ASCII too.
        QCOMPARE(said(entries, QStringLiteral("STRASSE Straße")),
                 QStringLiteral("STRASSE Strasse"));
    }

    void unspacedScriptsMatchAnywhere()
    {
        const QList<PronunciationEntry> entries{
            {QStringLiteral("東京"), QStringLiteral("とうきょう"), QStringLiteral("ja")},
            {QStringLiteral("東京都"), QStringLiteral("とうきょうと"), QStringLiteral("ja")},
            {QStringLiteral("w"), QStringLiteral("わら"), QStringLiteral("ja")},
        };
        QCOMPARE(
            said(entries, QStringLiteral("私は東京都に住み、東京駅で働くw"), QStringLiteral("ja")),
            QStringLiteral("私はとうきょうとに住み、とうきょう駅で働くわら"));
        // "w" is a Latin letter: inside a Latin word it is left alone.
        QCOMPARE(said(entries, QStringLiteral("www"), QStringLiteral("ja")), QStringLiteral("www"));
    }

    void charactersOutsideTheBasicPlaneStayWhole()
    {
        const QList<PronunciationEntry> entries{
            {QStringLiteral("😂"), QStringLiteral("laughing"), {}},
            {QStringLiteral("𠮷野家"), QStringLiteral("よしのや"), {}},
        };
        QCOMPARE(said(entries, QStringLiteral("𠮷野家で😂😂")),
                 QStringLiteral("よしのやでlaughinglaughing"));
    }

    void emptyWrittenTextsAndEmptyDictionariesChangeNothing()
    {
        const QList<PronunciationEntry> entries{{QString(), QStringLiteral("x"), {}}};
        QVERIFY(PronunciationDictionary(entries).matcherFor(QStringLiteral("en")).isEmpty());
        QCOMPARE(said(entries, QStringLiteral("abc")), QStringLiteral("abc"));
        QCOMPARE(said({}, QString()), QString());
        // An entry may be said as nothing at all.
        QCOMPARE(said({{QStringLiteral("um"), QString(), {}}}, QStringLiteral("so um yes")),
                 QStringLiteral("so  yes"));
    }
};

QTEST_GUILESS_MAIN(PronunciationDictionaryTest)
#include "PronunciationDictionaryTest.moc"
