// Warnings about a damaged character reach the "clipvoice.acs" log, naming the
// file and the place, once per problem however often the damaged part is used.

#include "AcsTestUtil.h"

#include "agent/acs/Compression.h"
#include "agent/acs/testing/HostileCharacter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace clipvoice::agent::acs;
using namespace acstest;

namespace {

const QString kName = QStringLiteral("Damaged.acs");

// Draws every frame, with and without a mouth, and reads every image.
void drawEverything(const AcsReader& reader)
{
    for (qsizetype a = 0; a < reader.animations().size(); ++a)
        for (qsizetype f = 0; f < reader.animations()[a].frames.size(); ++f)
            for (int mouth = -1; mouth < MouthShapeCount; mouth += 3)
                reader.frame(a, f, mouth);
    for (qsizetype i = 0; i < reader.imageCount(); ++i) {
        reader.image(i);
        reader.readImage(i);
        reader.imageRegion(i);
    }
}

} // namespace

class TestAcsLog : public QObject
{
    Q_OBJECT

private slots:
    void loadWarningsNameTheFile()
    {
        QByteArray file = writeCharacter(plainCharacter());
        setU32(file, blockOffset(file, 3) + 8, 0xFFFFFF); // sound 0 lies past the end
        const QTemporaryDir dir;
        const QString path = dir.filePath(kName);
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
        out.close();

        AcsLogCapture log;
        AcsReader reader;
        QVERIFY2(reader.openFile(path), qPrintable(reader.errorString()));
        QCOMPARE(reader.warnings().size(), 1);
        QVERIFY(reader.warnings().first().startsWith(QStringLiteral("audio list at offset 0x")));
        QCOMPARE(log.messages(),
                 QStringList{path + QStringLiteral(": ") + reader.warnings().first()});
        drawEverything(reader);
        QCOMPARE(log.messages().size(), 1);

        // Opened again, the file is reported again.
        QVERIFY(reader.openFile(path));
        QCOMPARE(log.messages().size(), 2);
        // Data opened without a name is still named in the log.
        QVERIFY(reader.openData(file));
        QCOMPARE(log.messages().size(), 3);
        QVERIFY2(log.messages().last().startsWith(QStringLiteral("character data: audio list")),
                 qPrintable(log.messages().last()));
    }

    void failedOpenLogsNothing()
    {
        // The damage found before the failure is summed up in the error, which
        // the caller reports.
        QByteArray file = writeCharacter(plainCharacter());
        setU32(file, blockOffset(file, 3) + 8, 0xFFFFFF);
        for (int i = 0; i < 4; ++i)
            setU32(file, blockOffset(file, 2) + 4 + 12 * i, 0xFFFFFF00);
        AcsLogCapture log;
        AcsReader reader;
        QVERIFY(!reader.openData(file, kName));
        QVERIFY(log.messages().isEmpty());
    }

    void damagedImageIsLoggedOnce()
    {
        QByteArray file = writeCharacter(plainCharacter());
        const qsizetype block = imageBlock(file, 0);
        file[block + 10] = 1; // the stream's leading byte must be 0
        AcsLogCapture log;
        AcsReader reader;
        reader.setCacheLimit(0); // nothing is kept: every use decodes again
        QVERIFY(reader.openData(file, kName));
        QVERIFY(reader.warnings().isEmpty()); // the damage shows only when decoding
        drawEverything(reader);
        drawEverything(reader);
        reader.character();
        QVERIFY(!reader.readImage(0).error.isEmpty());
        QVERIFY(reader.decodeStatistics().imageDecodes > 8);
        QCOMPARE(log.messages().size(), 1);
        const QString expected =
            QStringLiteral("Damaged.acs: image 0 at offset 0x%1: ").arg(block + 10, 0, 16);
        QVERIFY2(log.messages().first().startsWith(expected), qPrintable(log.messages().first()));
    }

    void damagedRegionIsLoggedOnce()
    {
        // Image 1 claims 1 GB of region data.
        QByteArray file = writeCharacter(plainCharacter());
        QByteArray block = imageBlockBytes(2, 2, false, QByteArray(8, '\x01'));
        const QByteArray stream = Compression::compress(QByteArray(64, '\0'));
        block.chop(8);
        QByteArray sizes(8, '\0');
        setU32(sizes, 0, quint32(stream.size()));
        setU32(sizes, 4, 0x40000000);
        block.append(sizes).append(stream);
        replaceImageBlock(file, 1, block);
        AcsLogCapture log;
        AcsReader reader;
        QVERIFY(reader.openData(file, kName));
        drawEverything(reader);
        drawEverything(reader);
        reader.character();
        QCOMPARE(log.messages().size(), 1);
        QVERIFY2(log.messages().first().startsWith(
                     QStringLiteral("Damaged.acs: image 1 region at offset 0x%1: 1073741824 bytes "
                                    "claimed")
                         .arg(file.size() - stream.size(), 0, 16)),
                 qPrintable(log.messages().first()));
    }

    void leftOutLayersAreLoggedOncePerFrame()
    {
        // Eight distinct images of the largest size allowed in one frame of
        // each animation: seven are left out each time the frame is composed.
        testing::HostileCharacter::SharedImage o;
        o.side = 64;
        o.imageSide = 256;
        o.entries = 8;
        o.layers = 8;
        o.blocks = 8;
        AcsLogCapture log;
        AcsReader reader;
        reader.setCacheLimit(0);
        QVERIFY(reader.openData(testing::HostileCharacter::sharedImageFile(o), kName));
        for (int i = 0; i < 3; ++i) {
            reader.frame(0, 0);
            reader.frame(1, 0);
        }
        QCOMPARE(reader.decodeStatistics().layersLeftOut, 6 * 7);
        QCOMPARE(log.messages().size(), 2);
        QCOMPARE(log.count(QStringLiteral("Damaged.acs: frame 0 of animation \"RestPose\": 7 of "
                                          "its 8 images left out")),
                 1);
        QCOMPARE(log.count(QStringLiteral("Damaged.acs: frame 0 of animation \"Show\"")), 1);
    }
};

QTEST_GUILESS_MAIN(TestAcsLog)
#include "DamageLogTest.moc"
