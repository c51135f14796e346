#include "UiTestUtil.h"

#include "agent/ui/SpeechBalloon.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <cstdlib>

using namespace clipvoice::agent::ui;

namespace {

QRect available()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

const QString Japanese =
    QStringLiteral("吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。"
                   "何でも薄暗いじめじめした所でニャーニャー泣いていた事だけは記憶している。");

QStringList wrappedLines(const QString& text, const QFont& font, int width)
{
    QStringList lines;
    for (const WrappedLine& line : wrapText(text, QFontMetrics(font), width))
        lines.append(text.mid(line.start, line.length));
    return lines;
}

// Letters and digits without a space or any other break, like base64.
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

// The shown lines are the text just before `revealed`, whole and in order.
void verifyShowsTextUpTo(const QStringList& shown, const QString& text, int revealed)
{
    const QString joined = shown.join(QString());
    QVERIFY(!joined.isEmpty());
    QCOMPARE(text.mid(revealed - joined.size(), joined.size()), joined);
}

// The colour most of the drawn pixels have: the balloon's background.
QColor mostCommonOpaqueColour(const QImage& image)
{
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) == 255)
                ++counts[image.pixel(x, y)];
        }
    }
    QRgb best = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > counts.value(best))
            best = it.key();
    }
    return QColor::fromRgba(best);
}

} // namespace

class TestSpeechBalloon : public QObject
{
    Q_OBJECT

private slots:
    void staysOnScreenBesideTheCharacter_data()
    {
        QTest::addColumn<QRect>("character");
        QTest::addColumn<BalloonSide>("side");
        const QRect a = available();
        const QSize s(100, 120);
        const auto above = BalloonSide::Above;
        const auto below = BalloonSide::Below;
        QTest::newRow("middle") << QRect(a.center(), s) << above;
        QTest::newRow("top left") << QRect(a.topLeft(), s) << below;
        QTest::newRow("top right") << QRect(QPoint(a.right() - 99, a.top()), s) << below;
        QTest::newRow("bottom left") << QRect(QPoint(a.left(), a.bottom() - 119), s) << above;
        QTest::newRow("bottom right") << QRect(a.bottomRight() - QPoint(99, 119), s) << above;
        QTest::newRow("left edge") << QRect(QPoint(a.left(), a.center().y()), s) << above;
        QTest::newRow("right edge") << QRect(QPoint(a.right() - 99, a.center().y()), s) << above;
        QTest::newRow("half off the top") << QRect(a.center().x(), a.top() - 60, 100, 120) << below;
        QTest::newRow("half off the right")
            << QRect(a.right() - 40, a.center().y(), 100, 120) << above;
        // As tall as the screen: beside it, on the side with room.
        const int tall = a.height() - 40;
        QTest::newRow("tall at the left")
            << QRect(a.left() + 30, a.top() + 20, 100, tall) << BalloonSide::Right;
        QTest::newRow("tall at the right")
            << QRect(a.right() - 129, a.top() + 20, 100, tall) << BalloonSide::Left;
    }

    void staysOnScreenBesideTheCharacter()
    {
        QFETCH(QRect, character);
        QFETCH(BalloonSide, side);
        SpeechBalloon balloon;
        balloon.setCharacterRect(character);
        balloon.showSpeech(QStringLiteral("Hello! I read aloud whatever you copy, word by word."));
        const QRect geometry = balloon.geometry();
        QVERIFY(available().contains(geometry));
        QCOMPARE(balloon.side(), side);
        QVERIFY(!geometry.intersects(character));

        // The tail ends at the character's edge, near the middle of the character.
        const QPoint tip = balloon.tipPosition();
        QVERIFY(geometry.contains(tip));
        const bool vertical = side == BalloonSide::Above || side == BalloonSide::Below;
        const int edge = side == BalloonSide::Above   ? character.top() - 1
                         : side == BalloonSide::Below ? character.bottom() + 1
                         : side == BalloonSide::Right ? character.right() + 1
                                                      : character.left() - 1;
        QCOMPARE(vertical ? tip.y() : tip.x(), edge);
        if (vertical) {
            const int x = std::clamp(character.center().x(), geometry.left(), geometry.right());
            QVERIFY(std::abs(tip.x() - x) <= 24);
        } else {
            QVERIFY(tip.y() > character.top() && tip.y() < character.center().y());
        }
        const QImage image = balloon.grab().toImage();
        QVERIFY(qAlpha(image.pixel(tip - geometry.topLeft())) > 0);

        // It follows the character.
        const QPoint step = vertical ? QPoint(0, 10) : QPoint(10, 0);
        balloon.setCharacterRect(character.translated(step));
        QCOMPARE(balloon.geometry().topLeft(), geometry.topLeft() + step);
    }

    void revealsTheTextWordByWord()
    {
        SpeechBalloon balloon;
        balloon.setCharacterRect(QRect(available().center(), QSize(80, 80)));
        const QString text = QStringLiteral("Good morning. Shall I read it?");
        balloon.showSpeech(text);
        QVERIFY(balloon.isVisible());
        QVERIFY(balloon.visibleLines().isEmpty());
        const QRect sized = balloon.geometry();

        balloon.revealUpTo(5);
        QCOMPARE(balloon.visibleLines(), QStringList{QStringLiteral("Good")});
        balloon.revealUpTo(14);
        QCOMPARE(balloon.visibleLines(), QStringList{QStringLiteral("Good morning.")});
        balloon.revealUpTo(1000);
        QCOMPARE(balloon.revealed(), text.size());
        QCOMPARE(balloon.visibleLines().join(QLatin1Char(' ')), text);
        // The balloon was sized for the whole text at once.
        QCOMPARE(balloon.geometry(), sized);
        balloon.revealUpTo(-3);
        QVERIFY(balloon.visibleLines().isEmpty());
    }

    void scrollsToKeepTheNewestWordsInView()
    {
        SpeechBalloon balloon;
        BalloonStyle style;
        style.lines = 2;
        style.charsPerLine = 12;
        balloon.setStyle(style);
        balloon.setCharacterRect(QRect(available().center(), QSize(80, 80)));
        QStringList words;
        for (int i = 1; i <= 30; ++i)
            words.append(QStringLiteral("word%1").arg(i));
        const QString text = words.join(QLatin1Char(' '));
        balloon.showSpeech(text);
        const int twoLineHeight = balloon.geometry().height();

        balloon.revealUpTo(5);
        QCOMPARE(balloon.visibleLines(), QStringList{QStringLiteral("word1")});
        int previousFirst = 0;
        for (int n = 1; n <= 30; ++n) {
            const QString upTo = words.mid(0, n).join(QLatin1Char(' '));
            balloon.revealUpTo(static_cast<int>(upTo.size()));
            const QStringList shown = balloon.visibleLines();
            QVERIFY(shown.size() <= 2);
            QVERIFY2(shown.last().endsWith(words.at(n - 1)), qPrintable(shown.join(u'|')));
            // Lines scroll forward only, and the shown lines are a run of the text.
            const int first = static_cast<int>(text.indexOf(shown.first()));
            QVERIFY(first >= previousFirst);
            previousFirst = first;
            QVERIFY(text.contains(shown.join(QLatin1Char(' '))));
        }
        QCOMPARE(balloon.geometry().height(), twoLineHeight);
    }

    void wrapsBetweenWordsAndBreaksOverlongWords()
    {
        const QFont font = BalloonStyle().font(QString());
        const QFontMetrics metrics(font);
        const int width = metrics.horizontalAdvance(QStringLiteral("abcdefghijklmnop"));
        const QString text = QStringLiteral("the cat sat on the mat with "
                                            "supercalifragilisticexpialidocious\nnew line");
        const QStringList lines = wrappedLines(text, font, width);
        QCOMPARE(lines.join(QString()), text);
        for (const QString& line : lines) {
            QVERIFY(metrics.horizontalAdvance(line.trimmed()) <= width);
            QVERIFY(!line.startsWith(QLatin1Char(' ')));
        }
        // Words stay whole; the overlong word starts a line and is cut into
        // pieces that fill lines; the line feed ends a line.
        qsizetype first = 0;
        while (first < lines.size() && !lines.at(first).startsWith(QStringLiteral("supercal")))
            ++first;
        QVERIFY(first > 0 && first < lines.size() - 2);
        for (qsizetype i = 0; i < first; ++i)
            QVERIFY(lines.at(i).endsWith(QLatin1Char(' ')));
        QString word;
        qsizetype i = first;
        while (i < lines.size() && !word.endsWith(QLatin1Char('\n')))
            word += lines.at(i++);
        QVERIFY(i - first >= 2);
        QCOMPARE(word, QStringLiteral("supercalifragilisticexpialidocious\n"));
        QCOMPARE(lines.last(), QStringLiteral("new line"));
        QCOMPARE(wrappedLines(QString(), font, width), QStringList{QString()});
    }

    void wrapsJapaneseBetweenCharacters()
    {
        if (!QFontDatabase::hasFamily(japaneseFontFamily()))
            QSKIP("IPAPGothic is not installed (Debian: fonts-ipafont-gothic)");
        const QFont font = BalloonStyle().font(Japanese);
        QCOMPARE(QFontInfo(font).family(), japaneseFontFamily());
        const QFontMetrics metrics(font);
        QVERIFY(metrics.inFont(QChar(u'猫')));
        QVERIFY(metrics.inFont(QChar(u'ニ')));

        const int width = metrics.horizontalAdvance(QStringLiteral("あいうえおかきくけこ"));
        const QStringList lines = wrappedLines(Japanese, font, width);
        QVERIFY(lines.size() >= 7);
        QCOMPARE(lines.join(QString()), Japanese);
        for (const QString& line : lines) {
            QVERIFY(metrics.horizontalAdvance(line) <= width);
            // Closing punctuation never starts a line.
            QVERIFY(!line.startsWith(u'。') && !line.startsWith(u'、'));
        }
        // Lines are full: wrapping is by character, not at the sentence ends.
        QVERIFY(metrics.horizontalAdvance(lines.first()) > width * 3 / 4);

        SpeechBalloon balloon;
        balloon.setCharacterRect(QRect(available().center(), QSize(80, 80)));
        balloon.showSpeech(Japanese);
        balloon.revealUpTo(static_cast<int>(Japanese.size()));
        QCOMPARE(balloon.visibleLines().size(), 2);
        QVERIFY(Japanese.endsWith(balloon.visibleLines().last()));
        QVERIFY(available().contains(balloon.geometry()));
        uitest::snapshot(&balloon, QStringLiteral("balloon-japanese"));
    }

    void showsThoughtsWhole()
    {
        SpeechBalloon balloon;
        const QRect character(available().center() - QPoint(40, 0), QSize(80, 80));
        balloon.setCharacterRect(character);
        const QString text =
            QStringLiteral("Hmm... I wonder what they will copy next. Maybe a poem, "
                           "maybe a recipe, maybe a very long news story.");
        balloon.showThought(text);
        QVERIFY(balloon.isVisible());
        QCOMPARE(balloon.kind(), SpeechBalloon::Kind::Thought);
        QVERIFY(balloon.visibleLines().size() > balloon.style().lines);
        QCOMPARE(balloon.visibleLines().join(QLatin1Char(' ')), text);
        QVERIFY(!balloon.geometry().intersects(character));

        // The cloud is see-through around its bumps and between its bubbles.
        const QImage image = balloon.grab().toImage();
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(image.width() - 1, image.height() - 1)), 0);
        QCOMPARE(mostCommonOpaqueColour(image), BalloonStyle().background);
        uitest::snapshot(&balloon, QStringLiteral("thought"));

        balloon.showSpeech(QStringLiteral("Back to talking."));
        QCOMPARE(balloon.kind(), SpeechBalloon::Kind::Speech);
        QVERIFY(balloon.visibleLines().isEmpty());
    }

    void drawsARoundedBalloonInItsStyle()
    {
        SpeechBalloon balloon;
        BalloonStyle style;
        style.background = QColor(220, 240, 255);
        style.foreground = QColor(20, 40, 120);
        style.border = QColor(40, 90, 160);
        style.fontPointSize = 12;
        balloon.setStyle(style);
        balloon.setCharacterRect(QRect(available().center(), QSize(80, 80)));
        balloon.showSpeech(QStringLiteral("Hi there! Copy some text and I will read it."));
        balloon.revealUpTo(1000);
        const QImage image = balloon.grab().toImage();
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0); // rounded corner
        QCOMPARE(qAlpha(image.pixel(image.width() - 1, 0)), 0);
        // The tail's end is drawn; beside it is see-through.
        const QPoint tip = balloon.tipPosition() - balloon.geometry().topLeft();
        QVERIFY(qAlpha(image.pixel(tip - QPoint(0, 2))) > 0);
        QCOMPARE(qAlpha(image.pixel(tip.x() + 20, tip.y())), 0);
        bool textDrawn = false;
        for (int y = 0; y < image.height() && !textDrawn; ++y) {
            for (int x = 0; x < image.width() && !textDrawn; ++x)
                textDrawn = image.pixelColor(x, y) == style.foreground;
        }
        QVERIFY(textDrawn);
        QCOMPARE(mostCommonOpaqueColour(image), style.background);
        QVERIFY(!balloon.mask().contains(QPoint(0, 0)));
        QVERIFY(balloon.mask().contains(QPoint(image.width() / 2, 12)));
        uitest::snapshot(&balloon, QStringLiteral("balloon-styled"));
    }

    void revealsAndPagesAOneMegabyteLineWithoutSpaces()
    {
        SpeechBalloon balloon;
        BalloonStyle style;
        style.lines = 2;
        style.charsPerLine = 28;
        balloon.setStyle(style);
        balloon.setCharacterRect(QRect(available().center(), QSize(80, 80)));
        const QString text = lineWithoutSpaces(1000000);
        balloon.showSpeech(text);
        QVERIFY(balloon.visibleLines().isEmpty());
        const QRect sized = balloon.geometry();
        QVERIFY(available().contains(sized));
        // Only the first lines are wrapped, to size the balloon.
        QVERIFY(balloon.wrappedLines().size() < 20);
        QVERIFY(balloon.measuredCharacters() < 20000);

        // Revealed a piece at a time, as a voice speaks it: two lines ending
        // where the reveal is, scrolling forward only.
        int previousStart = 0;
        for (int revealed = 7; revealed < 60000; revealed += 613) {
            balloon.revealUpTo(revealed);
            const QStringList shown = balloon.visibleLines();
            if (revealed > 100)
                QCOMPARE(shown.size(), 2);
            verifyShowsTextUpTo(shown, text, revealed);
            const int start = revealed - static_cast<int>(shown.join(QString()).size());
            QVERIFY(start >= previousStart);
            previousStart = start;
        }
        // So far the lines follow each other: nothing was skipped.
        const QList<WrappedLine> lines = balloon.wrappedLines();
        for (qsizetype i = 1; i < lines.size(); ++i)
            QCOMPARE(lines.at(i).start, lines.at(i - 1).start + lines.at(i - 1).length);
        // The work follows what was revealed, not the length of the text.
        QVERIFY(balloon.measuredCharacters() < 8 * 60000);

        // Shown again in the same style, it keeps its lines.
        const qint64 measured = balloon.measuredCharacters();
        balloon.setStyle(style);
        QCOMPARE(balloon.measuredCharacters(), measured);

        // A leap far ahead (the voice skipped), then on piece by piece.
        for (int revealed = 500000; revealed < 505000; revealed += 613) {
            balloon.revealUpTo(revealed);
            QCOMPARE(balloon.visibleLines().size(), 2);
            verifyShowsTextUpTo(balloon.visibleLines(), text, revealed);
        }
        // The voice ends: the end of the text shows at once, without the
        // text before it being wrapped.
        balloon.revealUpTo(static_cast<int>(text.size()));
        QCOMPARE(balloon.visibleLines().size(), 2);
        verifyShowsTextUpTo(balloon.visibleLines(), text, static_cast<int>(text.size()));
        QVERIFY(balloon.measuredCharacters() < 8 * 70000);
        QCOMPARE(balloon.geometry(), sized);
        uitest::snapshot(&balloon, QStringLiteral("balloon-long-line"));
    }

    void cutsLongThoughtsToTheirLines()
    {
        SpeechBalloon balloon;
        balloon.setCharacterRect(QRect(available().center() - QPoint(40, 0), QSize(80, 80)));
        QStringList words;
        for (int i = 1; i <= 5000; ++i)
            words.append(QStringLiteral("thought%1").arg(i));
        const QString text = words.join(QLatin1Char(' '));
        balloon.showThought(text);
        QStringList shown = balloon.visibleLines();
        QCOMPARE(shown.size(), SpeechBalloon::ThoughtLines);
        QVERIFY(shown.last().endsWith(QChar(0x2026)));
        shown.last().chop(1);
        QVERIFY(text.startsWith(shown.join(QLatin1Char(' '))));
        QVERIFY(available().contains(balloon.geometry()));
        QVERIFY(balloon.wrappedLines().size() < 20);
        uitest::snapshot(&balloon, QStringLiteral("thought-cut"));

        // A megabyte without spaces likewise.
        const QString line = lineWithoutSpaces(1000000);
        balloon.showThought(line);
        shown = balloon.visibleLines();
        QCOMPARE(shown.size(), SpeechBalloon::ThoughtLines);
        shown.last().chop(1);
        QVERIFY(line.startsWith(shown.join(QString())));
        QVERIFY(balloon.measuredCharacters() < 20000);
    }

    void hidesAfterTheDelay()
    {
        SpeechBalloon balloon;
        balloon.showSpeech(QStringLiteral("Bye"));
        balloon.hideAfter(4000);
        QVERIFY(balloon.hideTimer().isActive());
        QCOMPARE(balloon.hideTimer().interval(), 4000);
        QVERIFY(balloon.isVisible());
        // New text cancels the pending hide.
        balloon.showSpeech(QStringLiteral("Wait, one more thing"));
        QVERIFY(!balloon.hideTimer().isActive());
        balloon.hideAfter(0);
        QTRY_VERIFY(!balloon.isVisible());
    }
};

QTEST_MAIN(TestSpeechBalloon)
#include "SpeechBalloonTest.moc"
