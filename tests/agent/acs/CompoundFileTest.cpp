#include "agent/acs/CompoundFile.h"
#include "agent/acs/testing/CompoundFileWriter.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>
#include <QtEndian>

using namespace clipvoice::agent::acs;
using clipvoice::agent::acs::testing::CompoundFileWriter;
using Damage = CompoundFileWriter::Damage;

namespace {

FileView viewOf(const QByteArray& bytes)
{
    return {reinterpret_cast<const uchar*>(bytes.constData()), bytes.size()};
}

QByteArray pattern(qsizetype size, quint32 seed)
{
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator rng(seed);
    for (char& c : data)
        c = char(rng.bounded(256));
    return data;
}

// Sizes around every boundary the container has: empty, one mini sector, the
// mini stream cutoff and several regular sectors.
const QList<qsizetype> kSizes = {0, 1, 63, 64, 65, 500, 4095, 4096, 4097, 5000, 70000};

CompoundFileWriter writerWithSizes()
{
    CompoundFileWriter w;
    for (int i = 0; i < kSizes.size(); ++i)
        w.addStream(QStringLiteral("anim%1.aaf").arg(i + 1), pattern(kSizes[i], quint32(i)));
    return w;
}

// Opens `file` and reads every stream; returns the first error, or an empty
// string when all of it reads.
QString readAll(const QByteArray& file)
{
    CompoundFile cf;
    QString error;
    if (!cf.open(viewOf(file), &error))
        return error;
    for (const CompoundFile::Entry& e : cf.entries()) {
        QByteArray data;
        if (!cf.read(e, &data, &error))
            return error;
        if (qsizetype(e.size) != data.size())
            return QStringLiteral("read %1 bytes of %2").arg(data.size()).arg(e.size);
    }
    return {};
}

} // namespace

class CompoundFileTest : public QObject
{
    Q_OBJECT

private slots:
    void roundTripsStreamsOfEverySize_data();
    void roundTripsStreamsOfEverySize();
    void findsNamesWithoutRegardToCase();
    void readsAFileWithManyStreams();
    void readsAFileWithoutSmallStreams();
    void readsAFileWhoseFatNeedsADifat();
    void rejectsWhatIsNotACompoundFile();
    void rejectsHostileFiles_data();
    void rejectsHostileFiles();
    void rejectsNamesUsedTwice();
    void survivesEveryTruncation();
    void survivesCorruptedTables();
};

void CompoundFileTest::roundTripsStreamsOfEverySize_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<qsizetype>("sectorSize");
    QTest::newRow("version 3") << 3 << qsizetype(512);
    QTest::newRow("version 4") << 4 << qsizetype(4096);
}

void CompoundFileTest::roundTripsStreamsOfEverySize()
{
    QFETCH(int, version);
    QFETCH(qsizetype, sectorSize);
    CompoundFileWriter w = writerWithSizes();
    const QUuid clsid(QStringLiteral("{BB64DF2F-88E4-11D0-9E87-00C04FD7081F}"));
    w.setRootClsid(clsid);
    w.setVersion(version);
    const QByteArray file = w.write();
    QCOMPARE(file.size() % sectorSize, 0);

    CompoundFile cf;
    QString error;
    QVERIFY2(cf.open(viewOf(file), &error), qPrintable(error));
    QCOMPARE(cf.rootClsid(), clsid);
    QCOMPARE(cf.entries().size(), kSizes.size());
    for (int i = 0; i < kSizes.size(); ++i) {
        const CompoundFile::Entry& e = cf.entries()[i];
        QCOMPARE(e.name, QStringLiteral("anim%1.aaf").arg(i + 1));
        QVERIFY(e.isStream);
        QCOMPARE(qsizetype(e.size), kSizes[i]);
        QCOMPARE(e.inMiniStream, kSizes[i] < 4096);
        QByteArray data("stale");
        QVERIFY2(cf.read(e, &data, &error), qPrintable(error));
        QCOMPARE(data, pattern(kSizes[i], quint32(i)));
    }
}

void CompoundFileTest::findsNamesWithoutRegardToCase()
{
    CompoundFileWriter w;
    w.addStream(QStringLiteral("char.acf"), "character");
    w.addStream(QStringLiteral("anim1.aaf"), "animation");
    const QByteArray file = w.write();
    CompoundFile cf;
    QString error;
    QVERIFY2(cf.open(viewOf(file), &error), qPrintable(error));
    QByteArray data;
    QVERIFY2(cf.read(QStringLiteral("CHAR.ACF"), &data, &error), qPrintable(error));
    QCOMPARE(data, QByteArray("character"));
    QVERIFY(cf.find(QStringLiteral("Anim1.AAF")));
    QVERIFY(!cf.find(QStringLiteral("anim2.aaf")));
    QVERIFY(!cf.read(QStringLiteral("anim2.aaf"), &data, &error));
    QVERIFY2(error.contains(QLatin1String("no stream \"anim2.aaf\"")), qPrintable(error));
}

void CompoundFileTest::readsAFileWithManyStreams()
{
    // Enough streams for a directory and a mini FAT of several sectors each.
    CompoundFileWriter w;
    for (int i = 0; i < 120; ++i)
        w.addStream(QStringLiteral("anim%1.aaf").arg(i + 1), pattern(100 + 37 * i, quint32(i)));
    const QByteArray file = w.write();
    CompoundFile cf;
    QString error;
    QVERIFY2(cf.open(viewOf(file), &error), qPrintable(error));
    QCOMPARE(cf.entries().size(), 120);
    QByteArray data;
    QVERIFY2(cf.read(QStringLiteral("anim120.aaf"), &data, &error), qPrintable(error));
    QCOMPARE(data, pattern(100 + 37 * 119, 119));
    QVERIFY2(cf.read(QStringLiteral("anim7.aaf"), &data, &error), qPrintable(error));
    QCOMPARE(data, pattern(100 + 37 * 6, 6));
}

void CompoundFileTest::readsAFileWithoutSmallStreams()
{
    // No mini stream, so no mini FAT and no root chain.
    CompoundFileWriter w;
    w.addStream(QStringLiteral("char.acf"), pattern(9000, 3));
    QByteArray file = w.write();
    QCOMPARE(qFromLittleEndian<quint32>(file.constData() + 0x3C), CompoundFile::EndOfChain);
    CompoundFile cf;
    QString error;
    QVERIFY2(cf.open(viewOf(file), &error), qPrintable(error));
    QByteArray data;
    QVERIFY2(cf.read(QStringLiteral("char.acf"), &data, &error), qPrintable(error));
    QCOMPARE(data, pattern(9000, 3));

    // An empty mini stream whose root names a start sector anyway is unused.
    const qsizetype root = 512 * (1 + qFromLittleEndian<quint32>(file.constData() + 0x30));
    qToLittleEndian<quint32>(2, file.data() + root + 0x74);
    QVERIFY2(cf.open(viewOf(file), &error), qPrintable(error));
    QVERIFY2(cf.read(QStringLiteral("char.acf"), &data, &error), qPrintable(error));
    QCOMPARE(data, pattern(9000, 3));
}

void CompoundFileTest::readsAFileWhoseFatNeedsADifat()
{
    // 8 MB of sectors need more than the header's 109 FAT sectors.
    CompoundFileWriter w;
    w.addStream(QStringLiteral("char.acf"), pattern(300, 1));
    w.addStream(QStringLiteral("anim1.aaf"), pattern(8 * 1024 * 1024 + 3, 2));
    const QByteArray file = w.write();
    QVERIFY(qFromLittleEndian<quint32>(file.constData() + 0x2C) > 109);
    QCOMPARE(qFromLittleEndian<quint32>(file.constData() + 0x48), 1u);
    CompoundFile cf;
    QString error;
    QVERIFY2(cf.open(viewOf(file), &error), qPrintable(error));
    QByteArray data;
    QVERIFY2(cf.read(QStringLiteral("anim1.aaf"), &data, &error), qPrintable(error));
    QCOMPARE(data, pattern(8 * 1024 * 1024 + 3, 2));
    QVERIFY2(cf.read(QStringLiteral("char.acf"), &data, &error), qPrintable(error));
    QCOMPARE(data, pattern(300, 1));

    QVERIFY(!cf.open(viewOf(w.write(Damage::CyclicDifatChain)), &error));
    QVERIFY2(error.contains(QLatin1String("DIFAT chain loops back to sector")), qPrintable(error));
}

void CompoundFileTest::rejectsWhatIsNotACompoundFile()
{
    CompoundFile cf;
    QString error;
    QVERIFY(!cf.open(viewOf(QByteArray()), &error));
    QVERIFY2(error.contains(QLatin1String("signature")), qPrintable(error));

    QByteArray file = writerWithSizes().write();
    QVERIFY(CompoundFile::hasSignature(viewOf(file)));
    QByteArray wrongVersion = file;
    qToLittleEndian<quint16>(5, wrongVersion.data() + 0x1A);
    QVERIFY(!cf.open(viewOf(wrongVersion), &error));
    QVERIFY2(error.contains(QLatin1String("version 5")), qPrintable(error));

    QByteArray wrongOrder = file;
    qToLittleEndian<quint16>(0xFEFF, wrongOrder.data() + 0x1C);
    QVERIFY(!cf.open(viewOf(wrongOrder), &error));
    QVERIFY2(error.contains(QLatin1String("byte order")), qPrintable(error));
}

void CompoundFileTest::rejectsHostileFiles_data()
{
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("atOpen");

    QTest::newRow("cyclic FAT chain")
        << Damage::CyclicFatChain << "chain of stream \"anim8.aaf\" loops back to sector" << false;
    QTest::newRow("FAT chain out of range")
        << Damage::FatChainOutOfRange << "chain of stream \"anim8.aaf\" names sector" << false;
    QTest::newRow("start sector out of range")
        << Damage::StartSectorOutOfRange << "as its start, out of range" << false;
    QTest::newRow("chain longer than the size")
        << Damage::ChainLongerThanSize
        << "chain of stream \"anim10.aaf\" goes on past the 8 sectors its size needs" << false;
    QTest::newRow("size past the end")
        << Damage::SizePastEnd << "\"anim8.aaf\" (directory entry 8) claims" << true;
    QTest::newRow("4 GB stream") << Damage::HugeStream << "claims 4294967295 bytes" << true;
    QTest::newRow("cyclic directory chain")
        << Damage::CyclicDirectoryChain << "directory chain loops back to sector" << true;
    QTest::newRow("looping directory tree")
        << Damage::LoopingDirectoryTree << "directory tree loops back to entry 1" << true;
    QTest::newRow("directory entry out of range")
        << Damage::DirectoryEntryOutOfRange << "names entry 5000, out of range" << true;
    QTest::newRow("mini stream cutoff") << Damage::MiniCutoff << "cutoff 0 at offset 0x38" << true;
    QTest::newRow("cyclic mini chain")
        << Damage::CyclicMiniChain << "chain of stream \"anim5.aaf\" loops back to mini sector"
        << false;
    QTest::newRow("mini sector out of range")
        << Damage::MiniSectorOutOfRange << "\"anim2.aaf\" names mini sector" << false;
    QTest::newRow("FAT sector out of range")
        << Damage::FatSectorOutOfRange << "FAT sector #0 is sector" << true;
    // Two streams sharing a chain: the second one fails to read, the first
    // (and every other) reads.
    QTest::newRow("shared sectors")
        << Damage::SharedSectors << "belongs to both stream \"anim8.aaf\" and stream \"anim9.aaf\""
        << false;
    QTest::newRow("shared mini sectors")
        << Damage::SharedMiniSectors
        << "mini sector 0 belongs to both stream \"anim2.aaf\" and stream \"anim3.aaf\"" << false;
}

void CompoundFileTest::rejectsHostileFiles()
{
    QFETCH(Damage, damage);
    QFETCH(QString, expected);
    QFETCH(bool, atOpen);

    const QByteArray file = writerWithSizes().write(damage);
    CompoundFile cf;
    QString error;
    const bool opened = cf.open(viewOf(file), &error);
    QCOMPARE(opened, !atOpen);
    if (opened) {
        // The damage is found when the damaged stream is read; the others read.
        int failures = 0;
        for (const CompoundFile::Entry& e : cf.entries()) {
            QByteArray data;
            QString readError;
            if (!cf.read(e, &data, &readError)) {
                ++failures;
                error = readError;
                QVERIFY(data.isEmpty());
            }
        }
        QCOMPARE(failures, 1);
    }
    QVERIFY2(error.startsWith(QLatin1String("compound file is damaged: ")), qPrintable(error));
    QVERIFY2(error.contains(expected), qPrintable(error));
}

void CompoundFileTest::rejectsNamesUsedTwice()
{
    // Names are looked up without regard to case, so these two would clash.
    CompoundFileWriter w;
    w.addStream(QStringLiteral("anim1.aaf"), "first");
    w.addStream(QStringLiteral("ANIM1.AAF"), "second");
    CompoundFile cf;
    QString error;
    QVERIFY(!cf.open(viewOf(w.write()), &error));
    QVERIFY2(error.contains(QLatin1String("is used twice in the root")), qPrintable(error));
}

void CompoundFileTest::survivesEveryTruncation()
{
    // Cut at every mini sector boundary: each cut either fails with an error or
    // reads streams that fit (the cut fell after everything a stream uses).
    const QByteArray file = writerWithSizes().write();
    int failures = 0;
    for (qsizetype size = 0; size < file.size(); size += 64) {
        const QString error = readAll(file.left(size));
        if (!error.isEmpty())
            ++failures;
    }
    QVERIFY(failures > 0);
    // The last stream ends the file with 70000 % 512 = 368 bytes in its last
    // sector: a file cut inside them holds a partial sector, too short for it.
    QString error = readAll(file.left(file.size() - 512 + 100));
    QVERIFY2(error.contains(QLatin1String("\"anim11.aaf\": sector")), qPrintable(error));
    QVERIFY2(error.contains(QLatin1String("runs past the end of the file")), qPrintable(error));
    // Cut where the padding begins, every stream is still whole.
    error = readAll(file.left(file.size() - 512 + 368));
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void CompoundFileTest::survivesCorruptedTables()
{
    // Random values in the header, FAT, directory and mini FAT must never crash,
    // hang or read outside the file (the sanitizer build checks the latter).
    const QByteArray file = writerWithSizes().write();
    QRandomGenerator rng(17);
    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < 2000; ++round) {
        QByteArray copy = file;
        for (int k = 0; k < 4; ++k) {
            const qsizetype at = rng.bounded(qsizetype(0x1400)) & ~qsizetype(3);
            qToLittleEndian<quint32>(rng.generate(), copy.data() + at);
        }
        readAll(copy);
    }
    QVERIFY2(timer.elapsed() < 20000, "corrupted files took too long to reject");
}

QTEST_APPLESS_MAIN(CompoundFileTest)
#include "CompoundFileTest.moc"
