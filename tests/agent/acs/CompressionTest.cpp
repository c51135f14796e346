#include "AcsTestUtil.h"

#include "agent/acs/Compression.h"
#include "agent/acs/testing/SampleCharacter.h"

#include <QRandomGenerator>
#include <QTest>

using namespace clipvoice::agent::acs;
using acstest::StreamBuilder;

namespace {

struct Decoded
{
    Compression::Result result;
    QByteArray data;
};

Decoded decode(const QByteArray& stream, qsizetype expected, qsizetype slack = 0)
{
    Decoded d;
    d.data = QByteArray(expected, '\x55');
    d.result =
        Compression::decompress(reinterpret_cast<const uchar*>(stream.constData()), stream.size(),
                                reinterpret_cast<uchar*>(d.data.data()), expected, slack);
    return d;
}

QByteArray roundTrip(const QByteArray& plain)
{
    const QByteArray packed = Compression::compress(plain);
    const Decoded d = decode(packed, plain.size());
    if (!d.result.ok)
        qWarning() << d.result.error;
    return d.result.ok ? d.data : QByteArray("decode failed");
}

constexpr qsizetype kRowBytes = 3000;
constexpr qsizetype kRows = 1700;

// A stream of `size` bytes mixing literals with references up to a million
// bytes back, and the bytes it decodes to, worked out byte by byte.
std::pair<QByteArray, QByteArray> farReferenceStream(qsizetype size)
{
    StreamBuilder b;
    QByteArray plain;
    plain.reserve(size);
    QRandomGenerator rng(7);
    while (plain.size() < size) {
        const quint8 v = quint8(rng.bounded(256));
        b.literal(v);
        plain.append(char(v));
        const qsizetype left = size - plain.size();
        if (left < 3)
            continue;
        const int distance =
            int(rng.bounded(1, int(std::min<qsizetype>(plain.size(), 1000000)) + 1));
        const int length = int(std::min<qsizetype>(left, rng.bounded(3, 2049)));
        b.reference(distance, length);
        for (int i = 0; i < length; ++i)
            plain.append(plain.at(plain.size() - distance));
    }
    return {b.end(), plain};
}

} // namespace

class TestAcsCompression : public QObject
{
    Q_OBJECT

private slots:
    void workedExample()
    {
        const QByteArray stream = QByteArray::fromHex("00400004 10d09080 42ed9801 b7ffffff ffffff");
        QByteArray expected = QByteArray::fromHex("2000000001000000 00000000a8000000");
        expected.append(16, '\0');
        const Decoded d = decode(stream, 32);
        QVERIFY2(d.result.ok, qPrintable(d.result.error));
        QCOMPARE(d.data, expected);
        // Greedy longest-match encoding reproduces the stream bit for bit.
        QCOMPARE(Compression::compress(expected), stream);
    }

    void literalRuns()
    {
        StreamBuilder b;
        QByteArray plain;
        for (int i = 0; i < 300; ++i) {
            b.literal(quint8(i * 7));
            plain.append(char(i * 7));
        }
        const Decoded d = decode(b.end(), plain.size());
        QVERIFY2(d.result.ok, qPrintable(d.result.error));
        QCOMPARE(d.data, plain);
    }

    void referencesOfEveryClassAndLength_data()
    {
        QTest::addColumn<int>("distance");
        QTest::addColumn<int>("length");
        for (int distance : {1, 2, 64, 65, 300, 576, 577, 2000, 4672, 4673, 5000, 70000}) {
            // Lengths at the edges of every length-code size, up to eleven 1s (the
            // longest the decoder accepts), and the 20-bit class's base of 3.
            for (int length : {2, 3, 4, 5, 8, 9, 16, 17, 1025, 2049, 2050, 4096}) {
                if (distance > 4672 && length < 3)
                    continue;
                QTest::addRow("D%d-L%d", distance, length) << distance << length;
            }
        }
    }

    void referencesOfEveryClassAndLength()
    {
        QFETCH(int, distance);
        QFETCH(int, length);
        StreamBuilder b;
        QByteArray plain;
        for (int i = 0; i < distance; ++i) {
            const quint8 v = quint8((i * 131 + i / 256) & 0xFF);
            b.literal(v);
            plain.append(char(v));
        }
        b.reference(distance, length);
        for (int i = 0; i < length; ++i)
            plain.append(plain.at(plain.size() - distance));
        b.literal(0x42);
        plain.append('\x42');
        const Decoded d = decode(b.end(), plain.size());
        QVERIFY2(d.result.ok, qPrintable(d.result.error));
        QCOMPARE(d.data, plain);
    }

    void overlappingReferenceRepeatsPattern()
    {
        // D = 1 repeats a byte; D = 3 with L = 10 repeats a three-byte pattern.
        const QByteArray stream = StreamBuilder()
                                      .literal('a')
                                      .reference(1, 5)
                                      .literal('x')
                                      .literal('y')
                                      .reference(3, 10)
                                      .end();
        const Decoded d = decode(stream, 18);
        QVERIFY2(d.result.ok, qPrintable(d.result.error));
        QCOMPARE(d.data, QByteArray("aaaaaaxyaxyaxyaxya").left(18));
    }

    void endMarkerStopsDecoding()
    {
        // Bits after the marker are ignored, and the marker alone (no 0xFF tail)
        // is enough.
        QByteArray stream = StreamBuilder().literal('q').end(0);
        QVERIFY(decode(stream, 1).result.ok);
        stream.append("\x12\x34garbage");
        const Decoded d = decode(stream, 1);
        QVERIFY(d.result.ok);
        QCOMPARE(d.data, QByteArray("q"));
        // A 20-bit reference one short of the marker value is a distance, not the end.
        const QByteArray nearMarker =
            StreamBuilder().literal('q').rawBits(0xF, 4).rawBits(0xFFFFE, 20).end();
        QVERIFY(!decode(nearMarker, 1).result.ok);
    }

    void truncatedInputFails()
    {
        const QByteArray plain = testing::SampleCharacter::cartoonImage(40, 30, 3, 10).pixels;
        const QByteArray stream = Compression::compress(plain);
        // Without its tail bytes the marker is incomplete, so every cut fails.
        const qsizetype markerEnd = stream.size() - 6;
        for (qsizetype cut = 0; cut < markerEnd; ++cut) {
            const Decoded d = decode(stream.left(cut), plain.size());
            QVERIFY2(!d.result.ok, qPrintable(QString::number(cut)));
        }
        QCOMPARE(decode(StreamBuilder().literal(1).unterminated(), 1).result.error,
                 QStringLiteral("compressed stream ends before its end marker (1 of 1 bytes "
                                "decoded)"));
    }

    void outputLimits()
    {
        const QByteArray longer = StreamBuilder().literal(1).reference(1, 40).end();
        // Strict: a stream that claims more output than allowed fails.
        Decoded d = decode(longer, 20);
        QVERIFY(!d.result.ok);
        QVERIFY2(d.result.error.contains(QStringLiteral("runs past the expected size")),
                 qPrintable(d.result.error));
        // Lenient: a small overshoot is dropped and the image is kept.
        d = decode(longer, 38, 8);
        QVERIFY2(d.result.ok, qPrintable(d.result.error));
        QCOMPARE(d.result.droppedBytes, 3);
        QCOMPARE(d.data, QByteArray(38, '\x01'));
        // A large overshoot still fails, so the work stays bounded.
        QVERIFY(!decode(longer, 20, 8).result.ok);
        // Literals past the limit fail too.
        QVERIFY(!decode(StreamBuilder().literal(1).literal(2).end(), 1).result.ok);
        // Too little output fails.
        d = decode(StreamBuilder().literal(1).end(), 2);
        QVERIFY(!d.result.ok);
        QVERIFY(d.result.error.contains(QStringLiteral("decodes to 1 bytes, expected 2")));
        // A huge reference against a tiny buffer is refused, never written.
        const QByteArray huge = StreamBuilder().literal(1).reference(1, 4097).end();
        QVERIFY(!decode(huge, 100, 64).result.ok);
    }

    void referenceBeforeStart()
    {
        const QByteArray stream = StreamBuilder().literal(7).reference(4, 6).end();
        QVERIFY(!decode(stream, 7).result.ok);
        const Decoded d = decode(stream, 7, 8);
        QVERIFY2(d.result.ok, qPrintable(d.result.error));
        QCOMPARE(d.result.bytesBeforeStart, 3);
        QCOMPARE(d.data, QByteArray("\x07\0\0\0\x07\0\0", 7));
    }

    void malformedStreams()
    {
        QByteArray bad = StreamBuilder().literal(1).end();
        bad[0] = 1;
        QVERIFY(decode(bad, 1).result.error.contains(QStringLiteral("starts with 0x01")));
        QVERIFY(!decode(QByteArray(), 0).result.ok);
        // Twelve 1s in a length code.
        const QByteArray twelve = StreamBuilder()
                                      .literal(1)
                                      .rawBits(1, 1)
                                      .rawBits(0, 1)
                                      .rawBits(0, 6)
                                      .rawBits(0xFFF, 12)
                                      .end();
        QVERIFY(decode(twelve, 10000).result.error.contains(QStringLiteral("invalid length code")));
    }

    void partialDecodingKeepsTheAskedPart_data()
    {
        QTest::addColumn<qsizetype>("firstRow");
        QTest::addColumn<qsizetype>("rowCount");
        QTest::addColumn<qsizetype>("column");
        QTest::addColumn<qsizetype>("width");
        QTest::addRow("everything") << qsizetype(0) << kRows << qsizetype(0) << kRowBytes;
        QTest::addRow("middle") << qsizetype(700) << qsizetype(300) << qsizetype(1234)
                                << qsizetype(1000);
        QTest::addRow("last byte") << kRows - 1 << qsizetype(1) << kRowBytes - 1 << qsizetype(1);
        QTest::addRow("first row") << qsizetype(0) << qsizetype(1) << qsizetype(0) << kRowBytes;
        QTest::addRow("nothing") << qsizetype(5) << qsizetype(0) << qsizetype(0) << qsizetype(0);
    }

    void partialDecodingKeepsTheAskedPart()
    {
        // Far and near references over an output larger than the window, so the
        // window wraps round many times.
        QFETCH(qsizetype, firstRow);
        QFETCH(qsizetype, rowCount);
        QFETCH(qsizetype, column);
        QFETCH(qsizetype, width);
        static const auto [stream, plain] = farReferenceStream(kRows * kRowBytes);
        QVERIFY(plain.size() > 2 * Compression::WindowSize);
        Compression::Part part{kRowBytes, firstRow, rowCount, column, width};
        QByteArray out(rowCount * width, '\x55');
        const Compression::Result r = Compression::decompressPart(
            reinterpret_cast<const uchar*>(stream.constData()), stream.size(), plain.size(), part,
            reinterpret_cast<uchar*>(out.data()));
        QVERIFY2(r.ok, qPrintable(r.error));
        for (qsizetype row = 0; row < rowCount; ++row)
            QVERIFY2(out.mid(row * width, width) ==
                         plain.mid((firstRow + row) * kRowBytes + column, width),
                     qPrintable(QStringLiteral("row %1").arg(firstRow + row)));
    }

    void partialDecodingChecksLikeWholeDecoding()
    {
        const QByteArray plain = testing::SampleCharacter::cartoonImage(40, 30, 3, 10).pixels;
        const QByteArray stream = Compression::compress(plain);
        QByteArray out(40, '\0');
        const auto part = [&](const QByteArray& s, qsizetype expected, qsizetype slack,
                              Compression::Part p) {
            return Compression::decompressPart(reinterpret_cast<const uchar*>(s.constData()),
                                               s.size(), expected, p,
                                               reinterpret_cast<uchar*>(out.data()), slack);
        };
        const Compression::Part firstRow{40, 0, 1, 0, 40};
        for (const qsizetype cut : {qsizetype(0), qsizetype(1), stream.size() / 2}) {
            const Compression::Result r = part(stream.left(cut), plain.size(), 0, firstRow);
            QVERIFY(!r.ok);
            QCOMPARE(r.error, decode(stream.left(cut), plain.size()).result.error);
        }
        // Slack: bytes from before the start read as zero, as in whole decoding.
        const QByteArray before = StreamBuilder().literal(7).reference(4, 6).end();
        Compression::Result r = part(before, 7, 8, {7, 0, 1, 0, 7});
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.bytesBeforeStart, 3);
        QCOMPARE(out.left(7), QByteArray("\x07\0\0\0\x07\0\0", 7));
        // A part outside the output is refused before anything is written.
        r = part(stream, plain.size(), 0, {40, 30, 1, 0, 40});
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains(QStringLiteral("does not fit")), qPrintable(r.error));
        QVERIFY(!part(stream, plain.size(), 0, {40, 0, 1, 30, 11}).ok);
        QVERIFY(!part(stream, plain.size(), 0, {0, 0, 1, 0, 0}).ok);
    }

    void encoderRoundTrips_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addRow("empty") << QByteArray();
        QTest::addRow("one byte") << QByteArray("x");
        QTest::addRow("long run") << QByteArray(100000, '\x0A');
        QByteArray noise(5000, Qt::Uninitialized);
        QRandomGenerator rng(42);
        for (char& c : noise)
            c = char(rng.bounded(256));
        QTest::addRow("noise") << noise;
        // A block repeated far away exercises the 20-bit distance class.
        QByteArray far = noise;
        far.append(QByteArray(70000, '\x01'));
        far.append(noise);
        QTest::addRow("far repeat") << far;
        QTest::addRow("cartoon") << testing::SampleCharacter::cartoonImage(128, 128, 9, 10).pixels;
    }

    void encoderRoundTrips()
    {
        QFETCH(QByteArray, plain);
        QCOMPARE(roundTrip(plain), plain);
    }

    void encoderFindsMatches()
    {
        const QByteArray plain = testing::SampleCharacter::cartoonImage(128, 128, 5, 10).pixels;
        const QByteArray packed = Compression::compress(plain);
        // Flat colour areas compress to a small fraction; literals alone would
        // make the stream larger than the input.
        QVERIFY2(packed.size() * 4 < plain.size(), qPrintable(QString::number(packed.size())));
        QByteArray twice = QByteArray(3000, Qt::Uninitialized);
        for (qsizetype i = 0; i < twice.size(); ++i)
            twice[i] = char((i * 7919) % 251);
        const qsizetype single = Compression::compress(twice).size();
        twice.append(twice);
        QVERIFY(Compression::compress(twice).size() < single + 64);
    }
};

QTEST_GUILESS_MAIN(TestAcsCompression)
#include "CompressionTest.moc"
