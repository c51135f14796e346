#include "app/artwork/Artwork.h"
#include "app/artwork/BackgroundPicture.h"

#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QSet>
#include <QTest>
#include <QXmlStreamReader>

#include <algorithm>

using namespace clipvoice::app::artwork;

namespace {

// The dark bars are far darker than this; the white glyphs and their smoothed
// edges are lighter.
constexpr int kGlyphGrey = 110;

bool isGlyphPixel(QRgb pixel)
{
    return qGray(pixel) > kGlyphGrey;
}

bool isWhite(QRgb pixel)
{
    return qRed(pixel) == 255 && qGreen(pixel) == 255 && qBlue(pixel) == 255;
}

// The smallest rectangle holding every glyph pixel of `area`; empty if none.
QRect glyphBounds(const QImage& image, const QRect& area)
{
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (isGlyphPixel(image.pixel(x, y)))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

bool holdsWhite(const QImage& image, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (isWhite(image.pixel(x, y)))
                return true;
    return false;
}

// Glyph pixels of the strip `area` lying outside every one of `allowed`.
int strayGlyphPixels(const QImage& image, const QRect& area, const QList<QRect>& allowed)
{
    int stray = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (!isGlyphPixel(image.pixel(x, y)))
                continue;
            bool inside = false;
            for (const QRect& rect : allowed)
                inside = inside || rect.contains(x, y);
            if (!inside)
                ++stray;
        }
    }
    return stray;
}

// Rough colour families of the tree pictures.
enum class Family
{
    None,
    Gold,
    Green,
    Blue,
    Grey
};

Family familyOf(QRgb pixel)
{
    const int r = qRed(pixel);
    const int g = qGreen(pixel);
    const int b = qBlue(pixel);
    if (r > 150 && g > 90 && b < 100 && r >= g)
        return Family::Gold;
    if (g > r + 30 && g > b + 30)
        return Family::Green;
    if (b > r + 40 && b > g + 10)
        return Family::Blue;
    if (qAbs(r - g) < 16 && qAbs(g - b) < 16 && qGray(pixel) < 240)
        return Family::Grey;
    return Family::None;
}

} // namespace

class ArtworkTest : public QObject
{
    Q_OBJECT

private slots:
    void picturesHaveTheirSizesAndFormats();

    void stripGlyphsAreWhiteAndInsideTheirColumns_data();
    void stripGlyphsAreWhiteAndInsideTheirColumns();
    void stripIsDarkBesideItsGlyphs();

    void titleStripGlyphsLieUnderTheirClickAreas();
    void titleStripIsDarkExceptBubbleTitleAndGlyphs();
    void longTitleStopsShortOfTheGlyphs();
    void titleDoesNotFollowTheDesktopFont();

    void gradientGetsLighterToTheRight();
    void logoStaysInsideItsBox();

    void windowIconHasAtMostSixteenColours();
    void windowIconShowsOnLightAndDarkGrounds();
    void scalableIconIsWellFormed();

    void handCursorFillsExactlyItsBox();
    void handCursorIsOutlinedInBlack();

    void treePicturesHaveTheirColours_data();
    void treePicturesHaveTheirColours();
    void unknownTreeKeyGivesNullImage();
    void treePicturesDifferFromEachOther();
};

void ArtworkTest::picturesHaveTheirSizesAndFormats()
{
    const QImage background = backgroundPicture(QStringLiteral("ClipVoice 1.0"));
    QCOMPARE(background.size(), QSize(466, 370));
    QVERIFY(!background.hasAlphaChannel());

    const QImage strip = stripPicture();
    QCOMPARE(strip.size(), QSize(260, 16));
    QVERIFY(!strip.hasAlphaChannel());

    const QImage icon = windowIconPicture();
    QCOMPARE(icon.size(), QSize(32, 32));
    QCOMPARE(icon.format(), QImage::Format_Indexed8);

    const QImage hand = handCursorPicture();
    QCOMPARE(hand.size(), QSize(32, 32));
    QCOMPARE(hand.format(), QImage::Format_ARGB32);
}

void ArtworkTest::stripGlyphsAreWhiteAndInsideTheirColumns_data()
{
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::newRow("close cross") << 6 << 13;
    QTest::newRow("play triangle") << 231 << 238;
    QTest::newRow("stop square") << 247 << 253;
}

void ArtworkTest::stripGlyphsAreWhiteAndInsideTheirColumns()
{
    QFETCH(int, left);
    QFETCH(int, right);
    const QImage strip = stripPicture();

    // Look a few pixels either side so a glyph spilling over its range shows.
    const QRect around(left - 4, 0, right - left + 9, 16);
    const QRect bounds = glyphBounds(strip, around);
    QCOMPARE(bounds.left(), left);
    QCOMPARE(bounds.right(), right);
    QVERIFY2(bounds.top() >= 3 && bounds.bottom() <= 12, "glyph not within rows 3 to 12");
    // Vertically centred in the 16 rows, give or take a pixel.
    QVERIFY(qAbs(bounds.top() + bounds.bottom() - 15) <= 1);
    QVERIFY(holdsWhite(strip, bounds));
}

void ArtworkTest::stripIsDarkBesideItsGlyphs()
{
    const QImage strip = stripPicture();
    const QList<QRect> glyphs = {QRect(6, 3, 8, 10), QRect(231, 3, 8, 10), QRect(247, 3, 7, 10)};
    QCOMPARE(strayGlyphPixels(strip, strip.rect(), glyphs), 0);

    // The bar is the title strip's colour: compare an empty stretch of both.
    const QImage background = backgroundPicture(QStringLiteral("ClipVoice 1.0"));
    for (int y = 0; y < 16; ++y)
        QVERIFY(qGray(strip.pixel(100, y)) < 80);
    QVERIFY(qAbs(qGray(strip.pixel(100, 8)) - qGray(background.pixel(300, 10))) < 12);
}

void ArtworkTest::titleStripGlyphsLieUnderTheirClickAreas()
{
    const QImage background = backgroundPicture(QStringLiteral("ClipVoice 1.0"));

    const QRect minimise = glyphBounds(background, QRect(428, 0, 21, 21));
    QCOMPARE(minimise.left(), 435);
    QCOMPARE(minimise.right(), 442);
    // A short bar low in the strip.
    QVERIFY(minimise.height() >= 1 && minimise.height() <= 3);
    QVERIFY(minimise.top() >= 8 && minimise.bottom() <= 14);
    QVERIFY(holdsWhite(background, minimise));

    const QRect close = glyphBounds(background, QRect(449, 0, 17, 21));
    QCOMPARE(close.left(), 452);
    QCOMPARE(close.right(), 459);
    QVERIFY(close.top() >= 2 && close.bottom() <= 14);
    QVERIFY(close.height() >= 6);
    QVERIFY(holdsWhite(background, close));

    // Nothing between the two, nor right of the close glyph.
    QVERIFY(glyphBounds(background, QRect(443, 0, 9, 21)).isEmpty());
    QVERIFY(glyphBounds(background, QRect(460, 0, 6, 21)).isEmpty());
}

void ArtworkTest::titleStripIsDarkExceptBubbleTitleAndGlyphs()
{
    const QImage background = backgroundPicture(QStringLiteral("ClipVoice 1.0"));
    const QRect strip(0, 0, 466, 21);

    // The bubble sits at the far left, the title right after it.
    const QRect bubble = glyphBounds(background, QRect(0, 0, 21, 21));
    QVERIFY(!bubble.isEmpty());
    QVERIFY(bubble.width() <= 18 && bubble.height() <= 18);
    const QRect title = glyphBounds(background, QRect(21, 0, 400, 21));
    QVERIFY(!title.isEmpty());
    QVERIFY(title.left() < 30);
    QVERIFY2(title.width() > 50 && title.width() < 200, "title text missing or oddly wide");
    QVERIFY(title.height() >= 8);
    QVERIFY(holdsWhite(background, title));

    const QList<QRect> allowed = {bubble, title, QRect(435, 0, 8, 17), QRect(452, 0, 8, 17)};
    QCOMPARE(strayGlyphPixels(background, strip, allowed), 0);
}

void ArtworkTest::longTitleStopsShortOfTheGlyphs()
{
    const QImage normal = backgroundPicture(QStringLiteral("ClipVoice 1.0"));
    const QImage crowded = backgroundPicture(QStringLiteral("ClipVoice ").repeated(20));

    const QRect title = glyphBounds(crowded, QRect(21, 0, 410, 21));
    QVERIFY(title.right() < 430);
    QCOMPARE(crowded.copy(428, 0, 38, 21), normal.copy(428, 0, 38, 21));
    // The rest of the picture does not depend on the title either.
    QCOMPARE(crowded.copy(0, 21, 466, 349), normal.copy(0, 21, 466, 349));
}

void ArtworkTest::titleDoesNotFollowTheDesktopFont()
{
    const QFont original = QGuiApplication::font();
    const QImage before = backgroundPicture(QStringLiteral("ClipVoice 1.0"));
    QFont odd(QStringLiteral("DejaVu Serif"));
    odd.setPixelSize(19);
    odd.setItalic(true);
    QGuiApplication::setFont(odd);
    const QImage after = backgroundPicture(QStringLiteral("ClipVoice 1.0"));
    QGuiApplication::setFont(original);
    QCOMPARE(after, before);
}

void ArtworkTest::gradientGetsLighterToTheRight()
{
    const QImage background = backgroundPicture(QStringLiteral("ClipVoice 1.0"));
    for (const int y : {30, 120, 281, 369}) {
        int previous = 0;
        for (int x = 0; x < 466; ++x) {
            if (kLogoBox.contains(x, y))
                continue;
            const int grey = qGray(background.pixel(x, y));
            QVERIFY2(grey + 1 >= previous,
                     qPrintable(QStringLiteral("darker at %1,%2").arg(x).arg(y)));
            previous = grey;
        }
        const QRgb left = background.pixel(0, y);
        const QRgb right = background.pixel(465, y);
        QVERIFY(qGray(right) - qGray(left) > 30);
        // Light blue on the left, near white on the right.
        QVERIFY(qBlue(left) > qRed(left) + 30 && qGray(left) > 150);
        QVERIFY(qRed(right) > 235 && qGreen(right) > 235 && qBlue(right) > 235);
    }
}

void ArtworkTest::logoStaysInsideItsBox()
{
    QCOMPARE(kLogoBox, QRect(QPoint(321, 214), QPoint(443, 255)));
    const QImage ground = backgroundGround();
    const QImage background = backgroundPicture(QStringLiteral("ClipVoice 1.0"));
    QCOMPARE(ground.size(), background.size());

    // The ground below the strip is the bare gradient: every column one colour.
    for (int x = 0; x < ground.width(); ++x)
        for (int y = 26; y < ground.height(); ++y)
            QCOMPARE(ground.pixel(x, y), ground.pixel(x, 369));

    int insideBox = 0;
    for (int y = 21; y < background.height(); ++y) {
        for (int x = 0; x < background.width(); ++x) {
            if (background.pixel(x, y) == ground.pixel(x, y))
                continue;
            QVERIFY2(
                kLogoBox.contains(x, y),
                qPrintable(QStringLiteral("logo pixel outside its box at %1,%2").arg(x).arg(y)));
            ++insideBox;
        }
    }
    QVERIFY2(insideBox > 800, "the logo is missing or tiny");
    // The logo spans most of its box.
    QRect drawn;
    for (int y = kLogoBox.top(); y <= kLogoBox.bottom(); ++y)
        for (int x = kLogoBox.left(); x <= kLogoBox.right(); ++x)
            if (background.pixel(x, y) != ground.pixel(x, y))
                drawn |= QRect(x, y, 1, 1);
    QVERIFY(drawn.width() > 100 && drawn.height() > 30);
}

void ArtworkTest::windowIconHasAtMostSixteenColours()
{
    const QImage icon = windowIconPicture();
    QVERIFY(icon.colorCount() <= 16);
    int transparentEntries = 0;
    for (const QRgb colour : icon.colorTable())
        transparentEntries += qAlpha(colour) == 0 ? 1 : 0;
    QCOMPARE(transparentEntries, 1);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            QVERIFY(icon.pixelIndex(x, y) < icon.colorCount());
}

void ArtworkTest::windowIconShowsOnLightAndDarkGrounds()
{
    const QImage icon = windowIconPicture().convertToFormat(QImage::Format_ARGB32);
    for (const QPoint corner : {QPoint(0, 0), QPoint(31, 0), QPoint(31, 31)})
        QCOMPARE(qAlpha(icon.pixel(corner)), 0);

    int white = 0;
    int darkBlue = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb pixel = icon.pixel(x, y);
            if (qAlpha(pixel) == 0)
                continue;
            QCOMPARE(qAlpha(pixel), 255);
            white += qGray(pixel) > 235 ? 1 : 0;
            darkBlue += (qBlue(pixel) > qRed(pixel) + 50 && qRed(pixel) < 80) ? 1 : 0;

            // Where the figure meets the transparent ground it is dark, so the
            // white bubble stands out on a white desktop.
            const bool onEdge =
                x == 0 || y == 0 || x == 31 || y == 31 || qAlpha(icon.pixel(x - 1, y)) == 0 ||
                qAlpha(icon.pixel(x + 1, y)) == 0 || qAlpha(icon.pixel(x, y - 1)) == 0 ||
                qAlpha(icon.pixel(x, y + 1)) == 0;
            if (onEdge)
                QVERIFY2(qGray(pixel) < 140,
                         qPrintable(QStringLiteral("light edge at %1,%2").arg(x).arg(y)));
        }
    }
    QVERIFY2(white > 150, "the bubble is not white");
    QVERIFY2(darkBlue > 40, "the sunglasses are missing");
}

void ArtworkTest::scalableIconIsWellFormed()
{
    const QString sourceDir = qEnvironmentVariable("CLIPVOICE_SOURCE_DIR");
    if (sourceDir.isEmpty())
        QSKIP("CLIPVOICE_SOURCE_DIR is not set");
    QFile file(sourceDir + QStringLiteral("/data/icons/clipvoice.svg"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name(), QLatin1String("svg"));
    QCOMPARE(xml.attributes().value(QLatin1String("viewBox")), QLatin1String("0 0 32 32"));
    int shapes = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() &&
            (xml.name() == QLatin1String("path") || xml.name() == QLatin1String("rect")))
            ++shapes;
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY(shapes >= 4);
}

void ArtworkTest::handCursorFillsExactlyItsBox()
{
    const QImage hand = handCursorPicture();
    QRect opaque;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (qAlpha(hand.pixel(x, y)) != 0)
                opaque |= QRect(x, y, 1, 1);
    QCOMPARE(opaque, QRect(QPoint(12, 14), QPoint(28, 31)));

    QList<int> fingertip;
    for (int x = 0; x < 32; ++x)
        if (qAlpha(hand.pixel(x, 14)) != 0)
            fingertip.append(x);
    QCOMPARE(fingertip, QList<int>({17, 18}));
}

void ArtworkTest::handCursorIsOutlinedInBlack()
{
    const QImage hand = handCursorPicture();
    const auto transparentAt = [&hand](int x, int y) {
        return x < 0 || y < 0 || x > 31 || y > 31 || qAlpha(hand.pixel(x, y)) == 0;
    };
    int white = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb pixel = hand.pixel(x, y);
            if (qAlpha(pixel) == 0)
                continue;
            // Drawn pixel for pixel: only opaque black and opaque white.
            QCOMPARE(qAlpha(pixel), 255);
            const bool black = (pixel & 0xffffffu) == 0u;
            QVERIFY(black || isWhite(pixel));
            white += black ? 0 : 1;
            const bool edge = transparentAt(x - 1, y) || transparentAt(x + 1, y) ||
                              transparentAt(x, y - 1) || transparentAt(x, y + 1);
            if (edge)
                QVERIFY2(black, qPrintable(QStringLiteral("unoutlined at %1,%2").arg(x).arg(y)));
        }
    }
    QVERIFY2(white > 120, "the hand is not mostly white");
}

void ArtworkTest::treePicturesHaveTheirColours_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("family");
    QTest::newRow("golden lamp") << QStringLiteral("genie") << static_cast<int>(Family::Gold);
    QTest::newRow("dark blue hat") << QStringLiteral("merlin") << static_cast<int>(Family::Blue);
    QTest::newRow("green parrot") << QStringLiteral("peedy") << static_cast<int>(Family::Green);
    QTest::newRow("grey robot") << QStringLiteral("robby") << static_cast<int>(Family::Grey);
    QTest::newRow("blue diamond") << QStringLiteral("other") << static_cast<int>(Family::Blue);
    QTest::newRow("grey button") << QStringLiteral("notinstalled")
                                 << static_cast<int>(Family::Grey);
}

void ArtworkTest::treePicturesHaveTheirColours()
{
    QFETCH(QString, key);
    QFETCH(int, family);
    const QImage picture = treePicture(key);
    QCOMPARE(picture.size(), QSize(16, 16));
    QVERIFY(!picture.hasAlphaChannel());

    // On white: the corners are ground, and so is a good part of the picture.
    int ground = 0;
    QList<int> families(5, 0);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const QRgb pixel = picture.pixel(x, y);
            ground += isWhite(pixel) ? 1 : 0;
            ++families[static_cast<int>(familyOf(pixel))];
        }
    }
    QVERIFY(isWhite(picture.pixel(0, 15)) || isWhite(picture.pixel(15, 15)));
    QVERIFY(ground >= 30 && ground <= 200);

    // The picture's main colour is the one its subject calls for.
    families[static_cast<int>(Family::None)] = 0;
    const auto dominant =
        static_cast<int>(std::max_element(families.cbegin(), families.cend()) - families.cbegin());
    QCOMPARE(dominant, family);
    if (key == QLatin1String("merlin")) {
        int stars = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                stars += qRed(picture.pixel(x, y)) > 220 && qBlue(picture.pixel(x, y)) < 80 ? 1 : 0;
        QVERIFY2(stars >= 5, "the hat has no yellow stars");
    }
}

void ArtworkTest::unknownTreeKeyGivesNullImage()
{
    QVERIFY(treePicture(QString()).isNull());
    QVERIFY(treePicture(QStringLiteral("Genie")).isNull());
    QVERIFY(treePicture(QStringLiteral("wizard")).isNull());
}

void ArtworkTest::treePicturesDifferFromEachOther()
{
    const QStringList keys = {QStringLiteral("genie"), QStringLiteral("merlin"),
                              QStringLiteral("peedy"), QStringLiteral("robby"),
                              QStringLiteral("other"), QStringLiteral("notinstalled")};
    for (qsizetype i = 0; i < keys.size(); ++i)
        for (qsizetype j = i + 1; j < keys.size(); ++j)
            QVERIFY2(treePicture(keys[i]) != treePicture(keys[j]),
                     qPrintable(keys[i] + QStringLiteral(" = ") + keys[j]));
}

QTEST_MAIN(ArtworkTest)
#include "ArtworkTest.moc"
