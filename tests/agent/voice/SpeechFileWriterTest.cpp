// Speech saved to a file: a WAV holds exactly the audio the speaker would
// play, an Ogg Vorbis file the same speech within the codec's loss, and a save
// that is cancelled or fails leaves neither a half-written file nor a
// temporary one, and an existing file as it was.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sndfile.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <cmath>

#include "VoiceTestUtil.h"
#include "agent/voice/LineStream.h"
#include "agent/voice/LineSynthesis.h"
#include "agent/voice/OpenJTalkSetup.h"
#include "agent/voice/PcmAudio.h"
#include "agent/voice/SpeechFileWriter.h"
#include "agent/voice/SynthesisThread.h"

using namespace clipvoice::agent::voice;
using clipvoice::agent::voice::testing::FakeEngine;
using Outcome = SpeechFileWriter::Outcome;
using Failure = SpeechFileWriter::Failure;

namespace {

constexpr qint64 LineTimeoutMs = 30000;

std::shared_ptr<VoiceCatalog> espeakCatalog()
{
    // espeak-ng alone, without the engines this machine may have installed.
    return std::make_shared<VoiceCatalog>(
        OpenJTalkSetup::unavailable(QStringLiteral("Open JTalk not used in this test")),
        std::vector<std::shared_ptr<SpeechEngine>>{});
}

std::shared_ptr<VoiceCatalog> fakeCatalog()
{
    return std::make_shared<VoiceCatalog>(std::make_shared<FakeEngine>());
}

// What the speaker would get for the line: LineSynthesis on the synthesis
// thread, taken as the player takes it.
QByteArray synthesise(const std::shared_ptr<const VoiceCatalog>& catalog,
                      const LineRequest& request)
{
    auto stream = std::make_shared<LineStream>();
    CancelFlag cancel = makeCancelFlag();
    LineSynthesis::start(catalog, request, stream, cancel);
    QByteArray audio;
    QElapsedTimer deadline;
    deadline.start();
    while (deadline.elapsed() < LineTimeoutMs) {
        const LineStream::Update part = stream->take(1 << 20);
        audio += part.audio;
        if (part.finished)
            return audio;
        QThread::yieldCurrentThread();
    }
    cancel->store(true);
    qWarning("the line was not synthesised in time");
    return {};
}

struct Decoded
{
    bool ok = false;
    int format = 0;
    int sampleRate = 0;
    int channels = 0;
    QByteArray samples; // 16-bit, machine order
};

Decoded decode(const QString& path)
{
    Decoded decoded;
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return decoded;
    decoded.format = info.format;
    decoded.sampleRate = info.samplerate;
    decoded.channels = info.channels;
    decoded.samples.resize(info.frames * info.channels * 2);
    const sf_count_t read =
        sf_read_short(file, reinterpret_cast<short*>(decoded.samples.data()), info.frames);
    sf_close(file);
    decoded.ok = read == info.frames;
    return decoded;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

QList<LineRequest> requests(const QStringList& lines, qint32 language = 1033, int speed = 50,
                            int pitch = 50)
{
    QList<LineRequest> result;
    for (const QString& line : lines)
        result.append(LineRequest{line, language, speed, pitch, {}, {}});
    return result;
}

} // namespace

class SpeechFileWriterTest : public QObject
{
    Q_OBJECT

private slots:
    void linesAreThoseSpeakingSays()
    {
        QCOMPARE(SpeechFileWriter::lines(QString()), QStringList());
        QCOMPARE(SpeechFileWriter::lines(QStringLiteral("\r\n\n\r")), QStringList());
        QCOMPARE(SpeechFileWriter::lines(QStringLiteral("one\r\ntwo\nthree\rfour\r\n")),
                 (QStringList{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three"),
                              QStringLiteral("four")}));
        // Empty lines are left out; a line of spaces is kept (it says nothing).
        QCOMPARE(SpeechFileWriter::lines(QStringLiteral("\r\n\r\na b\r\n\r\n  \r\nc")),
                 (QStringList{QStringLiteral("a b"), QStringLiteral("  "), QStringLiteral("c")}));
    }

    void typeFollowsTheExtension()
    {
        QCOMPARE(audioFileTypeFor(QStringLiteral("/a/b.wav")), AudioFileType::Wav);
        QCOMPARE(audioFileTypeFor(QStringLiteral("B.WAV")), AudioFileType::Wav);
        QCOMPARE(audioFileTypeFor(QStringLiteral("c.ogg")), AudioFileType::OggVorbis);
        QCOMPARE(audioFileTypeFor(QStringLiteral("c.Oga")), AudioFileType::OggVorbis);
        QVERIFY(!audioFileTypeFor(QStringLiteral("c.mp3")));
        QVERIFY(!audioFileTypeFor(QStringLiteral("wav")));
        QVERIFY(!audioFileTypeFor(QStringLiteral("folder.wav/file")));
    }

    void wavHoldsExactlyWhatTheSpeakerPlays()
    {
        // A voice that says the same line the same way every time (espeak-ng
        // varies by a few samples from one call to the next), at another rate
        // than the output's, so the conversion is part of what is compared.
        const auto catalog = fakeCatalog();
        // Speed off its default, so a request made another way would differ.
        const QList<LineRequest> lines =
            requests({QStringLiteral("Hello there."),
                      QStringLiteral("A second line, a little longer than the first.")},
                     1033, 65, 35);
        QByteArray expected;
        for (const LineRequest& line : lines)
            expected += synthesise(catalog, line);
        QVERIFY(expected.size() > OutputSampleRate); // more than half a second

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("speech.wav"));
        QList<std::pair<qint64, qint64>> progress;
        const SpeechFileWriter::Result result = SpeechFileWriter::write(
            catalog, lines, path, makeCancelFlag(), [&](qint64 done, qint64 total) {
                progress.append({done, total});
            });
        QCOMPARE(result.outcome, Outcome::Saved);
        QCOMPARE(result.failedLines, 0);
        QCOMPARE(result.frames, expected.size() / 2);
        const qint64 total = lines.at(0).text.size() + lines.at(1).text.size();
        QCOMPARE(progress, (QList<std::pair<qint64, qint64>>{
                               {0, total}, {lines.at(0).text.size(), total}, {total, total}}));

        const Decoded decoded = decode(path);
        QVERIFY(decoded.ok);
        QCOMPARE(decoded.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        QCOMPARE(decoded.sampleRate, OutputSampleRate);
        QCOMPARE(decoded.channels, 1);
        QCOMPARE(decoded.samples.size(), expected.size());
        QVERIFY(decoded.samples == expected);
        QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("speech.wav")});
    }

    void wavHoldsWhatEspeakSays()
    {
        const auto catalog = espeakCatalog();
        if (!catalog->supportsLanguage(1033))
            QSKIP("espeak-ng has no English voice here (espeak-ng-data)");
        const QList<LineRequest> lines =
            requests({QStringLiteral("Hello there."),
                      QStringLiteral("A second line, a little longer than the first.")},
                     1033, 65, 35);
        QByteArray expected;
        for (const LineRequest& line : lines)
            expected += synthesise(catalog, line);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("speech.wav"));
        const SpeechFileWriter::Result result =
            SpeechFileWriter::write(catalog, lines, path, makeCancelFlag());
        QCOMPARE(result.outcome, Outcome::Saved);
        const Decoded decoded = decode(path);
        QVERIFY(decoded.ok);
        QCOMPARE(decoded.samples.size() / 2, result.frames);
        // espeak-ng's output varies by well under a millisecond per line.
        const qint64 expectedFrames = expected.size() / 2;
        QVERIFY2(
            std::abs(result.frames - expectedFrames) < OutputSampleRate / 50,
            qPrintable(
                QStringLiteral("%1 frames, not about %2").arg(result.frames).arg(expectedFrames)));
        const double expectedRms = WavCodec::rms(expected);
        QVERIFY(expectedRms > 0.01);
        QVERIFY(std::abs(WavCodec::rms(decoded.samples) - expectedRms) < 0.05 * expectedRms);
    }

    void oggHoldsTheSameSpeech()
    {
        const auto catalog = espeakCatalog();
        if (!catalog->supportsLanguage(1033))
            QSKIP("espeak-ng has no English voice here (espeak-ng-data)");
        const QList<LineRequest> lines =
            requests({QStringLiteral("Saved as Ogg Vorbis."), QStringLiteral("Two lines.")});
        QByteArray expected;
        for (const LineRequest& line : lines)
            expected += synthesise(catalog, line);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("speech.ogg"));
        const SpeechFileWriter::Result result =
            SpeechFileWriter::write(catalog, lines, path, makeCancelFlag());
        QCOMPARE(result.outcome, Outcome::Saved);
        const Decoded decoded = decode(path);
        QVERIFY(decoded.ok);
        QCOMPARE(decoded.format, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
        QCOMPARE(decoded.sampleRate, OutputSampleRate);
        QCOMPARE(decoded.channels, 1);
        // Vorbis keeps the length to within a block, and the loudness.
        const qint64 expectedFrames = expected.size() / 2;
        const qint64 frames = decoded.samples.size() / 2;
        QVERIFY2(std::abs(frames - expectedFrames) <= 2048,
                 qPrintable(QStringLiteral("%1 frames, not %2").arg(frames).arg(expectedFrames)));
        const double expectedRms = WavCodec::rms(expected);
        const double rms = WavCodec::rms(decoded.samples);
        QVERIFY(expectedRms > 0.01);
        QVERIFY2(std::abs(rms - expectedRms) < 0.1 * expectedRms,
                 qPrintable(QStringLiteral("rms %1, not %2").arg(rms).arg(expectedRms)));
        // A compressed file is much smaller than the samples.
        QVERIFY(QFileInfo(path).size() < expected.size() / 4);
    }

    void successReplacesAnExistingFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("speech.wav"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents");
        old.close();
        const SpeechFileWriter::Result result = SpeechFileWriter::write(
            fakeCatalog(), requests({QStringLiteral("one two three")}), path, makeCancelFlag());
        QCOMPARE(result.outcome, Outcome::Saved);
        const Decoded decoded = decode(path);
        QVERIFY(decoded.ok);
        QCOMPARE(decoded.samples.size() / 2, result.frames);
        QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("speech.wav")});
    }

    void cancellingLeavesNoFileAndTheOldOneAsItWas()
    {
        for (const char* name : {"speech.wav", "speech.ogg"}) {
            QTemporaryDir dir;
            const QString path = dir.filePath(QLatin1String(name));
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            const QByteArray before("an earlier recording");
            old.write(before);
            old.close();

            // Cancelled after the first of three lines, once audio was written.
            CancelFlag cancel = makeCancelFlag();
            int calls = 0;
            const SpeechFileWriter::Result result = SpeechFileWriter::write(
                fakeCatalog(),
                requests({QStringLiteral("one two"), QStringLiteral("three four"),
                          QStringLiteral("five six")}),
                path, cancel, [&](qint64 done, qint64) {
                    ++calls;
                    if (done > 0)
                        cancel->store(true);
                });
            QCOMPARE(result.outcome, Outcome::Cancelled);
            QCOMPARE(calls, 2);
            QCOMPARE(readAll(path), before);
            QCOMPARE(entries(dir.path()), QStringList{QLatin1String(name)});

            // Cancelled before it began: no file at all.
            QVERIFY(QFile::remove(path));
            cancel = makeCancelFlag();
            cancel->store(true);
            QCOMPARE(SpeechFileWriter::write(fakeCatalog(), requests({QStringLiteral("one")}), path,
                                             cancel)
                         .outcome,
                     Outcome::Cancelled);
            QVERIFY(entries(dir.path()).isEmpty());
        }
    }

    void unwritableFolderFailsWithAReason()
    {
        QTemporaryDir dir;
        // A folder that does not exist, and one that is a file.
        QFile blocker(dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        for (const QString& path : {dir.filePath(QStringLiteral("missing/speech.wav")),
                                    dir.filePath(QStringLiteral("file/speech.ogg"))}) {
            const SpeechFileWriter::Result result = SpeechFileWriter::write(
                fakeCatalog(), requests({QStringLiteral("one")}), path, makeCancelFlag());
            QCOMPARE(result.outcome, Outcome::Failed);
            QCOMPARE(result.failure, Failure::CannotCreate);
            QVERIFY(!result.detail.isEmpty());
            QVERIFY(!QFileInfo::exists(path));
        }
        QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("file")});
    }

    void readOnlyFolderFailsWithAReason()
    {
        if (::geteuid() == 0)
            QSKIP("running as root, which may write into a read-only folder");
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        const QString path = folder + QStringLiteral("/speech.wav");
        const SpeechFileWriter::Result result = SpeechFileWriter::write(
            fakeCatalog(), requests({QStringLiteral("one")}), path, makeCancelFlag());
        QVERIFY(
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(result.outcome, Outcome::Failed);
        QCOMPARE(result.failure, Failure::CannotCreate);
        QVERIFY(!result.detail.isEmpty());
        QVERIFY(entries(folder).isEmpty());
    }

    void aWriteThatFailsPartWayLeavesNoFile()
    {
        // A file size limit makes writing fail part way, as a full disk does.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("speech.wav"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an earlier recording");
        old.close();
        rlimit before{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &before) == 0);
        rlimit limited = before;
        limited.rlim_cur = 64 * 1024;
        if (before.rlim_max != RLIM_INFINITY && before.rlim_max < limited.rlim_cur)
            QSKIP("the hard file size limit is below the test's");
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
        QStringList words;
        for (int i = 0; i < 10; ++i)
            words.append(QStringLiteral("one two three four five six seven eight nine ten"));
        const SpeechFileWriter::Result result =
            SpeechFileWriter::write(fakeCatalog(), requests(words), path, makeCancelFlag());
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &before) == 0);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(result.outcome, Outcome::Failed);
        QCOMPARE(result.failure, Failure::CannotWrite);
        QVERIFY(!result.detail.isEmpty());
        QCOMPARE(readAll(path), QByteArray("an earlier recording"));
        QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("speech.wav")});
    }

    void nothingToSayWritesNoFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("speech.wav"));
        // No line at all, and lines that give no audio.
        for (const QList<LineRequest>& lines :
             {QList<LineRequest>(), requests({QStringLiteral("   "), QStringLiteral("\t")})}) {
            const SpeechFileWriter::Result result =
                SpeechFileWriter::write(fakeCatalog(), lines, path, makeCancelFlag());
            QCOMPARE(result.outcome, Outcome::Failed);
            QCOMPARE(result.failure, Failure::NothingToSay);
            QVERIFY(entries(dir.path()).isEmpty());
        }
        // A type we cannot write.
        const SpeechFileWriter::Result mp3 =
            SpeechFileWriter::write(fakeCatalog(), requests({QStringLiteral("one")}),
                                    dir.filePath(QStringLiteral("speech.mp3")), makeCancelFlag());
        QCOMPARE(mp3.failure, Failure::UnknownType);
        QVERIFY(entries(dir.path()).isEmpty());
    }

    void linesTheVoiceCannotSayAreLeftOut()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("speech.wav"));
        // The fake engine has no voice for language 9999.
        QList<LineRequest> lines = requests({QStringLiteral("one two")});
        lines.append(LineRequest{QStringLiteral("lost"), 9999, 50, 50, {}, {}});
        const SpeechFileWriter::Result some =
            SpeechFileWriter::write(fakeCatalog(), lines, path, makeCancelFlag());
        QCOMPARE(some.outcome, Outcome::Saved);
        QCOMPARE(some.failedLines, 1);
        QCOMPARE(decode(path).samples.size() / 2, some.frames);

        QVERIFY(QFile::remove(path));
        const SpeechFileWriter::Result none = SpeechFileWriter::write(
            fakeCatalog(), {LineRequest{QStringLiteral("lost"), 9999, 50, 50, {}, {}}}, path,
            makeCancelFlag());
        QCOMPARE(none.outcome, Outcome::Failed);
        QCOMPARE(none.failure, Failure::SynthesisFailed);
        QVERIFY(none.detail.contains(QStringLiteral("9999")));
        QVERIFY(entries(dir.path()).isEmpty());
    }

    void jobReportsOnTheCallersThread()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("speech.ogg"));
        SpeechFileJob job(fakeCatalog(),
                          requests({QStringLiteral("one two"), QStringLiteral("three")}), path);
        QCOMPARE(job.totalCharacters(), 12);
        QSignalSpy progress(&job, &SpeechFileJob::progress);
        QSignalSpy finished(&job, &SpeechFileJob::finished);
        QObject receiver;
        Qt::HANDLE receivedOn = nullptr;
        connect(&job, &SpeechFileJob::finished, &receiver,
                [&receivedOn] { receivedOn = QThread::currentThreadId(); });
        job.start();
        QVERIFY(finished.wait(LineTimeoutMs));
        // The spy hears the signal on the job's thread; the receiver's queued
        // call comes when this thread's event loop runs again.
        QTRY_VERIFY_WITH_TIMEOUT(receivedOn != nullptr, LineTimeoutMs);
        QCOMPARE(receivedOn, QThread::currentThreadId());
        const auto result = finished.at(0).at(0).value<SpeechFileWriter::Result>();
        QCOMPARE(result.outcome, Outcome::Saved);
        QCOMPARE(progress.size(), 3);
        QCOMPARE(progress.last().at(0).toLongLong(), 12);
        QVERIFY(decode(path).ok);
    }

    void deletingARunningJobCancelsIt()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("speech.wav"));
        // Many lines of slow speech: far from done when the job goes.
        QStringList many;
        for (int i = 0; i < 200; ++i)
            many.append(QStringLiteral("one two three four five six seven eight"));
        auto engine = std::make_shared<FakeEngine>(400, 200);
        auto job = std::make_unique<SpeechFileJob>(std::make_shared<VoiceCatalog>(engine),
                                                   requests(many), path);
        QSignalSpy progress(job.get(), &SpeechFileJob::progress);
        job->start();
        QVERIFY(progress.wait(LineTimeoutMs)); // under way
        job.reset();
        QVERIFY(entries(dir.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(SpeechFileWriterTest)
#include "SpeechFileWriterTest.moc"
