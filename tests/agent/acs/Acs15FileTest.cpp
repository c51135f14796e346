#include "agent/acs/format15/Acs15File.h"
#include "agent/acs/Compression.h"
#include "agent/acs/format15/Animation15Reader.h"
#include "agent/acs/format15/Character15Reader.h"
#include "agent/acs/format15/Stream15.h"
#include "agent/acs/testing/Acs15Fixtures.h"
#include "agent/acs/testing/Acs15Writer.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <atomic>
#include <thread>

using namespace clipvoice::agent::acs;
using namespace clipvoice::agent::acs::testing;
using Damage = CompoundFileWriter::Damage;
using BalloonLastByte = Acs15WriteOptions::BalloonLastByte;

Q_DECLARE_METATYPE(Acs15WriteOptions)

namespace {

void setU32(QByteArray& data, qsizetype at, quint32 v)
{
    qToLittleEndian(v, data.data() + at);
}

void setU16(QByteArray& data, qsizetype at, quint16 v)
{
    qToLittleEndian(v, data.data() + at);
}

// Opens `file` and reads every animation; returns the first error, or an
// empty string when everything reads.
QString openAndReadAll(const QByteArray& file)
{
    Acs15File acs;
    QString error;
    if (!acs.openData(file, &error))
        return error;
    for (qsizetype i = 0; i < acs.character().animations.size(); ++i) {
        Animation15 a;
        if (!acs.readAnimation(i, &a, &error, nullptr))
            return error;
    }
    return {};
}

// A small animation whose every count and size field sits at a known offset:
// one sound (at 2), one image (its size at 2 + 4 + sound), one frame.
Animation15 tinyAnimation(int width, int height)
{
    Animation15 a;
    a.sounds = {wave15(10)};
    a.images = {shapeImage15(width, height, 0, 1, 16)};
    Frame15 f;
    f.imageIndex = 0;
    f.soundIndex = 0;
    f.branches = {{0, 50}};
    f.overlays = {mouthOverlay15(2, 1, 1, 5, 4, 0, 16)};
    a.frames = {f};
    return a;
}

// Writes `bits` (least significant first) into a stream after the lead byte.
class BitWriter
{
public:
    void put(quint32 value, int count)
    {
        for (int i = 0; i < count; ++i) {
            if (m_bit == 0)
                data.append('\0');
            if (value & (1u << i))
                data[data.size() - 1] = char(quint8(data.back()) | (1u << m_bit));
            m_bit = (m_bit + 1) % 8;
        }
    }
    QByteArray data = QByteArray(1, '\0');

private:
    int m_bit = 0;
};

} // namespace

class Acs15FileTest : public QObject
{
    Q_OBJECT

private slots:
    void fixturesRoundTrip_data();
    void fixturesRoundTrip();
    void fileOnDisk();
    void balloonLastByte_data();
    void balloonLastByte();
    void damagedStreamFailsOnlyItsAnimation();
    void missingStreamLeavesOnlyItsAnimationOut();
    void animationStreamHeader_data();
    void animationStreamHeader();
    void decodedSizeIsBoundedBeforeAllocating();
    void densestStreamFitsTheBound();
    void notACharacter();
    void hostileContainers_data();
    void hostileContainers();
    void truncatedCharacterBlock();
    void truncatedAnimationBlock();
    void truncatedFiles();
    void countsBeyondTheBlock_data();
    void countsBeyondTheBlock();
    void characterLimits();
    void unusualValuesAreKeptAndReported();
    void concurrentReads();
    void randomDamage();
};

void Acs15FileTest::fixturesRoundTrip_data()
{
    QTest::addColumn<int>("index");
    const QList<Acs15Fixture> all = allAcs15Fixtures();
    for (int i = 0; i < all.size(); ++i)
        QTest::newRow(qPrintable(all[i].name)) << i;
}

void Acs15FileTest::fixturesRoundTrip()
{
    QFETCH(int, index);
    const Acs15Fixture f = allAcs15Fixtures()[index];
    const QByteArray bytes = f.write();
    QVERIFY2(bytes.size() < 256 * 1024, qPrintable(QString::number(bytes.size())));
    QVERIFY(Acs15File::hasSignature({reinterpret_cast<const uchar*>(bytes.constData()), 16}));

    Acs15File file;
    QString error;
    QVERIFY2(file.openData(bytes, &error), qPrintable(error));
    QCOMPARE(file.warnings(), QStringList());
    QCOMPARE(file.fileSize(), bytes.size());
    QCOMPARE(file.character(), f.character);
    for (qsizetype i = 0; i < f.animations.size(); ++i) {
        Animation15 a;
        QStringList warnings;
        const bool ok = file.readAnimation(i, &a, &error, &warnings);
        if (i == f.damagedAnimation) {
            QVERIFY(!ok);
            continue;
        }
        QVERIFY2(ok, qPrintable(error));
        QCOMPARE(warnings, QStringList());
        QCOMPARE(a, f.animations[i]);
    }
}

void Acs15FileTest::fileOnDisk()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const Acs15Fixture f = smallCharacter15();
    const QString path = dir.filePath(QStringLiteral("small.acs"));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    const QByteArray bytes = f.write();
    out.write(bytes);
    out.close();

    Acs15File file;
    QString error;
    QVERIFY2(file.openFile(path, &error), qPrintable(error));
    QCOMPARE(file.fileSize(), bytes.size());
    QCOMPARE(file.character(), f.character);
    Animation15 a;
    QVERIFY2(file.readAnimation(2, &a, &error), qPrintable(error));
    QCOMPARE(a, f.animations[2]);

    QVERIFY(!file.openFile(dir.filePath(QStringLiteral("absent.acs")), &error));
    QVERIFY2(error.contains(QLatin1String("absent.acs")), qPrintable(error));
}

void Acs15FileTest::balloonLastByte_data()
{
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("written");
    QTest::addColumn<bool>("retried");
    QTest::newRow("31 with the byte") << 31 << int(BalloonLastByte::ByVersion) << false;
    QTest::newRow("30 without the byte") << 30 << int(BalloonLastByte::ByVersion) << false;
    QTest::newRow("31 without the byte") << 31 << int(BalloonLastByte::Never) << true;
    QTest::newRow("30 with the byte") << 30 << int(BalloonLastByte::Always) << true;
}

void Acs15FileTest::balloonLastByte()
{
    QFETCH(int, minor);
    QFETCH(int, written);
    QFETCH(bool, retried);
    Acs15Fixture f = minor30Character15();
    f.character.info.minorVersion = quint16(minor);
    Acs15WriteOptions options;
    options.balloonLastByte = BalloonLastByte(written);
    const QByteArray block = characterBlock15(f.character, options);
    const QByteArray byVersion = characterBlock15(f.character);
    QCOMPARE(block.size() - byVersion.size(),
             retried ? (minor >= 31 ? -1 : 1) : 0); // the rule decides the layout

    Character15 c;
    QString error;
    QStringList warnings;
    QVERIFY2(readCharacterBlock15(block, &c, &error, &warnings), qPrintable(error));
    QCOMPARE(c, f.character);
    QCOMPARE(warnings.size(), retried ? 1 : 0);
    if (retried)
        QVERIFY2(warnings[0].contains(QLatin1String("last byte")), qPrintable(warnings[0]));

    // Through a whole file, the warning reaches the file's warnings and every
    // animation still reads.
    f.options = options;
    Acs15File file;
    QVERIFY2(file.openData(f.write(), &error), qPrintable(error));
    QCOMPARE(file.warnings().size(), retried ? 1 : 0);
    QCOMPARE(openAndReadAll(f.write()), QString());

    // A block that parses neither way reports the first attempt's problem.
    options.characterTrailer = QByteArray(3, '\x01');
    QVERIFY(!readCharacterBlock15(characterBlock15(f.character, options), &c, &error));
    QVERIFY2(error.startsWith(QLatin1String("char.acf at offset")), qPrintable(error));
}

void Acs15FileTest::damagedStreamFailsOnlyItsAnimation()
{
    const Acs15Fixture f = earlyCharacter15();
    QVERIFY(f.damagedAnimation >= 0);
    Acs15File file;
    QString error;
    QVERIFY2(file.openData(f.write(), &error), qPrintable(error));
    QCOMPARE(file.character().animations.size(), f.animations.size());
    for (qsizetype i = 0; i < f.animations.size(); ++i) {
        Animation15 a;
        const bool ok = file.readAnimation(i, &a, &error);
        QCOMPARE(ok, i != f.damagedAnimation);
        if (ok)
            QCOMPARE(a, f.animations[i]);
    }
    Animation15 a;
    QVERIFY(!file.readAnimation(f.damagedAnimation, &a, &error));
    QVERIFY2(error.contains(QLatin1String("animation \"Nervous\" is damaged")), qPrintable(error));
    QVERIFY2(error.contains(QLatin1String("anim3.aaf at offset")), qPrintable(error));
    QVERIFY2(error.contains(QLatin1String("does not decode")), qPrintable(error));

    QVERIFY(!file.readAnimation(-1, &a, &error));
    QVERIFY(!file.readAnimation(f.animations.size(), &a, &error));
    QVERIFY2(error.contains(QLatin1String("no animation")), qPrintable(error));
}

void Acs15FileTest::missingStreamLeavesOnlyItsAnimationOut()
{
    Acs15Fixture f = smallCharacter15();
    f.options.missingAnimation = 1;
    Acs15File file;
    QString error;
    QVERIFY2(file.openData(f.write(), &error), qPrintable(error));
    QCOMPARE(file.warnings().size(), 1);
    QVERIFY2(file.warnings()[0].contains(QLatin1String("anim2.aaf")),
             qPrintable(file.warnings()[0]));
    Animation15 a;
    QVERIFY(!file.readAnimation(1, &a, &error));
    QVERIFY2(error.contains(QLatin1String("missing")), qPrintable(error));
    QVERIFY2(file.readAnimation(0, &a, &error), qPrintable(error));
    QVERIFY2(file.readAnimation(3, &a, &error), qPrintable(error));
    QCOMPARE(a, f.animations[3]);

    // Without any of its animation streams the file is no character.
    f.character.animations = f.character.animations.mid(1, 1);
    f.animations = f.animations.mid(1, 1);
    f.options.missingAnimation = 0;
    QVERIFY(!file.openData(f.write(), &error));
    QVERIFY2(error.contains(QLatin1String("none of the 1 animation streams")), qPrintable(error));
}

void Acs15FileTest::animationStreamHeader_data()
{
    QTest::addColumn<Acs15WriteOptions>("options");
    QTest::addColumn<bool>("reads");
    QTest::addColumn<QString>("message"); // in the error, or in the warnings
    Acs15WriteOptions o;
    o.rawAnimation = 1;
    QTest::newRow("stored uncompressed") << o << true << QString();
    o = {};
    o.wrongStampAnimation = 1;
    QTest::newRow("other stamp") << o << true << QStringLiteral("stamp");
    o = {};
    o.wrongVersionAnimation = 1;
    QTest::newRow("other version") << o << false << QStringLiteral("differs from the character's");
    o = {};
    o.wrongDecodedSizeAnimation = 1;
    QTest::newRow("one byte more") << o << false << QStringLiteral("does not decode");
    o.wrongDecodedSizeDelta = -1;
    QTest::newRow("one byte less") << o << false << QStringLiteral("does not decode");
}

void Acs15FileTest::animationStreamHeader()
{
    QFETCH(Acs15WriteOptions, options);
    QFETCH(bool, reads);
    QFETCH(QString, message);
    Acs15Fixture f = smallCharacter15();
    f.options = options;
    Acs15File file;
    QString error;
    QVERIFY2(file.openData(f.write(), &error), qPrintable(error));
    Animation15 a;
    QStringList warnings;
    QCOMPARE(file.readAnimation(1, &a, &error, &warnings), reads);
    if (reads) {
        QCOMPARE(a, f.animations[1]);
        QCOMPARE(warnings.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(warnings[0].contains(message), qPrintable(warnings[0]));
    } else {
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY2(error.contains(QLatin1String("anim2.aaf at offset")), qPrintable(error));
    }
    QVERIFY2(file.readAnimation(0, &a, &error), qPrintable(error));

    // Flags other than 0 and 1, and raw streams whose sizes disagree.
    QByteArray stream = animationStream15(animationBlock15(f.animations[1]), 31, 1, 0, false);
    AnimationStreamExpectation15 expected;
    QByteArray block;
    QVERIFY(decodeAnimationStream15(stream, QStringLiteral("s"), expected, &block, &error));
    setU32(stream, 9, quint32(block.size() + 1));
    QVERIFY(!decodeAnimationStream15(stream, QStringLiteral("s"), expected, &block, &error));
    // Compressed sizes that disagree with the stream, either way.
    QByteArray packed = animationStream15(animationBlock15(f.animations[1]), 31, 1, 0);
    QVERIFY(decodeAnimationStream15(packed, QStringLiteral("s"), expected, &block, &error));
    for (qint64 delta : {-1, 1}) {
        QByteArray changed = packed;
        setU32(changed, 13, quint32(changed.size() - 17 + delta));
        QVERIFY(!decodeAnimationStream15(changed, QStringLiteral("s"), expected, &block, &error));
        QVERIFY2(error.contains(QLatin1String("s at offset 0xd: compressed size")),
                 qPrintable(error));
        QByteArray charStream = characterStream15(characterBlock15(f.character));
        QVERIFY(decodeCharacterStream15(charStream, &block, &error));
        setU32(charStream, 8, quint32(charStream.size() - 12 + delta));
        QVERIFY(!decodeCharacterStream15(charStream, &block, &error));
        QVERIFY2(error.contains(QLatin1String("char.acf at offset 0x8: compressed size")),
                 qPrintable(error));
    }
    stream[8] = 2;
    QVERIFY(!decodeAnimationStream15(stream, QStringLiteral("s"), expected, &block, &error));
    QVERIFY2(error.contains(QLatin1String("flag 2")), qPrintable(error));
}

void Acs15FileTest::decodedSizeIsBoundedBeforeAllocating()
{
    // A stream of a few hundred bytes claiming 60 MB fails on the header,
    // without decoding or allocating.
    Acs15Fixture f = smallCharacter15();
    f.options.hugeDecodedSizeAnimation = 0;
    Acs15File file;
    QString error;
    QVERIFY2(file.openData(f.write(), &error), qPrintable(error));
    Animation15 a;
    QVERIFY(!file.readAnimation(0, &a, &error));
    QVERIFY2(error.contains(QLatin1String("compressed bytes can hold")), qPrintable(error));
    QVERIFY2(error.contains(QLatin1String("anim1.aaf at offset 0x9")), qPrintable(error));

    f.options = {};
    f.options.characterDecodedSize = 60u * 1024 * 1024;
    QVERIFY(!file.openData(f.write(), &error));
    QVERIFY2(error.contains(QLatin1String("char.acf at offset 0x4")), qPrintable(error));
    QVERIFY2(error.contains(QLatin1String("compressed bytes can hold")), qPrintable(error));

    // Above the absolute cap, even if the compressed size could hold it.
    const QByteArray big(4 * 1024 * 1024, '\0');
    QByteArray stream = animationStream15(big, 31, 1, 0);
    QVERIFY(maxDecodedSize15(stream.size() - 17) > MaxDecodedBlock15 / 32);
    setU32(stream, 9, 0xFFFFFFFF);
    QByteArray block;
    QVERIFY(!decodeAnimationStream15(stream, QStringLiteral("s"), {}, &block, &error));
    QVERIFY2(error.contains(QLatin1String("bytes allowed")), qPrintable(error));
    QVERIFY(block.isEmpty());
}

void Acs15FileTest::densestStreamFitsTheBound()
{
    // One literal, then back-references of distance 1 and the longest length:
    // the densest stream the scheme allows. It must decode, and its size must
    // sit just under the bound, so that the bound rejects nothing real and is
    // not far above what is possible.
    for (int tokens : {1, 10, 1000}) {
        BitWriter w;
        w.put(0, 1);    // literal
        w.put(0x5A, 8); // its byte
        for (int t = 0; t < tokens; ++t) {
            w.put(1, 1);      // back-reference
            w.put(0, 1);      // distance class 0
            w.put(0, 6);      // distance 1
            w.put(0x7FF, 11); // eleven 1s: length prefix 11
            w.put(0, 1);      // its end
            w.put(0x7FF, 11); // the largest value
        }
        w.put(0xF, 4); // back-reference, class 3
        w.put(0xFFFFF, 20);
        QByteArray stream = w.data;
        stream.append(QByteArray(6, char(0xFF)));
        const qint64 decoded = 1 + qint64(tokens) * 4096;
        QByteArray out(decoded, Qt::Uninitialized);
        const Compression::Result r =
            Compression::decompress(reinterpret_cast<const uchar*>(stream.constData()),
                                    stream.size(), reinterpret_cast<uchar*>(out.data()), decoded);
        QVERIFY2(r.ok, qPrintable(r.error));
        QVERIFY(out.count('\x5A') == decoded);
        const qint64 bound = maxDecodedSize15(stream.size());
        QVERIFY2(decoded <= bound, qPrintable(QStringLiteral("%1 > %2").arg(decoded).arg(bound)));
        if (tokens >= 1000)
            QVERIFY2(decoded > bound * 9 / 10,
                     qPrintable(QStringLiteral("%1 of %2").arg(decoded).arg(bound)));
    }
    // Real compressed data is far below the bound.
    const QByteArray zeros(2 * 1024 * 1024, '\0');
    QVERIFY(maxDecodedSize15(Compression::compress(zeros).size()) >= zeros.size());
}

void Acs15FileTest::notACharacter()
{
    Acs15File file;
    QString error;
    QVERIFY(!file.openData(QByteArray("not a compound file at all"), &error));
    QVERIFY2(error.contains(QLatin1String("compound file signature")), qPrintable(error));
    QVERIFY(!file.openData(QByteArray(), &error));

    Acs15Fixture f = smallCharacter15();
    f.options.omitCharacterStream = true;
    QVERIFY(!file.openData(f.write(), &error));
    QVERIFY2(error.contains(QLatin1String("no char.acf stream")), qPrintable(error));

    f.options = {};
    f.options.characterSignature = 0xABCDABC3;
    QVERIFY(!file.openData(f.write(), &error));
    QVERIFY2(error.contains(QLatin1String("signature 0xabcdabc3")), qPrintable(error));
    QVERIFY2(error.startsWith(QLatin1String("character file is damaged or encrypted")),
             qPrintable(error));

    // A failed open leaves nothing of an earlier character behind.
    QVERIFY2(file.openData(smallCharacter15().write(), &error), qPrintable(error));
    QVERIFY(!file.openData(f.write(), &error));
    QVERIFY(file.character().animations.isEmpty());
}

void Acs15FileTest::hostileContainers_data()
{
    QTest::addColumn<int>("damage");
    QTest::newRow("cyclic FAT chain") << int(Damage::CyclicFatChain);
    QTest::newRow("FAT chain out of range") << int(Damage::FatChainOutOfRange);
    QTest::newRow("start sector out of range") << int(Damage::StartSectorOutOfRange);
    QTest::newRow("size past the end") << int(Damage::SizePastEnd);
    QTest::newRow("stream claiming 4 GB") << int(Damage::HugeStream);
    QTest::newRow("cyclic directory chain") << int(Damage::CyclicDirectoryChain);
    QTest::newRow("looping directory tree") << int(Damage::LoopingDirectoryTree);
    QTest::newRow("directory entry out of range") << int(Damage::DirectoryEntryOutOfRange);
    QTest::newRow("mini stream cutoff") << int(Damage::MiniCutoff);
    QTest::newRow("cyclic mini chain") << int(Damage::CyclicMiniChain);
    QTest::newRow("mini sector out of range") << int(Damage::MiniSectorOutOfRange);
    QTest::newRow("FAT sector out of range") << int(Damage::FatSectorOutOfRange);
    QTest::newRow("chain longer than its size") << int(Damage::ChainLongerThanSize);
}

void Acs15FileTest::hostileContainers()
{
    QFETCH(int, damage);
    // The early character has large streams as well as small ones.
    Acs15Fixture f = earlyCharacter15();
    f.options = {};
    f.options.damage = Damage(damage);
    QElapsedTimer timer;
    timer.start();
    const QString error = openAndReadAll(f.write());
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(!error.isEmpty());
    QVERIFY2(error.contains(QLatin1String("damaged")), qPrintable(error));
}

void Acs15FileTest::truncatedCharacterBlock()
{
    for (const Acs15Fixture& f : {smallCharacter15(), minor30Character15(), earlyCharacter15()}) {
        const QByteArray block = characterBlock15(f.character);
        Character15 c;
        QString error;
        QVERIFY(readCharacterBlock15(block, &c, &error));
        for (qsizetype cut = 0; cut < block.size(); ++cut) {
            if (readCharacterBlock15(block.left(cut), &c, &error))
                QFAIL(qPrintable(QStringLiteral("%1 cut at %2 parsed").arg(f.name).arg(cut)));
            if (!error.startsWith(QLatin1String("char.acf at offset")))
                QFAIL(qPrintable(error));
        }
        QVERIFY(!readCharacterBlock15(block + QByteArray(1, '\0'), &c, &error));
        QVERIFY2(error.contains(QLatin1String("1 bytes are left")), qPrintable(error));
    }
}

void Acs15FileTest::truncatedAnimationBlock()
{
    const Acs15Fixture f = smallCharacter15();
    const CharacterInfo& info = f.character.info;
    const QString name = QStringLiteral("anim3.aaf (decoded)");
    for (const Animation15& animation : {f.animations[0], f.animations[2]}) {
        const QByteArray block = animationBlock15(animation);
        Animation15 a;
        QString error;
        QVERIFY(readAnimationBlock15(block, info.width, info.height, name, &a, &error));
        QCOMPARE(a, animation);
        for (qsizetype cut = 0; cut < block.size();
             cut += (cut < 64 || cut > block.size() - 64) ? 1 : 13) {
            if (readAnimationBlock15(block.left(cut), info.width, info.height, name, &a, &error))
                QFAIL(qPrintable(QStringLiteral("cut at %1 parsed").arg(cut)));
            if (!error.startsWith(name + QLatin1String(" at offset")))
                QFAIL(qPrintable(error));
        }
        QVERIFY(!readAnimationBlock15(block + QByteArray(2, '\0'), info.width, info.height, name,
                                      &a, &error));
        QVERIFY2(error.contains(QLatin1String("2 bytes are left")), qPrintable(error));
        // Another character size does not fit the images.
        QVERIFY(!readAnimationBlock15(block, info.width + 4, info.height, name, &a, &error));
        QVERIFY2(error.contains(QLatin1String("pixel bytes")), qPrintable(error));
    }
}

void Acs15FileTest::truncatedFiles()
{
    // Streams cut short fail on their sizes; whole files cut anywhere fail to
    // open or to read, never crash.
    const Acs15Fixture f = smallCharacter15();
    const QByteArray charStream = characterStream15(characterBlock15(f.character));
    QByteArray block;
    QString error;
    for (qsizetype cut = 0; cut < charStream.size(); ++cut)
        QVERIFY(!decodeCharacterStream15(charStream.left(cut), &block, &error));
    const QByteArray animStream = animationStream15(animationBlock15(f.animations[0]), 31, 1, 0);
    for (qsizetype cut = 0; cut < animStream.size(); ++cut)
        QVERIFY(!decodeAnimationStream15(animStream.left(cut), QStringLiteral("s"), {}, &block,
                                         &error));
    // The right size, but the compressed bytes cut before the end marker.
    QByteArray shortened = animStream.left(animStream.size() - 8);
    setU32(shortened, 13, quint32(shortened.size() - 17));
    QVERIFY(!decodeAnimationStream15(shortened, QStringLiteral("s"), {}, &block, &error));
    QVERIFY2(error.contains(QLatin1String("does not decode")), qPrintable(error));

    const QByteArray file = f.write();
    // Only the unused end of the last sector may go without harm.
    for (qsizetype cut = 0; cut < file.size(); cut += 64)
        if (openAndReadAll(file.left(cut)).isEmpty())
            QVERIFY2(cut > file.size() - 512, qPrintable(QString::number(cut)));
}

void Acs15FileTest::countsBeyondTheBlock_data()
{
    QTest::addColumn<bool>("characterBlock");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("at");
    QTest::newRow("animation count")
        << true << 4 << 2 << 0xFFFFu << QStringLiteral("cannot fit") << 4;
    QTest::newRow("name of 2 G units")
        << true << 6 << 4 << 0x7FFFFFFFu << QStringLiteral("at most 65536") << 6;
    QTest::newRow("name past the end")
        << true << 6 << 4 << 60000u << QStringLiteral("bytes are left") << 6;
    QTest::newRow("sound count") << false << 0 << 2 << 0xFFFFu << QStringLiteral("cannot fit") << 0;
    QTest::newRow("sound of 4 GB")
        << false << 2 << 4 << 0xFFFFFFF0u << QStringLiteral("sound needs") << 6;
    // The image's size, after the sound's size and its bytes.
    const qsizetype imageAt = 2 + 4 + wave15(10).size() + 2;
    QTest::newRow("image count") << false << int(imageAt - 2) << 2 << 0x4000u
                                 << QStringLiteral("cannot fit") << int(imageAt - 2);
    QTest::newRow("image of 4 GB") << false << int(imageAt) << 4 << 0xFFFFFFFFu
                                   << QStringLiteral("pixel bytes") << int(imageAt);
}

void Acs15FileTest::countsBeyondTheBlock()
{
    QFETCH(bool, characterBlock);
    QFETCH(int, offset);
    QFETCH(int, bytes);
    QFETCH(quint32, value);
    QFETCH(QString, message);
    QFETCH(int, at);
    const Acs15Fixture f = smallCharacter15();
    QByteArray block =
        characterBlock ? characterBlock15(f.character) : animationBlock15(tinyAnimation(16, 8));
    if (bytes == 2)
        setU16(block, offset, quint16(value));
    else
        setU32(block, offset, value);
    QString error;
    if (characterBlock) {
        Character15 c;
        QVERIFY(!readCharacterBlock15(block, &c, &error));
    } else {
        Animation15 a;
        QVERIFY(!readAnimationBlock15(block, 16, 8, QStringLiteral("b"), &a, &error));
    }
    QVERIFY2(error.contains(message), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("offset 0x%1:").arg(at, 0, 16)), qPrintable(error));
}

void Acs15FileTest::characterLimits()
{
    Character15 c;
    QString error;
    Acs15Fixture f = voiceCharacter15();
    f.character.info.width = 2049;
    QVERIFY(!readCharacterBlock15(characterBlock15(f.character), &c, &error));
    QVERIFY2(error.contains(QLatin1String("2049 x 100")), qPrintable(error));
    f.character.info.width = 0;
    QVERIFY(!readCharacterBlock15(characterBlock15(f.character), &c, &error));

    f = voiceCharacter15();
    f.character.info.minorVersion = 29; // read, with a warning
    QStringList warnings;
    QVERIFY2(readCharacterBlock15(characterBlock15(f.character), &c, &error, &warnings),
             qPrintable(error));
    QCOMPARE(c, f.character);
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(warnings[0].contains(QLatin1String("minor version 29")), qPrintable(warnings[0]));
    f.character.info.majorVersion = 2;
    QVERIFY(!readCharacterBlock15(characterBlock15(f.character), &c, &error));
    QVERIFY2(error.contains(QLatin1String("major version 2")), qPrintable(error));

    f = voiceCharacter15();
    f.character.info.palette.append(f.character.info.palette.mid(0, 2)); // 257 entries
    QVERIFY(!readCharacterBlock15(characterBlock15(f.character), &c, &error));
    QVERIFY2(error.contains(QLatin1String("palette count 257")), qPrintable(error));

    // Images and overlays whose sizes disagree with their geometry.
    Animation15 a = tinyAnimation(16, 8);
    QByteArray block = animationBlock15(a);
    Animation15 out;
    QVERIFY2(readAnimationBlock15(block, 16, 8, QStringLiteral("b"), &out, &error),
             qPrintable(error));
    a.frames[0].overlays[0].width = 9;
    QVERIFY(!readAnimationBlock15(animationBlock15(a), 16, 8, QStringLiteral("b"), &out, &error));
    QVERIFY2(error.contains(QLatin1String("its size 9 x 4 needs 48")), qPrintable(error));
    a = tinyAnimation(16, 8);
    a.images[0].region.chop(16);
    QVERIFY(!readAnimationBlock15(animationBlock15(a), 16, 8, QStringLiteral("b"), &out, &error));
    QVERIFY2(error.contains(QLatin1String("rectangles")), qPrintable(error));
    a.images[0].region = QByteArray(8, '\0');
    QVERIFY(!readAnimationBlock15(animationBlock15(a), 16, 8, QStringLiteral("b"), &out, &error));
    QVERIFY2(error.contains(QLatin1String("32-byte header")), qPrintable(error));
}

void Acs15FileTest::unusualValuesAreKeptAndReported()
{
    Animation15 a = tinyAnimation(20, 6);
    a.images[0].unknownByte = 2;
    a.frames[0].imageIndex = 7;
    a.frames[0].soundIndex = 3;
    a.frames[0].unknown = 0x55;
    a.frames[0].branches = {{9, 100}};
    a.frames[0].overlays[0].unknownByte = 1;
    a.frames[0].overlays[0].shape = 8;
    Animation15 out;
    QString error;
    QStringList warnings;
    QVERIFY2(readAnimationBlock15(animationBlock15(a), 20, 6, QStringLiteral("b"), &out, &error,
                                  &warnings),
             qPrintable(error));
    QCOMPARE(out, a);
    const QString all = warnings.join(QLatin1Char('\n'));
    QCOMPARE(warnings.size(), 7);
    for (const char* needle : {"image 0 has flag 2", "image 7 of 1", "sound 3 of 1", "0x55",
                               "frame 9 of 1", "mouth shape 8", "has flag 1"})
        QVERIFY2(all.contains(QLatin1String(needle)), qPrintable(all));
}

void Acs15FileTest::concurrentReads()
{
    const Acs15Fixture f = earlyCharacter15();
    Acs15File file;
    QString error;
    QVERIFY2(file.openData(f.write(), &error), qPrintable(error));
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round)
                for (qsizetype i = 0; i < f.animations.size(); ++i) {
                    const qsizetype index = (i + t) % f.animations.size();
                    Animation15 a;
                    QString e;
                    const bool ok = file.readAnimation(index, &a, &e, nullptr);
                    if (ok != (index != f.damagedAnimation) || (ok && a != f.animations[index]))
                        ++wrong;
                }
        });
    for (std::thread& t : threads)
        t.join();
    QCOMPARE(wrong.load(), 0);
}

void Acs15FileTest::randomDamage()
{
    // Bytes changed at random in the blocks and in the whole file: every
    // outcome is a clean success or an error naming where it went wrong (the
    // sanitizer build checks that no read strays outside its buffer).
    QRandomGenerator rng(1515);
    const Acs15Fixture f = smallCharacter15();
    const CharacterInfo& info = f.character.info;
    const QByteArray charBlock = characterBlock15(f.character);
    const QByteArray animBlock = animationBlock15(f.animations[2]);
    int failures = 0;
    for (int round = 0; round < 400; ++round) {
        QByteArray c = charBlock;
        QByteArray a = animBlock;
        for (int k = 0; k < 1 + round % 4; ++k) {
            c[rng.bounded(c.size())] = char(rng.bounded(256));
            // Count and size fields are near the start of the animation block
            // and of every frame; hit the structure, not just pixels.
            a[rng.bounded(round % 2 ? a.size() : std::min<qsizetype>(a.size(), 64))] =
                char(rng.bounded(256));
        }
        Character15 character;
        QString error;
        if (!readCharacterBlock15(c, &character, &error)) {
            ++failures;
            QVERIFY2(error.startsWith(QLatin1String("char.acf at offset")), qPrintable(error));
        }
        Animation15 animation;
        if (!readAnimationBlock15(a, info.width, info.height, QStringLiteral("b"), &animation,
                                  &error)) {
            ++failures;
            QVERIFY2(error.startsWith(QLatin1String("b at offset")), qPrintable(error));
        }
    }
    QVERIFY(failures > 100); // the damage did reach the parsers

    const QByteArray file = f.write();
    for (int round = 0; round < 150; ++round) {
        QByteArray damaged = file;
        for (int k = 0; k < 1 + round % 3; ++k)
            damaged[rng.bounded(damaged.size())] = char(rng.bounded(256));
        const QString error = openAndReadAll(damaged);
        QVERIFY2(error.isEmpty() || error.contains(QLatin1String("damaged")) ||
                     error.startsWith(QLatin1String("not a character file")),
                 qPrintable(error));
    }
}

QTEST_APPLESS_MAIN(Acs15FileTest)
#include "Acs15FileTest.moc"
