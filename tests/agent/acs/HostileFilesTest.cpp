#include "AcsTestUtil.h"

#include "agent/acs/Compression.h"

#include <QDir>
#include <QDirIterator>
#include <QTest>

#include <functional>

using namespace clipvoice::agent::acs;
using namespace acstest;

namespace {

using Mutation = std::function<void(QByteArray&)>;

// Offsets inside the character block of plainCharacter() (no voice, balloon or
// tray icon).
constexpr int kWidth = 0x1C;
constexpr int kFlags = 0x21;
constexpr int kPaletteCount = 0x29;
constexpr int kTrayFlag = 0x29 + 4 + 256 * 4;
constexpr int kStateCount = kTrayFlag + 1;

// Decodes everything the reader offers, as a client would.
void exercise(const AcsReader& reader)
{
    for (qsizetype i = 0; i < reader.imageCount(); ++i) {
        reader.image(i);
        reader.imageRegion(i);
    }
    for (qsizetype a = 0; a < reader.animations().size(); ++a)
        for (qsizetype f = 0; f < reader.animations()[a].frames.size(); ++f)
            for (int mouth = -1; mouth < MouthShapeCount; mouth += 3)
                reader.frame(a, f, mouth);
    for (qsizetype s = 0; s < reader.soundCount(); ++s)
        reader.sound(s);
    reader.character();
}

} // namespace

class TestAcsHostile : public QObject
{
    Q_OBJECT

private slots:
    void coreDamageFailsWithItsOffset_data()
    {
        QTest::addColumn<Mutation>("mutate");
        QTest::addColumn<QString>("expected");
        const auto ch = [](QByteArray& f, int field) { return blockOffset(f, 0) + field; };
        QTest::addRow("character block past the end")
            << Mutation([](QByteArray& f) { setU32(f, 4, quint32(f.size() + 10)); })
            << QStringLiteral("header at offset 0x4: character block (offset");
        QTest::addRow("character block size wraps")
            << Mutation([](QByteArray& f) { setU32(f, 8, 0xFFFFFFFF); })
            << QStringLiteral("lies outside the file");
        QTest::addRow("animation list past the end")
            << Mutation([](QByteArray& f) { setU32(f, 16, quint32(f.size())); })
            << QStringLiteral("header at offset 0xc: animation list");
        QTest::addRow("image list too long")
            << Mutation([](QByteArray& f) { setU32(f, 24, 0x7FFFFFFF); })
            << QStringLiteral("header at offset 0x14: image list");
        QTest::addRow("audio list offset huge")
            << Mutation([](QByteArray& f) { setU32(f, 28, 0xFFFFFFF0); })
            << QStringLiteral("audio list (offset 0xfffffff0");
        QTest::addRow("character block too short")
            << Mutation([](QByteArray& f) { setU32(f, 8, 0x20); })
            << QStringLiteral("is 32 bytes, too short");
        QTest::addRow("zero width")
            << Mutation([ch](QByteArray& f) { setU16(f, ch(f, kWidth), 0); })
            << QStringLiteral("character size 0 x 16 is outside 1..2048");
        QTest::addRow("huge width")
            << Mutation([ch](QByteArray& f) { setU16(f, ch(f, kWidth), 0xFFFF); })
            << QStringLiteral("character size 65535 x 16");
        QTest::addRow("palette count")
            << Mutation([ch](QByteArray& f) { setU32(f, ch(f, kPaletteCount), 300); })
            << QStringLiteral("palette count 300 is more than 256");
        QTest::addRow("tray icon flag")
            << Mutation([ch](QByteArray& f) { f[ch(f, kTrayFlag)] = 7; })
            << QStringLiteral("tray icon flag is 7");
        QTest::addRow("state count")
            << Mutation([ch](QByteArray& f) { setU16(f, ch(f, kStateCount), 0xFFFF); })
            << QStringLiteral("state count 65535 cannot fit");
        QTest::addRow("state name length")
            << Mutation([ch](QByteArray& f) { setU32(f, ch(f, kStateCount + 2), 0x7FFFFFFF); })
            << QStringLiteral("state name claims 2147483647 characters");
        QTest::addRow("localized information outside")
            << Mutation([ch](QByteArray& f) { setU32(f, ch(f, 4), quint32(f.size() - 2)); })
            << QStringLiteral("localized information (offset");
        QTest::addRow("localized entry count")
            << Mutation([](QByteArray& f) { setU16(f, u32At(f, blockOffset(f, 0) + 4), 0x4000); })
            << QStringLiteral("localized entry count 16384 cannot fit");
        QTest::addRow("animation count")
            << Mutation([](QByteArray& f) { setU32(f, blockOffset(f, 1), 0x10000000); })
            << QStringLiteral("animation count 268435456 cannot fit");
        QTest::addRow("animation name length")
            << Mutation([](QByteArray& f) { setU32(f, blockOffset(f, 1) + 4, 0x100000); })
            << QStringLiteral("animation name claims 1048576 characters");
        QTest::addRow("image count")
            << Mutation([](QByteArray& f) { setU32(f, blockOffset(f, 2), 0xFFFFFFFF); })
            << QStringLiteral("image count 4294967295 cannot fit");
        QTest::addRow("sound count")
            << Mutation([](QByteArray& f) { setU32(f, blockOffset(f, 3), 1000); })
            << QStringLiteral("sound count 1000 cannot fit");
        QTest::addRow("truncated header")
            << Mutation([](QByteArray& f) { f.truncate(20); })
            << QStringLiteral("file header at offset 0x14: block offset needs 4 bytes");
        QTest::addRow("every animation unreadable") << Mutation([](QByteArray& f) {
            // Both animation blocks start with a name; claim it is huge.
            for (qsizetype at = blockOffset(f, 1) + 4, i = 0; i < 2; ++i) {
                const quint32 nameUnits = u32At(f, at);
                const quint32 block = u32At(f, at + 4 + 2 * (nameUnits + 1));
                setU32(f, block, 0x00FFFFFF);
                at += 4 + 2 * (nameUnits + 1) + 8;
            }
        }) << QStringLiteral("none of the 2 animations can be read");
        QTest::addRow("every image unreadable") << Mutation([](QByteArray& f) {
            for (int i = 0; i < 4; ++i)
                setU32(f, blockOffset(f, 2) + 4 + 12 * i, 0xFFFFFF00);
        }) << QStringLiteral("none of the 4 images can be read");
        QTest::addRow("scrambled blocks") << Mutation([](QByteArray& f) {
            for (qsizetype i = 36; i < f.size(); ++i)
                f[i] = char(uchar(f[i]) ^ uchar(0xA5 + i * 31));
        }) << QStringLiteral("character block at offset");
    }

    void coreDamageFailsWithItsOffset()
    {
        QFETCH(Mutation, mutate);
        QFETCH(QString, expected);
        QByteArray file = writeCharacter(plainCharacter());
        mutate(file);
        AcsReader reader;
        QVERIFY(!reader.openData(file));
        QVERIFY(!reader.isOpen());
        QVERIFY2(reader.errorString().startsWith(
                     QStringLiteral("character file is damaged or encrypted: ")),
                 qPrintable(reader.errorString()));
        QVERIFY2(reader.errorString().contains(expected), qPrintable(reader.errorString()));
    }

    void foreignFilesAreRecognised()
    {
        AcsReader reader;
        QByteArray ole = QByteArray::fromHex("d0cf11e0a1b11ae1");
        ole.append(600, '\0');
        QVERIFY(!reader.openData(ole));
        QCOMPARE(reader.errorString(),
                 QStringLiteral("unsupported character file: Agent 1.5 format"));
        QByteArray acf = writeCharacter(plainCharacter());
        acf[0] = char(0xC4);
        QVERIFY(!reader.openData(acf));
        QVERIFY(
            reader.errorString().contains(QStringLiteral("ACF web format is not supported yet")));
        QVERIFY(!reader.openData(QByteArray::fromHex("01000200") + QByteArray(100, '\0')));
        QVERIFY(reader.errorString().contains(QStringLiteral("ACA animation files")));
        QVERIFY(!reader.openData(QByteArray("PK\x03\x04 not a character")));
        QVERIFY(reader.errorString().startsWith(QStringLiteral("not a character file")));
        QVERIFY(!reader.openData(QByteArray()));
    }

    void damagedPartsLeaveTheRestLoaded_data()
    {
        QTest::addColumn<Mutation>("mutate");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<int>("animations");
        QTest::addRow("animation outside the file") << Mutation([](QByteArray& f) {
            const qsizetype at = blockOffset(f, 1) + 4;
            setU32(f, at + 4 + 2 * (u32At(f, at) + 1), quint32(f.size()));
        }) << QStringLiteral("lies outside the file")
                                                    << 1;
        QTest::addRow("frame count") << Mutation([](QByteArray& f) {
            const qsizetype at = blockOffset(f, 1) + 4;
            const quint32 block = u32At(f, at + 4 + 2 * (u32At(f, at) + 1));
            // name, transition type, empty return name (type 0 has "RestPose")
            const quint32 name = u32At(f, block);
            const quint32 ret = block + 4 + 2 * (name + 1) + 1;
            const quint32 frames = ret + 4 + 2 * (u32At(f, ret) + 1);
            setU16(f, frames, 0xFFFF);
        }) << QStringLiteral("frame count 65535 cannot fit")
                                     << 1;
        QTest::addRow("image outside the file")
            << Mutation([](QByteArray& f) { setU32(f, blockOffset(f, 2) + 4 + 12, 0xFFFFFFF0); })
            << QStringLiteral("image 1: image list at offset") << 2;
        QTest::addRow("image too large")
            << Mutation([](QByteArray& f) { setU16(f, imageBlock(f, 2) + 1, 5000); })
            << QStringLiteral("image size 5000 x 16 is larger than 256 x 256") << 2;
        QTest::addRow("pixel data past the block")
            << Mutation([](QByteArray& f) { setU32(f, imageBlock(f, 0) + 6, 0x10000); })
            << QStringLiteral("pixel data needs 65536 bytes") << 2;
        QTest::addRow("region past the block") << Mutation([](QByteArray& f) {
            const qsizetype b = imageBlock(f, 0);
            setU32(f, b + 10 + u32At(f, b + 6), 0x1000);
        }) << QStringLiteral("region data needs 4096 bytes")
                                               << 2;
        QTest::addRow("sound outside the file")
            << Mutation([](QByteArray& f) { setU32(f, blockOffset(f, 3) + 8, 0xFFFFFF); })
            << QStringLiteral("audio list at offset") << 2;
    }

    void damagedPartsLeaveTheRestLoaded()
    {
        QFETCH(Mutation, mutate);
        QFETCH(QString, warning);
        QFETCH(int, animations);
        const Character original = plainCharacter();
        QByteArray file = writeCharacter(original);
        mutate(file);
        AcsLogCapture log;
        AcsReader reader;
        QVERIFY2(reader.openData(file, QStringLiteral("Damaged.acs")),
                 qPrintable(reader.errorString()));
        const QString warnings = reader.warnings().join(u'\n');
        QVERIFY2(warnings.contains(warning), qPrintable(warnings));
        QCOMPARE(reader.animations().size(), animations);
        QCOMPARE(reader.imageCount(), original.images.size());
        exercise(reader);
        // Each warning reached the log once, naming the file, however much was
        // decoded afterwards.
        for (const QString& w : reader.warnings())
            QCOMPARE(log.count(QStringLiteral("Damaged.acs: ") + w), 1);
        // Untouched images still decode exactly.
        QCOMPARE(reader.readImage(3).image, original.images[3]);
    }

    void damagedImagesBecomeTransparent()
    {
        const Character original = plainCharacter();
        QByteArray file = writeCharacter(original);
        const qsizetype b = imageBlock(file, 0);
        QCOMPARE(file.at(b + 5), '\x01');
        file[b + 10] = 1; // the stream's leading byte must be 0
        AcsReader reader;
        QVERIFY(reader.openData(file));
        const AcsReader::ImageResult r = reader.readImage(0);
        QVERIFY2(r.error.contains(QStringLiteral("at offset 0x%1").arg(b + 10, 0, 16)),
                 qPrintable(r.error));
        QCOMPARE(r.image.pixels, QByteArray(16 * 16, char(original.info.transparentIndex)));
        const QImage argb = reader.image(0);
        QCOMPARE(argb.size(), QSize(16, 16));
        QCOMPARE(argb.pixel(5, 5), 0u);
        QCOMPARE(reader.readImage(1).image, original.images[1]);
        QVERIFY(reader.readImage(4).error.contains(QStringLiteral("out of range")));
    }

    void rawPixelsTooShort()
    {
        QByteArray file = writeCharacter(plainCharacter());
        replaceImageBlock(file, 1, imageBlockBytes(4, 4, false, QByteArray(15, '\x02')));
        AcsReader reader;
        QVERIFY(reader.openData(file));
        QVERIFY(reader.readImage(1).error.contains(
            QStringLiteral("15 bytes of raw pixels, 16 expected")));
        // A longer raw block is fine: the first bytes are used.
        replaceImageBlock(file, 1, imageBlockBytes(4, 4, false, QByteArray(20, '\x02')));
        QVERIFY(reader.openData(file));
        QCOMPARE(reader.readImage(1).image.pixels, QByteArray(16, '\x02'));
    }

    void quirksOfThirdPartyFiles()
    {
        QByteArray file = writeCharacter(plainCharacter());
        // A single zero byte is an empty image.
        replaceImageBlock(file, 0, QByteArray(1, '\0'));
        // A stream that decodes three bytes past its 4 x 2 image.
        replaceImageBlock(
            file, 1, imageBlockBytes(4, 2, true, Compression::compress(QByteArray(11, '\x03'))));
        // A stream that once refers before the start of its output.
        replaceImageBlock(
            file, 2, imageBlockBytes(4, 2, true, StreamBuilder().literal(7).reference(4, 7).end()));
        AcsReader reader;
        QVERIFY2(reader.openData(file), qPrintable(reader.errorString()));
        QVERIFY2(reader.warnings().isEmpty(), qPrintable(reader.warnings().join(u'\n')));
        const AcsReader::ImageResult empty = reader.readImage(0);
        QVERIFY(empty.error.isEmpty());
        QCOMPARE(empty.image.width, 0);
        QVERIFY(reader.image(0).isNull());
        const AcsReader::ImageResult over = reader.readImage(1);
        QVERIFY2(over.error.isEmpty(), qPrintable(over.error));
        QCOMPARE(over.image.pixels, QByteArray(8, '\x03'));
        const AcsReader::ImageResult before = reader.readImage(2);
        QVERIFY2(before.error.isEmpty(), qPrintable(before.error));
        // Stored bottom row first: 07 00 00 00 / 07 00 00 00.
        QCOMPARE(before.image.pixels, QByteArray("\x07\0\0\0\x07\0\0\0", 8));
        exercise(reader);
    }

    void hugeRegionClaimIsRefused()
    {
        QByteArray file = writeCharacter(plainCharacter());
        QByteArray block = imageBlockBytes(2, 2, false, QByteArray(8, '\x01'));
        const QByteArray stream = Compression::compress(QByteArray(64, '\0'));
        block.chop(8);
        QByteArray sizes(8, '\0');
        setU32(sizes, 0, quint32(stream.size()));
        setU32(sizes, 4, 0x40000000);
        block.append(sizes).append(stream);
        replaceImageBlock(file, 1, block);
        AcsReader reader;
        QVERIFY(reader.openData(file));
        const AcsReader::ImageResult r = reader.readImage(1);
        QVERIFY2(r.error.contains(QStringLiteral("1073741824 bytes claimed, at most 96 allowed")),
                 qPrintable(r.error));
        QCOMPARE(r.image.pixels, QByteArray(4, '\x01'));
    }

    void flagReadingFallsBack()
    {
        // Voice data is present although its "enabled" bit is clear: the reading
        // that uses the "none" bit consumes the block exactly and wins.
        Character c = plainCharacter();
        c.info.voice = testing::SampleCharacter::build().info.voice;
        QByteArray file = writeCharacter(c);
        const qsizetype flagsAt = blockOffset(file, 0) + kFlags;
        setU32(file, flagsAt, u32At(file, flagsAt) & ~StyleFlag::VoiceEnabled);
        AcsReader reader;
        QVERIFY2(reader.openData(file), qPrintable(reader.errorString()));
        QVERIFY(reader.info().voice.has_value());
        QCOMPARE(reader.info().voice->speed, 170u);
        QVERIFY(reader.warnings().isEmpty());
    }

    void everyTruncationIsHandled()
    {
        const AcsLogCapture quiet;
        const QByteArray file = writeCharacter(plainCharacter());
        for (qsizetype n = 0; n < file.size(); ++n) {
            AcsReader reader;
            if (reader.openData(file.left(n)))
                exercise(reader);
            else
                QVERIFY(!reader.errorString().isEmpty());
        }
    }

    void byteMutationsNeverCrash()
    {
        // Each byte replaced by a few interesting values; every result must load or
        // fail cleanly (run under the sanitizers to catch bad reads too).
        const AcsLogCapture quiet;
        const QByteArray file = writeCharacter(plainCharacter());
        int loaded = 0;
        for (qsizetype i = 0; i < file.size(); ++i) {
            for (const uchar v : {uchar(0x00), uchar(0xFF), uchar(0x80), uchar(file[i] + 1)}) {
                QByteArray mutated = file;
                mutated[i] = char(v);
                AcsReader reader;
                if (reader.openData(mutated)) {
                    exercise(reader);
                    ++loaded;
                } else if (!reader.errorString().contains(QStringLiteral("not supported yet"))) {
                    // Every failure says where it happened.
                    QVERIFY2(reader.errorString().contains(QStringLiteral("offset 0x")),
                             qPrintable(reader.errorString()));
                }
                for (const QString& w : reader.warnings())
                    QVERIFY2(w.contains(QStringLiteral("offset 0x")), qPrintable(w));
            }
        }
        QVERIFY(loaded > 0);
    }

    void regressionFilesReplay()
    {
        // Every input the fuzzer ever crashed on is kept here.
        const AcsLogCapture quiet;
        QDirIterator it(QStringLiteral(ACS_REGRESSIONS_DIR), QDir::Files);
        int count = 0;
        while (it.hasNext()) {
            QFile f(it.next());
            QVERIFY(f.open(QIODevice::ReadOnly));
            AcsReader reader;
            if (reader.openData(f.readAll()))
                exercise(reader);
            ++count;
        }
        qInfo("%d regression files replayed", count);
    }
};

QTEST_GUILESS_MAIN(TestAcsHostile)
#include "HostileFilesTest.moc"
