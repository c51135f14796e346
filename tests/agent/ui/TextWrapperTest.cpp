// The balloon's word wrap on its own: it must give the lines of the plain
// greedy wrap on ordinary text, whether wrapped at once or a word at a time,
// and stay linear and bounded on texts without spaces, with combining marks,
// with surrogate pairs and in Japanese.

#include "agent/ui/TextWrapper.h"
#include "agent/ui/BalloonLayout.h"
#include "agent/ui/BalloonStyle.h"
#include "agent/ui/LineBreakScanner.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QTest>
#include <QTextBoundaryFinder>

#include <cmath>

using namespace clipvoice::agent::ui;

namespace {

const QString Prose = QStringLiteral(
    "It was the best of times, it was the worst of times, it was the age of wisdom, it was "
    "the age of foolishness, it was the epoch of belief (https://example.org/a-rather-long/"
    "path?query=1), it was the epoch of incredulity... \"Quoted\" words; semi-colons: and "
    "numbers like 3.14159, 1,000,000 and -42 %. Supercalifragilisticexpialidocious!\n"
    "A second paragraph\r\nwith a Windows line break, and    several   spaces.\n\n"
    "Then an empty line before this one.");

const QString Japanese =
    QStringLiteral("吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。"
                   "何でも薄暗いじめじめした所でニャーニャー泣いていた事だけは記憶している。");

QFontMetrics metricsFor(const QString& text)
{
    return QFontMetrics(BalloonStyle().font(text));
}

int widthOf(int averageCharacters, const QFontMetrics& metrics)
{
    return metrics.horizontalAdvance(QString(averageCharacters, QLatin1Char('n')));
}

// The plain greedy wrap, measuring every candidate line whole: slow on long
// lines, but plainly right. The wrapper must give the same lines.
QList<WrappedLine> greedyWrap(const QString& text, const QFontMetrics& metrics, int maxWidth)
{
    const auto width = [&](int start, int end) {
        while (end > start && text.at(end - 1).isSpace())
            --end;
        return metrics.horizontalAdvance(text.mid(start, end - start));
    };
    QList<WrappedLine> lines;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text);
    int lineStart = 0;
    int lineEnd = 0;
    for (qsizetype p = finder.toNextBoundary(); p > 0; p = finder.toNextBoundary()) {
        const int segmentEnd = static_cast<int>(p);
        while (lineEnd < segmentEnd) {
            if (width(lineStart, segmentEnd) <= maxWidth) {
                lineEnd = segmentEnd;
            } else if (lineEnd > lineStart) {
                lines.append({lineStart, lineEnd - lineStart});
                lineStart = lineEnd;
            } else {
                // One character at a time, a surrogate pair as one.
                int fit = lineStart;
                int next = lineStart;
                while (next < segmentEnd) {
                    next += text.at(next).isHighSurrogate() ? 2 : 1;
                    if (fit > lineStart && width(lineStart, next) > maxWidth)
                        break;
                    fit = next;
                }
                lineEnd = fit;
                if (lineEnd < segmentEnd) {
                    lines.append({lineStart, lineEnd - lineStart});
                    lineStart = lineEnd;
                }
            }
        }
        if (text.at(segmentEnd - 1) == QLatin1Char('\n') && segmentEnd < text.size()) {
            lines.append({lineStart, segmentEnd - lineStart});
            lineStart = segmentEnd;
        }
    }
    if (lineStart < text.size() || lines.isEmpty())
        lines.append({lineStart, static_cast<int>(text.size()) - lineStart});
    return lines;
}

QString lineWithoutSpaces(int size)
{
    const QString alphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
    QString text;
    text.reserve(size);
    for (int i = 0; i < size; ++i)
        text.append(alphabet.at((i * 7 + i / 64) % alphabet.size()));
    return text;
}

// Lines cover the text in order, without gaps or overlaps.
void verifyCoversText(const QList<WrappedLine>& lines, const QString& text)
{
    int next = 0;
    for (const WrappedLine& line : lines) {
        QCOMPARE(line.start, next);
        QVERIFY(line.length > 0 || text.isEmpty());
        next += line.length;
    }
    QCOMPARE(next, text.size());
}

bool splitsSurrogatePair(const QString& text, int position)
{
    return position > 0 && position < text.size() && text.at(position - 1).isHighSurrogate() &&
           text.at(position).isLowSurrogate();
}

} // namespace

class TestTextWrapper : public QObject
{
    Q_OBJECT

private slots:
    void agreesWithTheGreedyWrap_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("characters"); // the line width, in average characters
        for (const int characters : {8, 16, 32, 60}) {
            const QByteArray width = QByteArray::number(characters);
            QTest::newRow("prose " + width) << Prose << characters;
            QTest::newRow("Japanese " + width) << Japanese << characters;
            QTest::newRow("mixed " + width)
                << (Prose.left(200) + Japanese + QStringLiteral(" 😀😀 ") + Prose.mid(200))
                << characters;
        }
        QTest::newRow("empty") << QString() << 32;
        QTest::newRow("only spaces") << QStringLiteral("      ") << 32;
        QTest::newRow("only line feeds") << QStringLiteral("\n\n\n") << 32;
        QTest::newRow("one long word") << lineWithoutSpaces(300) << 16;
        QTest::newRow("emoji without spaces")
            << QString(40, QLatin1Char('x')).replace(QLatin1Char('x'), QStringLiteral("😀")) << 8;
    }

    void agreesWithTheGreedyWrap()
    {
        QFETCH(QString, text);
        QFETCH(int, characters);
        const QFontMetrics metrics = metricsFor(text);
        const int width = widthOf(characters, metrics);
        const QList<WrappedLine> expected = greedyWrap(text, metrics, width);
        QCOMPARE(wrapText(text, metrics, width), expected);

        // A word at a time, as a voice reveals it, gives the same lines.
        TextWrapper wrapper(text, metrics, width);
        for (int offset = 0; offset <= text.size(); ++offset) {
            if (offset < text.size() && !text.at(offset).isSpace())
                continue;
            wrapper.wrapThrough(offset);
            QVERIFY(wrapper.wrappedEnd() >= offset);
            const QList<WrappedLine>& lines = wrapper.lines();
            QCOMPARE(lines, expected.mid(0, lines.size()));
        }
        wrapper.wrapAll();
        QCOMPARE(wrapper.lines(), expected);
    }

    void breaksALongLineWithoutSpacesInLinearWork()
    {
        const QString text = lineWithoutSpaces(200000);
        const QFontMetrics metrics = metricsFor(text);
        const int width = widthOf(32, metrics);
        TextWrapper wrapper(text, metrics, width);
        wrapper.wrapAll();
        const QList<WrappedLine>& lines = wrapper.lines();
        verifyCoversText(lines, text);
        QVERIFY(lines.size() > text.size() / 64);
        // Every line fits and is full: its next character would not fit.
        for (qsizetype i = 0; i + 1 < lines.size(); i += 97) {
            const WrappedLine& line = lines.at(i);
            QVERIFY(metrics.horizontalAdvance(text.mid(line.start, line.length)) <= width);
            QVERIFY(metrics.horizontalAdvance(text.mid(line.start, line.length + 1)) > width);
        }
        // The same lines as the greedy wrap, over a stretch of the text.
        const QString start = text.left(3000);
        QCOMPARE(lines.mid(0, 20), greedyWrap(start, metrics, width).mid(0, 20));
        // Each character is measured a few times and read for breaks once (and
        // a little context), not once per line.
        const double perCharacter =
            static_cast<double>(wrapper.measuredCharacters()) / static_cast<double>(text.size());
        QVERIFY2(perCharacter < 8, qPrintable(QString::number(perCharacter)));
        QVERIFY(wrapper.scannedCharacters() < text.size() * 11 / 10);
    }

    void breaksLongJapaneseBetweenCharacters()
    {
        QString text;
        for (int i = 0; i < 200; ++i)
            text += Japanese;
        const QFontMetrics metrics = metricsFor(text);
        const int width = widthOf(32, metrics);
        const QList<WrappedLine> lines = wrapText(text, metrics, width);
        verifyCoversText(lines, text);
        for (const WrappedLine& line : lines) {
            QVERIFY(metrics.horizontalAdvance(text.mid(line.start, line.length)) <= width);
            QVERIFY(text.at(line.start) != u'。' && text.at(line.start) != u'、');
        }
        QCOMPARE(lines.mid(0, 10), greedyWrap(text.left(2000), metrics, width).mid(0, 10));
    }

    void boundsLinesOfZeroWidthCharacters()
    {
        // One letter with thousands of combining marks takes no more room
        // than the letter, but a line still holds a bounded number of them.
        const QString text = QLatin1Char('a') + QString(5000, QChar(0x0301));
        const QFontMetrics metrics = metricsFor(text);
        TextWrapper wrapper(text, metrics, widthOf(32, metrics));
        wrapper.wrapAll();
        verifyCoversText(wrapper.lines(), text);
        QVERIFY(wrapper.lines().size() >= 5000 / TextWrapper::DefaultMaxLineLength);
        for (const WrappedLine& line : wrapper.lines())
            QVERIFY(line.length <= TextWrapper::DefaultMaxLineLength);
        QVERIFY(wrapper.measuredCharacters() < 16 * text.size());
    }

    void keepsCombiningMarksWithTheirLetters()
    {
        // A long word of accented letters written as letter + mark: a line
        // never starts with a mark.
        QString text;
        for (int i = 0; i < 500; ++i)
            text += QStringLiteral("e\u0301a\u0300o\u0302");
        const QFontMetrics metrics = metricsFor(text);
        const QList<WrappedLine> lines = wrapText(text, metrics, widthOf(16, metrics));
        verifyCoversText(lines, text);
        QVERIFY(lines.size() > 10);
        for (const WrappedLine& line : lines)
            QVERIFY2(!text.at(line.start).isMark(), qPrintable(QString::number(line.start)));
        // Also where the character bound, not the width, ends the line.
        TextWrapper bounded(text, metrics, 1 << 20, 31);
        bounded.wrapAll();
        verifyCoversText(bounded.lines(), text);
        for (const WrappedLine& line : bounded.lines()) {
            QVERIFY(!text.at(line.start).isMark());
            QVERIFY(line.length <= 31);
        }
    }

    void neverSplitsSurrogatePairs()
    {
        QString text;
        for (int i = 0; i < 3000; ++i)
            text += i % 3 == 0 ? QStringLiteral("😀") : QStringLiteral("𝒜b");
        const QFontMetrics metrics = metricsFor(text);
        for (const int characters : {1, 5, 32}) {
            const QList<WrappedLine> lines = wrapText(text, metrics, widthOf(characters, metrics));
            verifyCoversText(lines, text);
            for (const WrappedLine& line : lines)
                QVERIFY(!splitsSurrogatePair(text, line.start));
        }
        // Cut by the character bound too: a line of zero-width joiners and emoji.
        QString joined;
        for (int i = 0; i < 1000; ++i)
            joined += QStringLiteral("\u200d😀");
        TextWrapper wrapper(joined, metrics, 1 << 20, 31);
        wrapper.wrapAll();
        verifyCoversText(wrapper.lines(), joined);
        for (const WrappedLine& line : wrapper.lines()) {
            QVERIFY(!splitsSurrogatePair(joined, line.start));
            QVERIFY(line.length <= 31);
        }
    }

    void skipsAheadToABreak()
    {
        QString text;
        for (int i = 0; i < 400; ++i)
            text += Prose;
        const QFontMetrics metrics = metricsFor(text);
        const int width = widthOf(32, metrics);
        TextWrapper wrapper(text, metrics, width);
        wrapper.wrapLines(3);
        const qint64 measuredBefore = wrapper.measuredCharacters();
        const int target = static_cast<int>(text.size()) - 5000;
        wrapper.skipTo(target);
        wrapper.wrapThrough(target + 1000);
        const QList<WrappedLine>& lines = wrapper.lines();
        // The lines after the leap start at a break at or after it and go on
        // as the greedy wrap of the text from there.
        const int resumed = lines.at(3).start;
        QVERIFY(resumed >= target && resumed < target + 50);
        QVERIFY(text.at(resumed - 1).isSpace() || text.at(resumed - 1).isPunct());
        QList<WrappedLine> expected = greedyWrap(text.mid(resumed, 1500), metrics, width);
        for (WrappedLine& line : expected)
            line.start += resumed;
        QCOMPARE(lines.mid(3, 10), expected.mid(0, 10));
        // Only what follows the leap was measured.
        QVERIFY(wrapper.measuredCharacters() - measuredBefore < 20 * 1100);
    }

    void findsTheBreaksOfTheWholeTextAWindowAtATime()
    {
        QString text;
        for (int i = 0; i < 30; ++i)
            text += Prose + Japanese + QStringLiteral("😀 ") + lineWithoutSpaces(i * 7);
        QList<int> expected;
        QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text);
        for (qsizetype p = finder.toNextBoundary(); p > 0; p = finder.toNextBoundary())
            expected.append(static_cast<int>(p));

        LineBreakScanner scanner(text);
        QList<int> found;
        for (int after = 0, next = 0; (next = scanner.nextBreak(after, after + 500)) >= 0;
             after = next) {
            found.append(next);
            scanner.forgetUpTo(after);
        }
        QCOMPARE(found, expected);
        QVERIFY(scanner.scannedCharacters() < text.size() * 11 / 10);
        // Going back reads again, with the same result.
        QCOMPARE(scanner.nextBreak(0, 100), expected.first());
        // Nothing within the limit.
        const int word = static_cast<int>(text.indexOf(QStringLiteral("Supercal")));
        QCOMPARE(scanner.nextBreak(word, word + 10), -1);
    }

    void findsTheFirstVisibleLineAmongMany()
    {
        QList<WrappedLine> lines;
        for (int i = 0; i < 100000; ++i)
            lines.append({i * 10, 10});
        QCOMPARE(firstVisibleLine(lines, 0, 2), 0);
        QCOMPARE(firstVisibleLine(lines, 1, 2), 0);
        QCOMPARE(firstVisibleLine(lines, 25, 2), 1);
        QCOMPARE(firstVisibleLine(lines, 30, 2), 1);
        QCOMPARE(firstVisibleLine(lines, 31, 2), 2);
        QCOMPARE(firstVisibleLine(lines, 1000000, 3), 99997);
        QCOMPARE(firstVisibleLine(lines, 1000000, 0), 99999);
        QCOMPARE(firstVisibleLine({}, 10, 2), 0);
    }
};

QTEST_MAIN(TestTextWrapper)
#include "TextWrapperTest.moc"
