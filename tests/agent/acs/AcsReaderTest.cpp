#include "AcsTestUtil.h"

#include "agent/acs/Compression.h"
#include "agent/acs/DibCodec.h"
#include "agent/acs/ImageDecoder.h"

#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace clipvoice::agent::acs;
using namespace acstest;

namespace {

// A character built by hand for checking composition: image 0 fills the frame
// with palette colour 20, image 1 is a 2 x 2 patch of colour 30 with one
// transparent pixel, image 2 a 1 x 1 mouth of colour 40.
Character layeredCharacter()
{
    Character c;
    c.info.width = 8;
    c.info.height = 6;
    c.info.transparentIndex = 10;
    c.info.palette = testing::SampleCharacter::palette();
    c.info.localized = {{0x0409, QStringLiteral("Layers"), {}, {}}};
    IndexedImage body{1, 8, 6, QByteArray(48, char(20)), {}};
    IndexedImage patch{1, 2, 2, QByteArray("\x1e\x1e\x1e\x0a", 4), {}};
    IndexedImage mouth{1, 1, 1, QByteArray("\x28", 1), {}};
    c.images = {body, patch, mouth};
    Frame f;
    f.images = {{1, 3, 2}, {0, 0, 0}}; // the patch is listed first: it is on top
    MouthOverlay open;
    open.shape = 4;
    open.imageIndex = 2;
    open.x = 0;
    open.y = 0;
    MouthOverlay replace = open;
    replace.shape = 5;
    replace.replaceTopImage = true;
    replace.x = 6;
    replace.y = 5;
    f.overlays = {open, replace};
    c.animations = {{QStringLiteral("Talk"), 2, {}, {f}}};
    return c;
}

QRgb paletteColour(int index)
{
    return testing::SampleCharacter::palette().at(index) | 0xFF000000u;
}

// A frame composed the plain way: every listed image decoded whole, converted
// to ARGB and drawn by ImageDecoder::compose.
QImage referenceFrame(const AcsReader& reader, qsizetype animation, qsizetype frame, int mouth)
{
    const auto argb = [&reader](quint32 index) {
        if (index >= quint32(reader.imageCount()))
            return QImage();
        return ImageDecoder::toArgb(reader.readImage(qsizetype(index)).image, reader.info().palette,
                                    reader.info().transparentIndex);
    };
    const Frame& f = reader.animations()[animation].frames[frame];
    QList<PlacedImage> layers;
    for (const FrameImage& fi : f.images)
        layers.append({argb(fi.imageIndex), fi.x, fi.y});
    for (const MouthOverlay& o : f.overlays) {
        if (o.shape != mouth)
            continue;
        const PlacedImage placed{argb(o.imageIndex), o.x, o.y};
        if (o.replaceTopImage && !layers.isEmpty())
            layers.first() = placed;
        else
            layers.prepend(placed);
        break;
    }
    return ImageDecoder::compose(QSize(reader.info().width, reader.info().height), layers);
}

} // namespace

class TestAcsReader : public QObject
{
    Q_OBJECT

private slots:
    void roundTripEveryFeature_data()
    {
        QTest::addColumn<bool>("voice");
        QTest::addColumn<bool>("balloon");
        QTest::addColumn<bool>("tray");
        QTest::addRow("everything") << true << true << true;
        QTest::addRow("no voice") << false << true << true;
        QTest::addRow("no balloon, no tray icon") << true << false << false;
        QTest::addRow("bare") << false << false << false;
    }

    void roundTripEveryFeature()
    {
        QFETCH(bool, voice);
        QFETCH(bool, balloon);
        QFETCH(bool, tray);
        testing::SampleCharacter::Options o;
        o.side = 48;
        o.imageCount = 9;
        o.animationCount = 4;
        o.framesPerAnimation = 5;
        o.withVoice = voice;
        o.withBalloon = balloon;
        o.withTrayIcon = tray;
        const Character original = testing::SampleCharacter::build(o);
        const QByteArray file = writeCharacter(original);

        AcsReader reader;
        QVERIFY2(reader.openData(file), qPrintable(reader.errorString()));
        QVERIFY2(reader.warnings().isEmpty(), qPrintable(reader.warnings().join(u'\n')));
        const Character back = reader.character();
        QCOMPARE(back.info, original.info);
        QCOMPARE(back.animations, original.animations);
        QCOMPARE(back.images, original.images);
        QCOMPARE(back.sounds, original.sounds);
        QVERIFY(back == original);
        // Writing what was read gives the same bytes.
        QCOMPARE(writeCharacter(back), file);
    }

    void writerChoosesCompressionPerImage()
    {
        Character c = plainCharacter();
        QByteArray noise(16 * 16, Qt::Uninitialized);
        for (qsizetype i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 2654435761u) >> 24);
        c.images[1].pixels = noise;
        c.images[0].pixels = QByteArray(16 * 16, char(5));
        const QByteArray file = writeCharacter(c);
        const qsizetype list = blockOffset(file, 2);
        const quint32 flat = u32At(file, list + 4);
        const quint32 noisy = u32At(file, list + 16);
        QCOMPARE(file.at(flat + 5), '\x01');
        QCOMPARE(file.at(noisy + 5), '\x00');
        QVERIFY(u32At(file, flat + 6) < 40); // compressed pixel size
        QCOMPARE(u32At(file, noisy + 6), 16u * 16u);
        AcsReader reader;
        QVERIFY(reader.openData(file));
        QCOMPARE(reader.readImage(0).image.pixels, c.images[0].pixels);
        QCOMPARE(reader.readImage(1).image.pixels, noise);
    }

    void oddWidthsArePaddedAndFlipped()
    {
        // Rows are stored bottom-up and padded to 4 bytes.
        Character c = plainCharacter();
        IndexedImage img{1, 3, 2, QByteArray("\x01\x02\x03\x04\x05\x06", 6), {}};
        c.images = {img};
        c.animations.clear();
        c.info.states.clear();
        const QByteArray file = writeCharacter(c);
        const quint32 block = u32At(file, blockOffset(file, 2) + 4);
        QCOMPARE(file.at(block + 5), '\x00'); // raw is smaller for 8 bytes
        QCOMPARE(file.mid(block + 10, 8), QByteArray("\x04\x05\x06\x00\x01\x02\x03\x00", 8));
        AcsReader reader;
        QVERIFY(reader.openData(file));
        QCOMPARE(reader.readImage(0).image, img);
    }

    void composesListedImagesTopmostFirst()
    {
        AcsReader reader;
        QVERIFY(reader.openData(writeCharacter(layeredCharacter())));
        const QImage frame = reader.frame(0, 0);
        QCOMPARE(frame.size(), QSize(8, 6));
        QCOMPARE(frame.format(), QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(frame.pixel(0, 0), paletteColour(20));
        QCOMPARE(frame.pixel(3, 2), paletteColour(30)); // the patch is on top
        QCOMPARE(frame.pixel(4, 3), paletteColour(20)); // its transparent pixel shows the body
        // Mouth 4 draws over everything; mouth 5 replaces the top image (the patch).
        const QImage open = reader.frame(0, 0, 4);
        QCOMPARE(open.pixel(0, 0), paletteColour(40));
        QCOMPARE(open.pixel(3, 2), paletteColour(30));
        const QImage replaced = reader.frame(0, 0, 5);
        QCOMPARE(replaced.pixel(3, 2), paletteColour(20));
        QCOMPARE(replaced.pixel(6, 5), paletteColour(40));
        // A shape the frame has no overlay for leaves it unchanged.
        QCOMPARE(reader.frame(0, 0, 2), frame);
        QVERIFY(reader.frame(0, 1).isNull());
        QVERIFY(reader.frame(1, 0).isNull());
    }

    void framesMatchThePlainComposition_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("patchEvery");
        QTest::addRow("48, patches") << 48 << 3;
        QTest::addRow("37, no patches") << 37 << 0;
        QTest::addRow("128") << 128 << 4;
    }

    void framesMatchThePlainComposition()
    {
        // Frames are composed from palette indices, skipping what is not drawn;
        // they must equal the plain composition pixel for pixel, for every frame
        // and mouth shape, with awkward layers added.
        QFETCH(int, side);
        QFETCH(int, patchEvery);
        testing::SampleCharacter::Options o;
        o.side = side;
        o.imageCount = 12;
        o.animationCount = 4;
        o.framesPerAnimation = 5;
        o.patchEvery = patchEvery;
        Character c = testing::SampleCharacter::build(o);
        QByteArray noise(qsizetype(side) * side, Qt::Uninitialized);
        for (qsizetype i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 2654435761u) >> 24);
        c.images[5].pixels = noise; // stored raw
        c.images[5].width = c.images[5].height = quint16(side);
        QList<FrameImage>& first = c.animations[0].frames[0].images;
        first.prepend({5, qint16(-side / 2), qint16(side / 3)});
        first.append({99, 0, 0});
        first.append({7, qint16(side - 3), qint16(side - 2)});
        first.append({6, -32768, 32767});
        first.append({5, 2, 2}); // the same image again, lower and elsewhere
        c.animations[1].frames[1].images.append({3, 1, 1}); // damaged below
        QByteArray file = writeCharacter(c);
        const qsizetype block = qsizetype(u32At(file, blockOffset(file, 2) + 4 + 12 * 3));
        QCOMPARE(file.at(block + 5), '\x01');
        file[block + 10] = 1; // a stream must start with 0
        AcsReader reader;
        QVERIFY(reader.openData(file));
        QVERIFY(!reader.readImage(3).error.isEmpty());
        for (qsizetype a = 0; a < reader.animations().size(); ++a)
            for (qsizetype f = 0; f < reader.animations()[a].frames.size(); ++f)
                for (int mouth = -1; mouth < MouthShapeCount; ++mouth)
                    QVERIFY2(reader.frame(a, f, mouth) == referenceFrame(reader, a, f, mouth),
                             qPrintable(QStringLiteral("animation %1 frame %2 mouth %3")
                                            .arg(a)
                                            .arg(f)
                                            .arg(mouth)));
        QCOMPARE(reader.decodeStatistics().layersLeftOut, 0);
    }

    void compositionClipsAndSkipsBadReferences()
    {
        Character c = layeredCharacter();
        Frame& f = c.animations[0].frames[0];
        f.images = {{1, -1, 0}, {1, 7, 5}, {1, -32768, 32767}, {99, 0, 0}, {0, 0, 0}};
        AcsReader reader;
        QVERIFY(reader.openData(writeCharacter(c)));
        const QImage frame = reader.frame(0, 0);
        QCOMPARE(frame.pixel(0, 0), paletteColour(30)); // right column of the patch
        QCOMPARE(frame.pixel(0, 1), paletteColour(20)); // its transparent corner
        QCOMPARE(frame.pixel(1, 0), paletteColour(20));
        QCOMPARE(frame.pixel(7, 5), paletteColour(30));
    }

    void compositionWorkIsBounded()
    {
        // Layers below those that already cover the canvas 64 times are not drawn.
        QImage holed(4, 4, QImage::Format_ARGB32_Premultiplied);
        holed.fill(qRgb(1, 2, 3));
        holed.setPixel(0, 0, 0);
        QImage full(4, 4, QImage::Format_ARGB32_Premultiplied);
        full.fill(qRgb(9, 9, 9));
        QList<PlacedImage> layers(ImageDecoder::MaxCoverage, PlacedImage{holed, 0, 0});
        layers.append({full, 0, 0});
        QCOMPARE(ImageDecoder::compose(QSize(4, 4), layers).pixel(0, 0), qRgb(9, 9, 9));
        layers.insert(0, PlacedImage{holed, 0, 0});
        const QImage capped = ImageDecoder::compose(QSize(4, 4), layers);
        QCOMPARE(capped.pixel(0, 0), 0u);
        QCOMPARE(capped.pixel(1, 1), qRgb(1, 2, 3));
    }

    void transparentAndOutOfPaletteIndices()
    {
        IndexedImage img{1, 3, 1, QByteArray("\x0a\x01\xc8", 3), {}};
        const QList<QRgb> palette = {qRgb(1, 2, 3), qRgb(200, 100, 50)};
        const QImage argb = ImageDecoder::toArgb(img, palette, 10);
        QCOMPARE(argb.pixel(0, 0), 0u);
        QCOMPARE(argb.pixel(1, 0), qRgb(200, 100, 50));
        QCOMPARE(argb.pixel(2, 0), qRgb(0, 0, 0));
    }

    void regionsDecode()
    {
        const IndexedImage img{1,
                               4,
                               3,
                               QByteArray("\x0a\x01\x01\x0a"
                                          "\x0a\x0a\x0a\x0a"
                                          "\x02\x0a\x0a\x02",
                                          12),
                               {}};
        const QByteArray region = ImageDecoder::encodeRegion(img, 10);
        QString error;
        const auto rects = ImageDecoder::decodeRegion(region, QRect(0, 0, 4, 3), &error);
        QVERIFY2(rects.has_value(), qPrintable(error));
        QCOMPARE(*rects, (QList<QRect>{QRect(1, 0, 2, 1), QRect(0, 2, 1, 1), QRect(3, 2, 1, 1)}));
        // Rectangles outside the bounds are clipped or dropped.
        const auto clipped = ImageDecoder::decodeRegion(region, QRect(0, 0, 2, 3), &error);
        QCOMPARE(*clipped, (QList<QRect>{QRect(1, 0, 1, 1), QRect(0, 2, 1, 1)}));
        QVERIFY(!ImageDecoder::decodeRegion(region.left(40), {}, &error));
        QVERIFY(error.contains(QStringLiteral("3 rectangles")));

        Character c = plainCharacter();
        c.images[0].region = ImageDecoder::encodeRegion(c.images[0], c.info.transparentIndex);
        AcsReader reader;
        QVERIFY(reader.openData(writeCharacter(c)));
        QVERIFY(!reader.imageRegion(0).isEmpty());
        QCOMPARE(reader.readImage(0).image.region, c.images[0].region);
    }

    void lookupsIgnoreCaseAndLanguagesFallBack()
    {
        AcsReader reader;
        QVERIFY(reader.openData(writeCharacter(testing::SampleCharacter::build())));
        QVERIFY(reader.animation(u"restpose"));
        QCOMPARE(reader.animation(u"RESTPOSE")->name, QStringLiteral("RestPose"));
        QCOMPARE(reader.animationIndex(u"hide"), 1);
        QVERIFY(!reader.animation(u"NoSuchAnimation"));
        QCOMPARE(reader.state(u"Speaking")->name, QStringLiteral("SPEAKING"));
        QVERIFY(!reader.state(u"Flying"));
        QCOMPARE(reader.localized(0x0407)->name, QStringLiteral("Muster"));
        QCOMPARE(reader.localized(0x0807)->name, QStringLiteral("Muster")); // Swiss German
        QCOMPARE(reader.localized(0x040C)->name, QStringLiteral("Sample")); // French: English
        QCOMPARE(reader.localized(0x0411)->name, QStringLiteral("\u30b5\u30f3\u30d7\u30eb"));
        QList<LocalizedInfo> noEnglish = {{0x0411, QStringLiteral("a"), {}, {}},
                                          {0x0407, QStringLiteral("b"), {}, {}}};
        QCOMPARE(findLocalized(noEnglish, 0x040C)->name, QStringLiteral("a"));
        QVERIFY(!findLocalized({}, 0x0409));
    }

    void duplicateAnimationNamesKeepTheFirst()
    {
        Character c = plainCharacter();
        c.animations[1].name = c.animations[0].name.toLower();
        c.animations[1].frames.removeLast();
        AcsReader reader;
        QVERIFY(reader.openData(writeCharacter(c)));
        QCOMPARE(reader.animation(c.animations[0].name)->frames.size(), 3);
        QVERIFY(reader.warnings().join(u' ').contains(QStringLiteral("listed twice")));
    }

    void soundsComeBackAsWaveFiles()
    {
        const Character c = testing::SampleCharacter::build();
        AcsReader reader;
        QVERIFY(reader.openData(writeCharacter(c)));
        QCOMPARE(reader.soundCount(), 2);
        QCOMPARE(reader.sound(0), c.sounds[0]);
        QVERIFY(reader.sound(0).startsWith("RIFF"));
        QCOMPARE(reader.sound(0).mid(8, 4), QByteArray("WAVE"));
        QVERIFY(reader.sound(2).isEmpty());
        QVERIFY(reader.sound(-1).isEmpty());
    }

    void trayIconsEncodeAndDecode()
    {
        QImage src(16, 16, QImage::Format_ARGB32);
        src.fill(Qt::transparent);
        for (int y = 4; y < 12; ++y)
            for (int x = 2; x < 14; ++x)
                src.setPixel(x, y, x < 8 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
        const TrayIcon icon = DibCodec::encodeTrayIcon(src);
        QCOMPARE(icon.mask.size(), 112);
        QCOMPARE(icon.color.size(), 232);
        const QImage back = DibCodec::decodeTrayIcon(icon);
        QCOMPARE(back.size(), QSize(16, 16));
        QCOMPARE(back.pixel(0, 0), 0u);
        QCOMPARE(back.pixel(3, 5), qRgb(255, 0, 0));
        QCOMPARE(back.pixel(12, 10), qRgb(0, 0, 255));
        TrayIcon broken = icon;
        broken.color.truncate(20);
        QString error;
        QVERIFY(DibCodec::decodeTrayIcon(broken, &error).isNull());
        QVERIFY(error.contains(QStringLiteral("fewer than a 40-byte header")));
    }

    void openFileMapsTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("c.acs"));
        const Character c = testing::SampleCharacter::build();
        QString error;
        QVERIFY2(AcsWriter::writeFile(c, path, &error), qPrintable(error));
        AcsReader reader;
        QVERIFY2(reader.openFile(path), qPrintable(reader.errorString()));
        QCOMPARE(reader.character(), c);
        QVERIFY(!reader.openFile(dir.filePath(QStringLiteral("missing.acs"))));
        QVERIFY(reader.errorString().startsWith(QStringLiteral("cannot open")));
        QVERIFY(!reader.isOpen());
    }

    void cacheStaysWithinItsLimit()
    {
        testing::SampleCharacter::Options o;
        o.side = 64;
        o.imageCount = 20;
        AcsReader reader;
        QVERIFY(reader.openData(writeCharacter(testing::SampleCharacter::build(o))));
        const qint64 limit = 3 * 64 * 64 * 4;
        reader.setCacheLimit(limit);
        QList<QImage> first;
        for (qsizetype i = 0; i < reader.imageCount(); ++i) {
            first.append(reader.image(i));
            QVERIFY(reader.cacheUsed() <= limit);
        }
        QVERIFY(reader.cacheUsed() > 0);
        // Evicted images decode again to the same pixels.
        for (qsizetype i = 0; i < reader.imageCount(); ++i)
            QCOMPARE(reader.image(i), first[i]);
    }

    void decodingFromAnotherThread()
    {
        testing::SampleCharacter::Options o;
        o.side = 64;
        o.imageCount = 24;
        o.animationCount = 6;
        AcsReader reference;
        const QByteArray file = writeCharacter(testing::SampleCharacter::build(o));
        QVERIFY(reference.openData(file));
        QList<QImage> expected;
        for (qsizetype a = 0; a < reference.animations().size(); ++a)
            for (qsizetype f = 0; f < reference.animations()[a].frames.size(); ++f)
                expected.append(reference.frame(a, f, int(f % 7)));

        AcsReader reader;
        QVERIFY(reader.openData(file));
        reader.setCacheLimit(5 * 64 * 64 * 4); // force evictions while both threads run
        const auto decodeAll = [&reader] {
            QList<QImage> out;
            for (int round = 0; round < 3; ++round) {
                out.clear();
                for (qsizetype a = 0; a < reader.animations().size(); ++a)
                    for (qsizetype f = 0; f < reader.animations()[a].frames.size(); ++f)
                        out.append(reader.frame(a, f, int(f % 7)));
            }
            return out;
        };
        QList<QImage> fromWorker;
        std::unique_ptr<QThread> worker(QThread::create([&] { fromWorker = decodeAll(); }));
        worker->start();
        const QList<QImage> fromMain = decodeAll();
        QVERIFY(worker->wait(60000));
        QCOMPARE(fromWorker, expected);
        QCOMPARE(fromMain, expected);
    }
};

QTEST_GUILESS_MAIN(TestAcsReader)
#include "AcsReaderTest.moc"
