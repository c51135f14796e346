// Decoding the sounds characters carry: every format libsndfile and sox can
// write, played through the sound-effect path at the right length; headers
// that lie or are cut short are refused with a reason, never a crash.

#include "agent/voice/SoundDecoder.h"
#include "agent/timing/testing/ManualScheduler.h"
#include "agent/voice/SoundEffectLibrary.h"
#include "agent/voice/SoundEffectPlayer.h"
#include "agent/voice/testing/EncodedSounds.h"

#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QtEndian>

#include <cmath>

using namespace clipvoice::agent::voice;
using namespace clipvoice::agent::voice::testing;
using clipvoice::agent::timing::testing::ManualScheduler;

namespace {

// Zero crossings per second of 16-bit mono samples: twice the frequency of a
// clean sine, whatever codec it went through.
double crossingsPerSecond(const PcmAudio& audio, int ms)
{
    const qsizetype count =
        std::min<qsizetype>(audio.samples.size() / 2, qsizetype{audio.sampleRate} * ms / 1000);
    int crossings = 0;
    int sign = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const auto value = qFromLittleEndian<qint16>(audio.samples.constData() + i * 2);
        // Samples near zero are left out, so codec noise there is not counted.
        if (std::abs(value) < 200)
            continue;
        const int now = value > 0 ? 1 : -1;
        if (sign != 0 && now != sign)
            ++crossings;
        sign = now;
    }
    return count ? crossings * double(audio.sampleRate) / double(count) : 0.0;
}

// Checks that `audio` is the half-scale 440 Hz sine of `ms` milliseconds the
// encoders were given, within `slackMs` (codecs pad their last block).
void verifySine(const DecodedSound& sound, int rate, int ms, int slackMs)
{
    QVERIFY2(sound.ok(), qPrintable(sound.error));
    QCOMPARE(sound.audio.sampleRate, rate);
    const qint64 length = sound.audio.durationMs();
    QVERIFY2(length >= ms - 1 && length <= ms + slackMs,
             qPrintable(QStringLiteral("%1 ms instead of %2").arg(length).arg(ms)));
    const double rms = WavCodec::rms(sound.audio.samples);
    QVERIFY2(std::abs(rms - 0.3536) < 0.06, qPrintable(QString::number(rms)));
    const double crossings = crossingsPerSecond(sound.audio, ms);
    QVERIFY2(std::abs(crossings - 880.0) < 60.0, qPrintable(QString::number(crossings)));
}

QStringList words(const char* text)
{
    return QString::fromLatin1(text).split(QLatin1Char(' '));
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A 16-bit mono PCM sound of `bytes` bytes of silence at 8 kHz.
QByteArray pcmSound(qsizetype bytes)
{
    return WavCodec::header(bytes, 8000) + QByteArray(bytes, '\0');
}

void setU16(QByteArray& bytes, qsizetype at, quint16 value)
{
    qToLittleEndian<quint16>(value, bytes.data() + at);
}

void setU32(QByteArray& bytes, qsizetype at, quint32 value)
{
    qToLittleEndian<quint32>(value, bytes.data() + at);
}

} // namespace

class TestSoundDecoder : public QObject
{
    Q_OBJECT

private slots:
    void encodedFormatsDecode_data();
    void encodedFormatsDecode();
    void soxFormatsPlayThroughTheEffectPath_data();
    void soxFormatsPlayThroughTheEffectPath();
    void badHeadersAreRefusedWithAReason_data();
    void badHeadersAreRefusedWithAReason();
    void quirksRealFilesHaveAreRead();
    void cutAndScrambledSoundsNeverCrash();
    void oddSizedSamplesAndFoundInputsEnd();
    void longSoundsAreCutAtTheLimit();
    void libraryDecodesEachSoundOnceOffTheThread();
    void libraryLogsASoundThatCannotPlayOnce();
    void libraryKeepsWithinItsMemoryBound();
    void libraryGoneWhileDecodingIsHarmless();
};

void TestSoundDecoder::encodedFormatsDecode_data()
{
    QTest::addColumn<int>("encoding");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("slackMs");
    for (SoundEncoding encoding : allSoundEncodings()) {
        const bool gsm = encoding == SoundEncoding::Gsm610;
        const int rate = gsm ? 8000 : 22050;
        // GSM 6.10 in WAV encodes pairs of 160-sample frames; ADPCM blocks
        // hold about 1000 samples.
        const int slack = gsm ? 45 : 50;
        const QString name = soundEncodingName(encoding);
        QTest::addRow("%s mono", qPrintable(name)) << int(encoding) << rate << 1 << slack;
        if (!gsm) // libsndfile's GSM encoder is mono only
            QTest::addRow("%s stereo", qPrintable(name)) << int(encoding) << 11025 << 2 << slack;
    }
}

void TestSoundDecoder::encodedFormatsDecode()
{
    QFETCH(int, encoding);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, slackMs);
    SoundSpec spec;
    spec.encoding = SoundEncoding(encoding);
    spec.sampleRate = rate;
    spec.channels = channels;
    spec.milliseconds = 600;
    const QByteArray wave = encodeSound(spec);
    QVERIFY(!wave.isEmpty());
    const DecodedSound sound = decodeSound(wave);
    verifySine(sound, rate, 600, slackMs);
    QCOMPARE(sound.header->channels, channels);
}

void TestSoundDecoder::soxFormatsPlayThroughTheEffectPath_data()
{
    QTest::addColumn<QStringList>("encoding");
    QTest::addColumn<int>("rate");
    QTest::addColumn<quint16>("tag");
    QTest::addColumn<int>("slackMs");
    QTest::newRow("PCM 8-bit") << words("-b 8 -e unsigned-integer") << 11025 << WaveTag::Pcm << 1;
    QTest::newRow("PCM 16-bit") << words("-b 16 -e signed-integer") << 22050 << WaveTag::Pcm << 1;
    QTest::newRow("MS ADPCM") << words("-e ms-adpcm") << 22050 << WaveTag::MsAdpcm << 50;
    QTest::newRow("IMA ADPCM") << words("-e ima-adpcm") << 22050 << WaveTag::ImaAdpcm << 50;
    QTest::newRow("GSM 6.10") << words("-e gsm-full-rate") << 8000 << WaveTag::Gsm610 << 45;
    QTest::newRow("mu-law") << words("-e u-law") << 8000 << WaveTag::MuLaw << 1;
    QTest::newRow("A-law") << words("-e a-law") << 8000 << WaveTag::ALaw << 1;
}

// Sounds written by another encoder than libsndfile's, from the sample to the
// output: decoded by the library on a worker, played by the effect player, at
// the length the sox command wrote.
void TestSoundDecoder::soxFormatsPlayThroughTheEffectPath()
{
    QFETCH(QStringList, encoding);
    QFETCH(int, rate);
    QFETCH(quint16, tag);
    QFETCH(int, slackMs);
    const QString sox = QStandardPaths::findExecutable(QStringLiteral("sox"));
    if (sox.isEmpty())
        QSKIP("sox is not installed (Debian package sox): sounds from another encoder are not "
              "tried");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sound.wav"));
    QProcess process;
    process.start(sox, words("-n -r") + QStringList{QString::number(rate)} + words("-c 1") +
                           encoding + QStringList{path} + words("synth 0.7 sine 440 vol 0.5"));
    QVERIFY(process.waitForFinished(30000));
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
    const QByteArray wave = fileBytes(path);

    const DecodedSound sound = decodeSound(wave);
    QCOMPARE(sound.header->formatTag, tag);
    verifySine(sound, rate, 700, slackMs);

    auto scheduler = std::make_shared<ManualScheduler>();
    SoundEffectLibrary library(QStringLiteral("sox"), [&wave](int) { return wave; });
    QSignalSpy decoded(&library, &SoundEffectLibrary::decoded);
    library.prepare(0);
    QVERIFY(decoded.wait(10000));
    const auto ready = library.ready(0);
    QVERIFY(ready);
    QCOMPARE(ready->sampleRate, OutputSampleRate);
    SoundEffectPlayer player(std::make_unique<ClockOutput>(scheduler), scheduler);
    QSignalSpy finished(&player, &SoundEffectPlayer::finished);
    QVERIFY(player.play(*ready));
    const qint64 written = player.output().writtenMs();
    QVERIFY2(
        std::abs(written - sound.audio.durationMs()) <= 1,
        qPrintable(
            QStringLiteral("%1 ms written for %2 ms").arg(written).arg(sound.audio.durationMs())));
    scheduler->advance(written - 20);
    QCOMPARE(finished.size(), 0);
    scheduler->advance(60);
    QCOMPARE(finished.size(), 1);
}

void TestSoundDecoder::badHeadersAreRefusedWithAReason_data()
{
    QTest::addColumn<QByteArray>("wave");
    QTest::addColumn<QString>("reason");
    SoundSpec spec;
    spec.encoding = SoundEncoding::MsAdpcm;
    const QByteArray adpcm = encodeSound(spec);
    const QByteArray pcm = pcmSound(1600);
    // In pcmSound's 44-byte header: channels at 22, rate at 24, block
    // align at 32, the data chunk's size at 40.
    QByteArray wave = pcm;
    setU32(wave, 40, 1601);
    QTest::newRow("data past the end") << wave << QStringLiteral("only 1600 follow");
    QTest::newRow("cut in the samples") << pcm.left(100) << QStringLiteral("only 56 follow");
    QTest::newRow("cut in the header") << pcm.left(30) << QStringLiteral("format chunk");
    wave = pcm;
    setU32(wave, 40, 0xFFFFFFFF);
    QTest::newRow("data of 4 GB") << wave << QStringLiteral("declares 4294967295 bytes");
    wave = pcm;
    setU16(wave, 32, 0);
    QTest::newRow("block align 0") << wave << QStringLiteral("block align");
    wave = pcm;
    setU16(wave, 22, 0);
    QTest::newRow("no channels") << wave << QStringLiteral("channel count 0");
    wave = pcm;
    setU16(wave, 22, 300);
    QTest::newRow("300 channels") << wave << QStringLiteral("channel count 300");
    wave = pcm;
    setU32(wave, 24, 0);
    QTest::newRow("rate 0") << wave << QStringLiteral("sample rate 0");
    wave = pcm;
    setU32(wave, 16, 0x7FFFFFFF);
    QTest::newRow("format chunk past the end") << wave << QStringLiteral("format chunk");
    wave = pcm;
    setU32(wave, 16, 14);
    QTest::newRow("format chunk too short") << wave << QStringLiteral("needs at least 16");
    wave = pcm;
    wave.replace(36, 4, "junk");
    QTest::newRow("no data chunk") << wave << QStringLiteral("no data chunk");
    wave = pcm.left(36);
    wave.replace(12, 4, "junk");
    QTest::newRow("no format chunk") << wave << QStringLiteral("no format chunk");
    QTest::newRow("not RIFF") << QByteArray("RIFX") + pcm.mid(4) << QStringLiteral("RIFF/WAVE");
    QTest::newRow("empty") << QByteArray() << QStringLiteral("RIFF/WAVE");
    wave = pcm;
    setU32(wave, 40, 0);
    wave.truncate(44);
    QTest::newRow("no samples") << wave << QStringLiteral("no samples");
    wave = pcm;
    setU16(wave, 20, 0x0022);
    QTest::newRow("TrueSpeech") << wave
                                << QStringLiteral("no decoder for DSP Group TrueSpeech (0x0022)");
    wave = pcm;
    setU16(wave, 20, 0x1C07);
    QTest::newRow("unknown tag") << wave << QStringLiteral("no decoder for format 0x1C07");
    wave = adpcm;
    setU16(wave, 20 + 12, 0); // the ADPCM sound's block align
    QTest::newRow("ADPCM block align 0") << wave << QStringLiteral("block align");
    wave = adpcm;
    setU16(wave, 20 + 12, 3); // smaller than an ADPCM block's own header
    QTest::newRow("ADPCM block of 3 bytes") << wave << QStringLiteral("does not decode");
    wave = adpcm;
    setU16(wave, 20 + 2, 300);
    QTest::newRow("ADPCM 300 channels") << wave << QStringLiteral("channel count 300");
}

void TestSoundDecoder::badHeadersAreRefusedWithAReason()
{
    QFETCH(QByteArray, wave);
    QFETCH(QString, reason);
    const DecodedSound sound = decodeSound(wave);
    QVERIFY(!sound.ok());
    QVERIFY2(sound.error.contains(reason), qPrintable(sound.error));
    QVERIFY(sound.audio.samples.isEmpty());
}

void TestSoundDecoder::quirksRealFilesHaveAreRead()
{
    // A RIFF size one byte too large, as some tools write it.
    QByteArray wave = pcmSound(1600);
    setU32(wave, 4, quint32(wave.size() - 8 + 1));
    DecodedSound sound = decodeSound(wave);
    QVERIFY2(sound.ok(), qPrintable(sound.error));
    QCOMPARE(sound.audio.durationMs(), 100);

    // An odd-sized chunk before the samples (padded to even), and bytes after
    // them that are no chunk at all.
    QByteArray list = QByteArray("LIST") + QByteArray(4, '\0') + QByteArray("abc");
    setU32(list, 4, 3);
    wave = pcmSound(1600);
    wave.insert(36, list + QByteArray(1, '\0'));
    wave.append("trailing rubbish");
    sound = decodeSound(wave);
    QVERIFY2(sound.ok(), qPrintable(sound.error));
    QCOMPARE(sound.audio.durationMs(), 100);

    // An odd-sized chunk whose pad byte was left out.
    wave = pcmSound(1600);
    wave.insert(36, list);
    sound = decodeSound(wave);
    QVERIFY2(sound.ok(), qPrintable(sound.error));
    QCOMPARE(sound.audio.durationMs(), 100);

    // An MS ADPCM sound is as long as its fact chunk says, not as its padded
    // last block.
    SoundSpec spec;
    spec.encoding = SoundEncoding::MsAdpcm;
    spec.sampleRate = 8000;
    spec.milliseconds = 130;
    sound = decodeSound(encodeSound(spec));
    QVERIFY2(sound.ok(), qPrintable(sound.error));
    QVERIFY(sound.header->factFrames > 0);
    QCOMPARE(sound.audio.samples.size() / 2, sound.header->factFrames);
}

void TestSoundDecoder::cutAndScrambledSoundsNeverCrash()
{
    for (SoundEncoding encoding : allSoundEncodings()) {
        SoundSpec spec;
        spec.encoding = encoding;
        spec.sampleRate = 8000;
        spec.milliseconds = 120;
        const QByteArray wave = encodeSound(spec);
        // Every cut: refused with a reason, or decoded to no more than the
        // whole sound.
        const qsizetype whole = decodeSound(wave).audio.samples.size();
        for (qsizetype n = 0; n < wave.size(); n += (n < 200 ? 1 : 37)) {
            const DecodedSound cut = decodeSound(wave.left(n));
            QVERIFY(cut.ok() || !cut.error.isEmpty());
            QVERIFY(cut.audio.samples.size() <= whole);
        }
        // Random bytes changed in the header and the first blocks.
        QRandomGenerator random(quint32(encoding) + 17);
        for (int round = 0; round < 300; ++round) {
            QByteArray scrambled = wave;
            const int changes = 1 + random.bounded(4);
            for (int c = 0; c < changes; ++c)
                scrambled[random.bounded(int(std::min<qsizetype>(scrambled.size(), 160)))] =
                    char(random.bounded(256));
            const DecodedSound sound = decodeSound(scrambled);
            QVERIFY(sound.ok() || !sound.error.isEmpty());
            QVERIFY(sound.audio.samples.size() <= SoundLimits{}.maxBytes);
        }
    }
}

void TestSoundDecoder::oddSizedSamplesAndFoundInputsEnd()
{
    // 8-bit PCM with an odd number of samples and no pad byte: every sample
    // comes back.
    QByteArray wave = pcmSound(0);
    setU16(wave, 32, 1); // block align
    setU16(wave, 34, 8); // bits
    setU32(wave, 28, 8000);
    setU32(wave, 40, 801);
    wave.append(QByteArray(801, char(0x80)));
    setU32(wave, 4, quint32(wave.size() - 8));
    DecodedSound sound = decodeSound(wave);
    QVERIFY2(sound.ok(), qPrintable(sound.error));
    QCOMPARE(sound.audio.samples.size(), 801 * 2);

    // Each input the fuzzer once stopped on decodes or is refused with a
    // reason, and returns. One of them, an IMA ADPCM sound of 99 bytes whose
    // samples look like a chunk list, once kept libsndfile busy for ever.
    QDirIterator it(QStringLiteral(SOUND_REGRESSIONS_DIR), QDir::Files);
    int count = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        sound = decodeSound(fileBytes(path));
        QVERIFY2(sound.ok() || !sound.error.isEmpty(), qPrintable(path));
        ++count;
    }
    QVERIFY(count >= 1);
    qInfo("%d inputs the fuzzer found replayed", count);
}

void TestSoundDecoder::longSoundsAreCutAtTheLimit()
{
    SoundSpec spec;
    spec.encoding = SoundEncoding::ImaAdpcm;
    spec.sampleRate = 8000;
    spec.milliseconds = 3000;
    const QByteArray wave = encodeSound(spec);
    SoundLimits limits;
    limits.maxMilliseconds = 1000;
    DecodedSound sound = decodeSound(wave, limits);
    QVERIFY2(sound.ok(), qPrintable(sound.error));
    QVERIFY(sound.truncated);
    QCOMPARE(sound.audio.durationMs(), 1000);
    limits = {};
    limits.maxBytes = 4000;
    sound = decodeSound(wave, limits);
    QVERIFY(sound.truncated);
    QCOMPARE(sound.audio.samples.size(), 4000);
    sound = decodeSound(wave);
    QVERIFY(!sound.truncated);
}

void TestSoundDecoder::libraryDecodesEachSoundOnceOffTheThread()
{
    SoundSpec spec;
    spec.encoding = SoundEncoding::MsAdpcm;
    spec.sampleRate = 11025;
    const QByteArray wave = encodeSound(spec);
    QList<int> fetched;
    SoundEffectLibrary library(QStringLiteral("Merlin"), [&](int index) {
        fetched.append(index);
        return wave;
    });
    QSignalSpy decoded(&library, &SoundEffectLibrary::decoded);
    library.prepare(3);
    library.prepare(3); // already being decoded
    QVERIFY(library.isDecoding(3));
    QVERIFY(!library.ready(3)); // not before the worker is done
    QVERIFY(decoded.wait(10000));
    QCOMPARE(decoded.size(), 1);
    QCOMPARE(decoded.first().first().toInt(), 3);
    const auto audio = library.ready(3);
    QVERIFY(audio);
    QCOMPARE(audio->sampleRate, OutputSampleRate);
    QVERIFY(std::abs(audio->durationMs() - 500) <= 50);
    library.prepare(3); // ready: nothing to do
    QCOMPARE(library.decodesStarted(), 1);
    QCOMPARE(fetched, QList<int>{3});
    QCOMPARE(library.cachedBytes(), audio->samples.size());
}

void TestSoundDecoder::libraryLogsASoundThatCannotPlayOnce()
{
    QByteArray trueSpeech = pcmSound(800);
    setU16(trueSpeech, 20, 0x0022);
    SoundEffectLibrary library(QStringLiteral("Genie"),
                               [&](int index) { return index == 1 ? trueSpeech : QByteArray(); });
    QSignalSpy failed(&library, &SoundEffectLibrary::failed);
    QTest::ignoreMessage(QtWarningMsg, "character \"Genie\": sound 1 is not played: no decoder "
                                       "for DSP Group TrueSpeech (0x0022)");
    library.prepare(1);
    QVERIFY(failed.wait(10000));
    QVERIFY(library.hasFailed(1));
    library.prepare(1); // known: neither decoded nor logged again
    QTest::ignoreMessage(QtWarningMsg,
                         "character \"Genie\": sound 9 is not played: there is no such sound");
    library.prepare(9);
    QCOMPARE(failed.size(), 2);
    QCOMPARE(library.decodesStarted(), 1);
    QVERIFY(!library.ready(1));
}

void TestSoundDecoder::libraryKeepsWithinItsMemoryBound()
{
    // Three sounds of 100 ms at the output's rate, room for two.
    const qsizetype soundBytes = qsizetype{OutputSampleRate} / 10 * 2;
    SoundEffectLibrary::Limits limits;
    limits.cacheBytes = soundBytes * 5 / 2;
    SoundEffectLibrary library(
        QStringLiteral("Peedy"),
        [](int) { return WavCodec::header(1600, 8000) + QByteArray(1600, 1); }, OutputSampleRate,
        limits);
    QSignalSpy decoded(&library, &SoundEffectLibrary::decoded);
    for (int index : {0, 1}) {
        library.prepare(index);
        QTRY_COMPARE_WITH_TIMEOUT(decoded.size(), index + 1, 10000);
    }
    QVERIFY(library.ready(0)); // 0 is now the more recently played
    library.prepare(2);
    QTRY_COMPARE_WITH_TIMEOUT(decoded.size(), 3, 10000);
    QCOMPARE(library.cachedCount(), 2);
    QVERIFY(library.cachedBytes() <= limits.cacheBytes);
    QVERIFY(library.ready(0));
    QVERIFY(!library.ready(1)); // the least recently played went
    QVERIFY(library.ready(2));
    library.prepare(1); // decoded again when wanted again
    QTRY_COMPARE_WITH_TIMEOUT(decoded.size(), 4, 10000);
    QCOMPARE(library.decodesStarted(), 4);
}

void TestSoundDecoder::libraryGoneWhileDecodingIsHarmless()
{
    SoundSpec spec;
    spec.encoding = SoundEncoding::Gsm610;
    spec.sampleRate = 8000;
    spec.milliseconds = 4000;
    const QByteArray wave = encodeSound(spec);
    {
        SoundEffectLibrary library(QStringLiteral("Robby"), [&](int) { return wave; });
        for (int i = 0; i < 8; ++i)
            library.prepare(i);
    }
    // The workers finish on their own copies; nothing is told, nothing leaks.
    QVERIFY(QThreadPool::globalInstance()->waitForDone(20000));
    QCoreApplication::processEvents();
}

QTEST_GUILESS_MAIN(TestSoundDecoder)
#include "SoundDecoderTest.moc"
