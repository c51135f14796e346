// The cost of decoding stays bounded by the frame size and the file size, also
// for files whose image entries all share a few huge image blocks.

#include "AcsTestUtil.h"

#include "agent/acs/ImageDecoder.h"
#include "agent/acs/testing/HostileCharacter.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace clipvoice::agent::acs;
using namespace acstest;
using testing::HostileCharacter;

namespace {

QByteArray sharedFile(int side, int imageSide, int entries, int blocks = 1)
{
    HostileCharacter::SharedImage o;
    o.side = side;
    o.imageSide = imageSide;
    o.entries = entries;
    o.layers = entries;
    o.blocks = blocks;
    return HostileCharacter::sharedImageFile(o);
}

QRgb colour(int index)
{
    return testing::SampleCharacter::palette().at(index) | 0xFF000000u;
}

// The offset of the first image block's compressed stream.
qsizetype firstStream(const QByteArray& file)
{
    return qsizetype(u32At(file, blockOffset(file, 2) + 4)) + 10;
}

// An image block of `side` x `side` (side a multiple of 4) whose pixel (x, y)
// of stored row y is colour 20 + (x + 3y) % 150: a wrong row or column shows.
// Each row repeats the one before it shifted by three, so the stream is small.
QByteArray patternBlock(int side)
{
    StreamBuilder b;
    for (int x = 0; x < 150; ++x)
        b.literal(quint8(20 + x));
    b.reference(150, side - 150);
    for (int row = 1; row < side; ++row)
        b.reference(side - 3, 150).reference(150, side - 150);
    const QByteArray stream = b.end();
    QByteArray block(10, '\0');
    block[0] = 1;
    setU16(block, 1, quint16(side));
    setU16(block, 3, quint16(side));
    block[5] = 1;
    setU32(block, 6, quint32(stream.size()));
    block.append(stream);
    block.append(8, '\0'); // no region
    return block;
}

} // namespace

class TestAcsBounded : public QObject
{
    Q_OBJECT

private slots:
    void sharedImageIsDecodedOnceForAFrame()
    {
        // As reported: one 4096 x 4096 image listed by 300 entries, all in the
        // first frame of a 1024 x 1024 character.
        AcsReader reader;
        QVERIFY(reader.openData(sharedFile(1024, 4096, 300)));
        const QImage frame = reader.frame(0, 0);
        QCOMPARE(frame.size(), QSize(1024, 1024));
        QCOMPARE(frame.pixel(0, 0), colour(20));
        QCOMPARE(frame.pixel(1023, 1023), colour(20));
        AcsReader::DecodeStatistics stats = reader.decodeStatistics();
        QCOMPARE(stats.imageDecodes, 1);
        // Only the part on the canvas is kept, not the whole 16 MB.
        QCOMPARE(stats.decodedBytes, 1024 * 1024);
        QCOMPARE(stats.layersLeftOut, 0);
        // The cache holds the frame and that part once, nothing per entry.
        QVERIFY(reader.cacheUsed() >= frame.sizeInBytes() + 1024 * 1024);
        QVERIFY2(reader.cacheUsed() <= frame.sizeInBytes() + 1024 * 1024 + 1024,
                 qPrintable(QString::number(reader.cacheUsed())));
        // Another frame showing the same part decodes nothing more.
        QCOMPARE(reader.frame(1, 0), frame);
        QCOMPARE(reader.decodeStatistics().imageDecodes, 1);
    }

    void largeImagePartComposesLikeTheWholeImage()
    {
        // A 2100 x 2100 image (larger than WholeImageLimit) shown twice, at two
        // places, on a 600 x 600 canvas: only the part both show is decoded, and
        // the frame matches one composed from the whole decoded image.
        HostileCharacter::SharedImage o;
        o.side = 600;
        o.imageSide = 4;
        o.entries = 2;
        o.layers = 2;
        o.x = -700;
        o.y = -900;
        o.stepX = 350;
        QByteArray file = HostileCharacter::sharedImageFile(o);
        const QByteArray block = patternBlock(2100);
        QVERIFY(qsizetype(2100) * 2100 > AcsReader::WholeImageLimit);
        for (int entry = 0; entry < 2; ++entry) {
            setU32(file, blockOffset(file, 2) + 4 + 12 * entry, quint32(file.size()));
            setU32(file, blockOffset(file, 2) + 8 + 12 * entry, quint32(block.size()));
        }
        file.append(block);
        AcsReader reader;
        QVERIFY2(reader.openData(file), qPrintable(reader.errorString()));
        const QImage frame = reader.frame(0, 0);
        QCOMPARE(reader.decodeStatistics().imageDecodes, 1);
        QCOMPARE(reader.decodeStatistics().decodedBytes, (1300 - 350) * 600);

        const AcsReader::ImageResult whole = reader.readImage(0);
        QVERIFY2(whole.error.isEmpty(), qPrintable(whole.error));
        const QImage argb = ImageDecoder::toArgb(whole.image, reader.info().palette,
                                                 reader.info().transparentIndex);
        const QImage expected =
            ImageDecoder::compose(QSize(600, 600), {{argb, -700, -900}, {argb, -350, -900}});
        QCOMPARE(frame, expected);
        QCOMPARE(frame.pixel(0, 599), colour(20 + (700 + 3 * (2099 - 599 - 900)) % 150));
    }

    void entriesSharingABlockAreCachedOnce()
    {
        AcsReader reader;
        QVERIFY(reader.openData(sharedFile(64, 256, 8)));
        // Sizes come from the index, without decoding.
        QCOMPARE(reader.imageSize(7), QSize(256, 256));
        QCOMPARE(reader.imageSize(8), QSize(0, 0));
        QCOMPARE(reader.decodeStatistics().imageDecodes, 0);
        const QImage first = reader.image(0);
        QCOMPARE(first.size(), QSize(256, 256));
        for (qsizetype i = 1; i < 8; ++i)
            QCOMPARE(reader.image(i), first);
        QCOMPARE(reader.decodeStatistics().imageDecodes, 1);
        QCOMPARE(reader.cacheUsed(), first.sizeInBytes());
    }

    void layersOffTheCanvasAreNotDecoded_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("decodes");
        QTest::addRow("right of it") << 64 << 0 << 0;
        QTest::addRow("below it") << 0 << 64 << 0;
        QTest::addRow("left of it") << -256 << 10 << 0;
        QTest::addRow("above it") << 10 << -256 << 0;
        QTest::addRow("far away") << -32768 << 32767 << 0;
        QTest::addRow("one column on it") << 63 << 0 << 1;
        QTest::addRow("one row on it") << 0 << -255 << 1;
    }

    void layersOffTheCanvasAreNotDecoded()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, decodes);
        HostileCharacter::SharedImage o;
        o.side = 64;
        o.imageSide = 256;
        o.entries = 20;
        o.layers = 20;
        o.x = x;
        o.y = y;
        AcsReader reader;
        QVERIFY(reader.openData(HostileCharacter::sharedImageFile(o)));
        const QImage frame = reader.frame(0, 0);
        QCOMPARE(reader.decodeStatistics().imageDecodes, decodes);
        const QPoint corner(std::clamp(x, 0, 63), std::clamp(y, 0, 63));
        QCOMPARE(frame.pixel(corner), decodes ? colour(20) : 0u);
    }

    void layersPastTheCoverageLimitAreNotDecoded()
    {
        // 70 distinct images each covering the canvas: the topmost 65 reach the
        // coverage limit, the 5 below them are never decoded.
        AcsReader reader;
        QVERIFY(reader.openData(sharedFile(16, 16, 70, 70)));
        QCOMPARE(reader.frame(0, 0).pixel(5, 5), colour(20));
        QCOMPARE(reader.decodeStatistics().imageDecodes, ImageDecoder::MaxCoverage + 1);
        QCOMPARE(reader.decodeStatistics().layersLeftOut, 0);
    }

    void framePixelLimitLeavesLayersOut()
    {
        // Eight distinct images of the largest size allowed: the first uses up
        // the pixel limit, the other seven are left out with one warning.
        AcsReader reader;
        QVERIFY(reader.openData(sharedFile(64, 256, 8, 8)));
        QCOMPARE(reader.framePixelLimit(), 256 * 256);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral(
                                 "frame 0 of animation \"RestPose\": 7 of its 8 images left out")));
        const QImage frame = reader.frame(0, 0);
        QCOMPARE(frame.pixel(0, 0), colour(20));
        QCOMPARE(reader.decodeStatistics().imageDecodes, 1);
        QCOMPARE(reader.decodeStatistics().decodedBytes, 256 * 256);
        QCOMPARE(reader.decodeStatistics().layersLeftOut, 7);
        // The composed frame is cached: no second warning.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("left out")));
        QCOMPARE(reader.frame(0, 0), frame);
    }

    void frameImageCountLimitLeavesLayersOut()
    {
        // 200 distinct 1 x 1 images side by side: the first MaxImagesPerFrame
        // are drawn, the rest left out.
        HostileCharacter::SharedImage o;
        o.side = 256;
        o.imageSide = 1;
        o.blocks = 200;
        o.entries = 200;
        o.layers = 200;
        o.stepX = 1;
        AcsReader reader;
        QVERIFY(reader.openData(HostileCharacter::sharedImageFile(o)));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("72 of its 200")));
        const QImage frame = reader.frame(0, 0);
        QCOMPARE(reader.decodeStatistics().imageDecodes, AcsReader::MaxImagesPerFrame);
        QCOMPARE(reader.decodeStatistics().layersLeftOut, 200 - AcsReader::MaxImagesPerFrame);
        QCOMPARE(frame.pixel(0, 0), colour(20));
        QCOMPARE(frame.pixel(127, 0), colour(20 + 127));
        QCOMPARE(frame.pixel(128, 0), 0u);
    }

    void damagedSharedBlockIsTriedOnce()
    {
        QByteArray file = sharedFile(64, 256, 50);
        file[firstStream(file)] = 1; // a stream must start with 0
        AcsReader reader;
        QVERIFY(reader.openData(file));
        QCOMPARE(reader.frame(0, 0).pixel(0, 0), 0u);
        QCOMPARE(reader.frame(1, 0).pixel(0, 0), 0u);
        QCOMPARE(reader.decodeStatistics().imageDecodes, 1);
        // character() gives every entry the same transparent buffer.
        const Character c = reader.character();
        QCOMPARE(c.images.size(), 50);
        QCOMPARE(c.images[49].pixels, QByteArray(256 * 256, char(10)));
        QCOMPARE(c.images[49].pixels.constData(), c.images[0].pixels.constData());
    }

    void characterSharesDecodedBuffers()
    {
        AcsReader reader;
        QVERIFY(reader.openData(sharedFile(256, 1024, 300)));
        QString error = QStringLiteral("unset");
        const Character c = reader.character(&error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(c.images.size(), 300);
        QCOMPARE(c.images[0].pixels, QByteArray(1024 * 1024, char(20)));
        for (const IndexedImage& img : c.images)
            QCOMPARE(img.pixels.constData(), c.images[0].pixels.constData());
        QCOMPARE(reader.decodeStatistics().imageDecodes, 1);
    }

    void characterRefusesPastItsBudget()
    {
        // Nine distinct 4096 x 4096 images (144 MiB decoded) in a 280 KB file.
        AcsReader reader;
        QVERIFY(reader.openData(sharedFile(1024, 4096, 9, 9)));
        QCOMPARE(reader.characterBudget(), AcsReader::CharacterBudgetFloor);
        QString error;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("needs 150994944")));
        const Character c = reader.character(&error);
        QVERIFY(c.images.isEmpty());
        QVERIFY2(error.startsWith(QStringLiteral("decoding the whole character needs 150994944 "
                                                 "bytes, more than the 134217728 allowed")),
                 qPrintable(error));
        QCOMPARE(reader.decodeStatistics().imageDecodes, 0);

        // The budget scales with the file and can be given.
        const Character plain = plainCharacter();
        QVERIFY(reader.openData(writeCharacter(plain)));
        QCOMPARE(reader.character(&error), plain);
        QVERIFY(error.isEmpty());
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("more than the 100 ")));
        QVERIFY(reader.character(&error, 100).images.isEmpty());
        QVERIFY(error.contains(QStringLiteral("more than the 100 allowed")));
    }

    void reportedFileIsKeptAsARegression()
    {
        // The fuzzer and acs_hostile_files_test replay this file; it is the one built above.
        QFile f(QStringLiteral(ACS_REGRESSIONS_DIR "/oom-shared-image-block.acs"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        AcsReader reader;
        QVERIFY(reader.openData(f.readAll()));
        QCOMPARE(reader.imageCount(), 300);
        QVERIFY(!reader.frame(0, 0).isNull());
        QCOMPARE(reader.decodeStatistics().imageDecodes, 1);
    }
};

QTEST_GUILESS_MAIN(TestAcsBounded)
#include "BoundedDecodingTest.moc"
