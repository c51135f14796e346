// How a line is rewritten before it is spoken, and how the engine's word
// offsets in the spoken text are led back to the text as written.

#include "agent/reading/LineReading.h"

#include <QtTest>

using namespace clipvoice::agent::reading;
using namespace Qt::StringLiterals;

namespace {

std::shared_ptr<const PronunciationMatcher> matcher(const QList<PronunciationEntry>& entries,
                                                    const QString& language = QStringLiteral("ja"))
{
    return std::make_shared<const PronunciationMatcher>(entries, language);
}

// The written text a span of the spoken text stands for.
QString writtenFor(const TextRewrite& rewrite, const QString& written, qsizetype offset,
                   qsizetype length)
{
    const TextSpan span = rewrite.map.toWritten({offset, length}, written.size());
    return written.mid(span.offset, span.length);
}

// The written text each space-separated word of the spoken text stands for.
QStringList wordsAsWritten(const TextRewrite& rewrite, const QString& written)
{
    QStringList words;
    static const QRegularExpression word(QStringLiteral("\\S+"));
    auto it = word.globalMatch(rewrite.text);
    while (it.hasNext()) {
        const auto match = it.next();
        words << writtenFor(rewrite, written, match.capturedStart(), match.capturedLength());
    }
    return words;
}

} // namespace

class LineReadingTest : public QObject
{
    Q_OBJECT

private slots:
    void longerAndShorterReplacementsShiftTheRest()
    {
        const QString written = QStringLiteral("I like SQL and wwwwww a lot");
        const LineReading reading(
            ReadingRules{false, true},
            matcher({{QStringLiteral("SQL"), QStringLiteral("sequel"), {}}}, u"en-us"_s));
        const TextRewrite rewrite = reading.rewrite(written);
        QCOMPARE(rewrite.text, QStringLiteral("I like sequel and www a lot"));
        QCOMPARE(
            wordsAsWritten(rewrite, written),
            QStringList({u"I"_s, u"like"_s, u"SQL"_s, u"and"_s, u"wwwwww"_s, u"a"_s, u"lot"_s}));
        // A word reported inside a replaced span stands for all of it.
        QCOMPARE(writtenFor(rewrite, written, 8, 2), QStringLiteral("SQL"));
        // Across a replacement: from the middle of one word to the next word.
        QCOMPARE(writtenFor(rewrite, written, 9, 8), QStringLiteral("SQL and"));
    }

    void replacementsAtTheStartAndTheEnd()
    {
        const QString written = QStringLiteral("NASAの発表はISS");
        const LineReading reading(ReadingRules{},
                                  matcher({{QStringLiteral("NASA"), QStringLiteral("ナサ"), {}},
                                           {QStringLiteral("ISS"), QStringLiteral("アイエスエス"),
                                            QStringLiteral("ja")}}));
        const TextRewrite rewrite = reading.rewrite(written);
        QCOMPARE(rewrite.text, QStringLiteral("ナサの発表はアイエスエス"));
        QCOMPARE(writtenFor(rewrite, written, 0, 2), QStringLiteral("NASA"));
        QCOMPARE(writtenFor(rewrite, written, 2, 4), QStringLiteral("の発表は"));
        QCOMPARE(writtenFor(rewrite, written, 9, 3), QStringLiteral("ISS"));
        QCOMPARE(writtenFor(rewrite, written, 6, 6), QStringLiteral("ISS"));
        // Spans past the end are kept within the written text.
        QCOMPARE(writtenFor(rewrite, written, 12, 5), QString());
        QCOMPARE(writtenFor(rewrite, written, 40, 5), QString());
    }

    void adjacentReplacementsKeepTheirOwnSpans()
    {
        const QString written = QStringLiteral("東京都に行く");
        const LineReading reading(
            ReadingRules{}, matcher({{QStringLiteral("東京"), QStringLiteral("とうきょう"), {}},
                                     {QStringLiteral("都"), QStringLiteral("と"), {}}}));
        const TextRewrite rewrite = reading.rewrite(written);
        QCOMPARE(rewrite.text, QStringLiteral("とうきょうとに行く"));
        QCOMPARE(writtenFor(rewrite, written, 0, 5), QStringLiteral("東京"));
        QCOMPARE(writtenFor(rewrite, written, 5, 1), QStringLiteral("都"));
        QCOMPARE(writtenFor(rewrite, written, 3, 3), QStringLiteral("東京都"));
        QCOMPARE(writtenFor(rewrite, written, 6, 3), QStringLiteral("に行く"));
        // A span of no length stays of no length, at its place.
        const TextSpan empty = rewrite.map.toWritten({6, 0}, written.size());
        QCOMPARE(empty, (TextSpan{3, 0}));
    }

    void surrogatePairsCountAsTwoUnitsOnBothSides()
    {
        // U+1F600 and U+20BB7 lie outside the Basic Multilingual Plane.
        const QString smile = QString::fromUcs4(U"\U0001F600");
        const QString written = smile.repeated(5) + QStringLiteral(" ok \U00020BB7野家です");
        const LineReading reading(
            ReadingRules{false, true},
            matcher({{QStringLiteral("\U00020BB7野家"), QStringLiteral("よしのや"), {}}}));
        const TextRewrite rewrite = reading.rewrite(written);
        QCOMPARE(rewrite.text, smile.repeated(3) + QStringLiteral(" ok よしのやです"));
        QCOMPARE(writtenFor(rewrite, written, 0, 2), smile.repeated(5));
        QCOMPARE(writtenFor(rewrite, written, 7, 2), QStringLiteral("ok"));
        QCOMPARE(writtenFor(rewrite, written, 10, 4), QStringLiteral("\U00020BB7野家"));
        QCOMPARE(writtenFor(rewrite, written, 14, 2), QStringLiteral("です"));
    }

    void rulesAndDictionaryChainBackToTheWrittenText()
    {
        const QString written = QStringLiteral(
            "see https://www.example.org/a/b?c=1 now!!!!!! or mail ann@example.org.");
        const LineReading reading(
            ReadingRules{true, true},
            matcher({{QStringLiteral("example.org"), QStringLiteral("example dot org"), {}}},
                    u"en-us"_s));
        const TextRewrite rewrite = reading.rewrite(written);
        QCOMPARE(rewrite.text,
                 QStringLiteral("see example dot org now!!! or mail example dot org."));
        QCOMPARE(
            wordsAsWritten(rewrite, written),
            QStringList({u"see"_s, u"https://www.example.org/a/b?c=1"_s,
                         u"https://www.example.org/a/b?c=1"_s, u"https://www.example.org/a/b?c=1"_s,
                         u"now!!!!!!"_s, u"or"_s, u"mail"_s, u"ann@example.org"_s,
                         u"ann@example.org"_s, u"ann@example.org."_s}));
    }

    void removedTextLeavesNothingToPointAt()
    {
        const QString written = QStringLiteral("a (c) b");
        const LineReading reading(ReadingRules{},
                                  matcher({{QStringLiteral("(c)"), QString(), {}}}, u"en-us"_s));
        const TextRewrite rewrite = reading.rewrite(written);
        QCOMPARE(rewrite.text, QStringLiteral("a  b"));
        QCOMPARE(writtenFor(rewrite, written, 3, 1), QStringLiteral("b"));
        QCOMPARE(writtenFor(rewrite, written, 0, 1), QStringLiteral("a"));
    }

    void nothingOnMeansNoRewrite()
    {
        const LineReading none(ReadingRules{}, nullptr);
        QVERIFY(none.isEmpty());
        QVERIFY(LineReading(ReadingRules{}, matcher({}, u"en-us"_s)).isEmpty());
        // Entries only for another language leave this one's lines alone.
        QVERIFY(LineReading(ReadingRules{}, matcher({{u"x"_s, u"y"_s, u"ja"_s}}, u"en-us"_s))
                    .isEmpty());
        QVERIFY(!LineReading(ReadingRules{true, false}, nullptr).isEmpty());
        QVERIFY(
            !LineReading(ReadingRules{}, matcher({{u"x"_s, u"y"_s, {}}}, u"en-us"_s)).isEmpty());

        const QString line = QStringLiteral("nothing to change here: wwwwww");
        const TextRewrite rewrite = none.rewrite(line);
        QCOMPARE(rewrite.text, line);
        QVERIFY(rewrite.map.isIdentity());
        QCOMPARE(rewrite.map.toWritten({8, 2}, line.size()), (TextSpan{8, 2}));
        // A rule that is on but finds nothing adds no step either.
        QVERIFY(LineReading(ReadingRules{true, true}, nullptr)
                    .rewrite(QStringLiteral("plain words"))
                    .map.isIdentity());
    }

    void offsetMapStepsBySpans_data()
    {
        QTest::addColumn<qsizetype>("offset");
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<qsizetype>("writtenOffset");
        QTest::addColumn<qsizetype>("writtenLength");
        // u"abXYZcdQe"_s -> u"ab1cd2345e"_s: XYZ (2,3) became u"1"_s (2,1), Q (7,1)
        // became u"2345"_s (5,4).
        QTest::newRow("before") << qsizetype(0) << qsizetype(2) << qsizetype(0) << qsizetype(2);
        QTest::newRow("shorter") << qsizetype(2) << qsizetype(1) << qsizetype(2) << qsizetype(3);
        QTest::newRow("between") << qsizetype(3) << qsizetype(2) << qsizetype(5) << qsizetype(2);
        QTest::newRow("inside longer")
            << qsizetype(6) << qsizetype(2) << qsizetype(7) << qsizetype(1);
        QTest::newRow("after") << qsizetype(9) << qsizetype(1) << qsizetype(8) << qsizetype(1);
        QTest::newRow("over all") << qsizetype(0) << qsizetype(10) << qsizetype(0) << qsizetype(9);
        QTest::newRow("negative") << qsizetype(-4) << qsizetype(-1) << qsizetype(0) << qsizetype(0);
    }

    void offsetMapStepsBySpans()
    {
        QFETCH(qsizetype, offset);
        QFETCH(qsizetype, length);
        QFETCH(qsizetype, writtenOffset);
        QFETCH(qsizetype, writtenLength);
        const QString source = QStringLiteral("abXYZcdQe");
        RewriteBuilder builder(source);
        builder.replace(2, 3, u"1");
        builder.replace(7, 1, u"2345");
        OffsetMap map;
        map.addStep(builder.replacements());
        QCOMPARE(builder.finish(), QStringLiteral("ab1cd2345e"));
        QCOMPARE(map.toWritten({offset, length}, source.size()),
                 (TextSpan{writtenOffset, writtenLength}));
    }
};

QTEST_APPLESS_MAIN(LineReadingTest)
#include "LineReadingTest.moc"
