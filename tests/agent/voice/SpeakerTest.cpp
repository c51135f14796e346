// The speaker: lines play in order with their words and mouth shapes at the
// right moments, stop is immediate, markup is only ever read, and everything
// works with no sound device. Speakers, sound effects and clock outputs run on
// a hand-driven clock (ManualPlayback), so their timing is exact.

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtEndian>

#include <future>

#include "ManualPlayback.h"
#include "VoiceTestUtil.h"
#include "agent/voice/AudioOutput.h"
#include "agent/voice/EspeakEngine.h"
#include "agent/voice/LineStream.h"
#include "agent/voice/LineSynthesis.h"
#include "agent/voice/MouthShapes.h"
#include "agent/voice/PcmAudio.h"
#include "agent/voice/SoundDecoder.h"
#include "agent/voice/SoundEffectPlayer.h"
#include "agent/voice/Speaker.h"

using namespace clipvoice::agent::voice;
namespace reading = clipvoice::agent::reading;
using clipvoice::agent::voice::testing::CollectingSink;
using clipvoice::agent::voice::testing::collectLine;
using clipvoice::agent::voice::testing::FakeEngine;
using clipvoice::agent::voice::testing::ManualPlayback;

namespace {

constexpr int LineTimeoutMs = 20000;
// Clock time a speaker test may take before it counts as hung.
constexpr qint64 PlaybackLimitMs = 60000;

std::shared_ptr<VoiceCatalog> espeakCatalog()
{
    // espeak-ng alone, without the engines this machine may have installed.
    return std::make_shared<VoiceCatalog>(
        OpenJTalkSetup::unavailable(QStringLiteral("Open JTalk not used in this test")),
        std::vector<std::shared_ptr<SpeechEngine>>{});
}

std::shared_ptr<VoiceCatalog> fakeCatalog(const std::shared_ptr<FakeEngine>& engine)
{
    return std::make_shared<VoiceCatalog>(std::static_pointer_cast<SpeechEngine>(engine));
}

Speaker::Outcome outcomeAt(const QSignalSpy& spy, qsizetype index)
{
    return spy.at(index).at(1).value<Speaker::Outcome>();
}

// Reads a WAV file the outputs wrote and checks its header against its size.
PcmAudio readValidWav(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 44 ||
        qFromLittleEndian<quint32>(bytes.constData() + 4) != bytes.size() - 8 ||
        qFromLittleEndian<quint32>(bytes.constData() + 40) != bytes.size() - 44) {
        return {};
    }
    if (bytes.size() == 44) // a valid file with no samples yet
        return PcmAudio{{}, static_cast<int>(qFromLittleEndian<quint32>(bytes.constData() + 24))};
    const DecodedSound sound = decodeSound(bytes);
    return sound.ok() ? sound.audio : PcmAudio{{}, -1};
}

} // namespace

class TestVoiceSpeaker : public QObject
{
    Q_OBJECT

private slots:
    void speaksWordsInOrderOnTheClock();
    void missingSoundDeviceFallsBackToTheClock();
    void wavFileHoldsWhatWasPlayedInOrder();
    void stopSilencesAtOnceAndDropsTheQueue();
    void slotsMayStopOrSpeakFromSignals();
    void synthesisRunsOnlyOneLineAhead();
    void speedAppliesToTheNextLine();
    void speedChangesEspeakDuration();
    void spokenOutputOffKeepsSignalsWithoutSound();
    void markupIsReadNotObeyed();
    void longLinesAreCutAndTimedAsOne();
    void hugeTextCanBeStopped();
    void unsupportedLanguageFailsQuietly();
    void emptyLinesFinishAtOnce();
    void soundEffectsPlayThroughTheOutput();
    void environmentChoosesTheWavFile();
    void clockOutputKeepsTimeOnItsClock();
    void synthesisGivesUpWhenThePlayerIsGone();
    void readingRewritesWhatTheEngineHears();
    void readingIsMadeOncePerLanguageAndOnlyWhenOn();
    void espeakWordsPointIntoTheWrittenText();
};

void TestVoiceSpeaker::speaksWordsInOrderOnTheClock()
{
    ManualPlayback playback;
    Speaker speaker(espeakCatalog(), std::make_unique<ClockOutput>(playback.scheduler),
                    playback.scheduler);
    QSignalSpy started(&speaker, &Speaker::lineStarted);
    QSignalSpy words(&speaker, &Speaker::wordReached);
    QSignalSpy mouths(&speaker, &Speaker::mouthShapeChanged);
    QSignalSpy progress(&speaker, &Speaker::progress);
    QSignalSpy finished(&speaker, &Speaker::lineFinished);
    QSignalSpy idle(&speaker, &Speaker::idle);

    const QString text = QStringLiteral("The quick brown fox jumps over the lazy dog.");
    const qint64 startMs = playback.now();
    const int id = speaker.speak(text);
    QVERIFY(speaker.isSpeaking());
    QVERIFY(playback.runUntil([&] { return finished.size() == 1; }, PlaybackLimitMs));
    const qint64 tookMs = playback.now() - startMs;

    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), id);
    QCOMPARE(outcomeAt(finished, 0), Speaker::Outcome::Completed);
    QCOMPARE(idle.size(), 1);
    QCOMPARE(started.size(), 1);
    QCOMPARE(started.at(0).at(1).toString(), QStringLiteral("espeak-ng"));

    QStringList said;
    for (const auto& args : std::as_const(words)) {
        QCOMPARE(args.at(0).toInt(), id);
        said.append(text.mid(args.at(1).toInt(), args.at(2).toInt()));
    }
    QCOMPARE(said,
             QStringList({QStringLiteral("The"), QStringLiteral("quick"), QStringLiteral("brown"),
                          QStringLiteral("fox"), QStringLiteral("jumps"), QStringLiteral("over"),
                          QStringLiteral("the"), QStringLiteral("lazy"), QStringLiteral("dog")}));

    QVERIFY(mouths.size() > 6);
    QCOMPARE(mouths.last().at(0).toInt(), 0); // closed at the end
    QVERIFY(!progress.isEmpty());
    qint64 lastPosition = -1;
    for (const auto& args : std::as_const(progress)) {
        QVERIFY(args.at(1).toLongLong() >= lastPosition);
        lastPosition = args.at(1).toLongLong();
    }
    // With no device the clock still takes the line's time.
    const qint64 durationMs = progress.last().at(2).toLongLong();
    QVERIFY(durationMs > 1500);
    QVERIFY2(tookMs >= durationMs - 30,
             qPrintable(QStringLiteral("%1 < %2").arg(tookMs).arg(durationMs)));
    QVERIFY(!speaker.isSpeaking());
}

void TestVoiceSpeaker::missingSoundDeviceFallsBackToTheClock()
{
    ManualPlayback playback;
    auto device = std::make_unique<DeviceOutput>(QAudioDevice(), playback.scheduler);
    DeviceOutput* output = device.get();
    auto engine = std::make_shared<FakeEngine>(400, 100);
    Speaker speaker(fakeCatalog(engine), std::move(device), playback.scheduler);
    QSignalSpy words(&speaker, &Speaker::wordReached);
    QSignalSpy finished(&speaker, &Speaker::lineFinished);
    const qint64 startMs = playback.now();
    speaker.speak(QStringLiteral("one two three four five"));
    QVERIFY(playback.runUntil([&] { return finished.size() == 1; }, PlaybackLimitMs));
    QCOMPARE(outcomeAt(finished, 0), Speaker::Outcome::Completed);
    QCOMPARE(words.size(), 5);
    QVERIFY(output->hasFallenBack());
    QVERIFY(!output->sink());
    QCOMPARE(output->description(), QStringLiteral("no sound device"));
    QVERIFY(playback.now() - startMs >= 500 - 30);
}

void TestVoiceSpeaker::wavFileHoldsWhatWasPlayedInOrder()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("played.wav"));
    ManualPlayback playback;
    auto engine = std::make_shared<FakeEngine>(400, 60);
    Speaker speaker(fakeCatalog(engine), std::make_unique<WavFileOutput>(path, playback.scheduler),
                    playback.scheduler);
    QSignalSpy finished(&speaker, &Speaker::lineFinished);
    speaker.speak(QStringLiteral("one two three four"));
    speaker.speak(QStringLiteral("five six"));
    QVERIFY(playback.runUntil([&] { return finished.size() == 2; }, PlaybackLimitMs));

    const PcmAudio audio = readValidWav(path);
    QCOMPARE(audio.sampleRate, OutputSampleRate);
    // Six words of 60 ms, both lines one after the other.
    QVERIFY2(std::abs(audio.durationMs() - 360) <= 5,
             qPrintable(QString::number(audio.durationMs())));
    QVERIFY(WavCodec::rms(audio.samples) > 0.1);

    // A second output on the same file appends to it.
    {
        SoundEffectPlayer effects(std::make_unique<WavFileOutput>(path, playback.scheduler),
                                  playback.scheduler);
        QSignalSpy done(&effects, &SoundEffectPlayer::finished);
        QVERIFY(effects.play(PcmAudio{QByteArray(1600, '\x10'), 8000}));
        QVERIFY(playback.runUntil([&] { return done.size() == 1; }, PlaybackLimitMs));
    }
    QVERIFY(std::abs(readValidWav(path).durationMs() - 460) <= 5);
}

void TestVoiceSpeaker::stopSilencesAtOnceAndDropsTheQueue()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("stopped.wav"));
    ManualPlayback playback;
    Speaker speaker(espeakCatalog(), std::make_unique<WavFileOutput>(path, playback.scheduler),
                    playback.scheduler);
    QSignalSpy words(&speaker, &Speaker::wordReached);
    QSignalSpy finished(&speaker, &Speaker::lineFinished);
    QSignalSpy mouths(&speaker, &Speaker::mouthShapeChanged);
    const int first = speaker.speak(
        QStringLiteral("This first line is long enough to still be playing when it is stopped."));
    const int second = speaker.speak(QStringLiteral("The second line is never heard."));
    const int third = speaker.speak(QStringLiteral("Nor is the third."));
    QVERIFY(playback.runUntil([&] { return words.size() >= 2; }, PlaybackLimitMs));

    speaker.stop();
    // Synchronously: nothing plays and every line is accounted for.
    QVERIFY(!speaker.output().isActive());
    QVERIFY(!speaker.isSpeaking());
    QCOMPARE(speaker.positionMs(), -1);
    QCOMPARE(finished.size(), 3);
    QCOMPARE(finished.at(0).at(0).toInt(), first);
    QCOMPARE(finished.at(1).at(0).toInt(), second);
    QCOMPARE(finished.at(2).at(0).toInt(), third);
    for (qsizetype i = 0; i < 3; ++i) {
        QCOMPARE(outcomeAt(finished, i), Speaker::Outcome::Stopped);
    }
    QCOMPARE(mouths.last().at(0).toInt(), 0);

    const PcmAudio stopped = readValidWav(path);
    QVERIFY(stopped.sampleRate == OutputSampleRate);
    QVERIFY(stopped.durationMs() > 0);
    QVERIFY(stopped.durationMs() < 3000); // the line was cut short
    // Asking the output to move on plays nothing more.
    playback.scheduler->advance(1000);
    speaker.output().playedMs();
    QCOMPARE(readValidWav(path).samples.size(), stopped.samples.size());

    // The stopped lines send nothing more, and the speaker carries on.
    const qsizetype wordsAtStop = words.size();
    const int next = speaker.speak(QStringLiteral("Next."));
    QVERIFY(playback.runUntil([&] { return finished.size() == 4; }, PlaybackLimitMs));
    QCOMPARE(finished.at(3).at(0).toInt(), next);
    QCOMPARE(outcomeAt(finished, 3), Speaker::Outcome::Completed);
    for (qsizetype i = wordsAtStop; i < words.size(); ++i) {
        QCOMPARE(words.at(i).at(0).toInt(), next);
    }
}

void TestVoiceSpeaker::slotsMayStopOrSpeakFromSignals()
{
    ManualPlayback playback;
    auto engine = std::make_shared<FakeEngine>(400, 40);
    Speaker speaker(fakeCatalog(engine), std::make_unique<ClockOutput>(playback.scheduler),
                    playback.scheduler);
    QSignalSpy finished(&speaker, &Speaker::lineFinished);
    // Stop from inside the first word of the first line.
    auto stopper =
        connect(&speaker, &Speaker::wordReached, &speaker, [&speaker] { speaker.stop(); });
    speaker.speak(QStringLiteral("a b c"));
    speaker.speak(QStringLiteral("d e f"));
    QVERIFY(playback.runUntil([&] { return finished.size() == 2; }, PlaybackLimitMs));
    QCOMPARE(outcomeAt(finished, 0), Speaker::Outcome::Stopped);
    QCOMPARE(outcomeAt(finished, 1), Speaker::Outcome::Stopped);
    disconnect(stopper);

    // Chain a line from the end of another.
    bool chained = false;
    connect(&speaker, &Speaker::lineFinished, &speaker, [&] {
        if (!chained) {
            chained = true;
            speaker.speak(QStringLiteral("g h"));
        }
    });
    speaker.speak(QStringLiteral("x y"));
    QVERIFY(playback.runUntil([&] { return finished.size() == 4; }, PlaybackLimitMs));
    QCOMPARE(outcomeAt(finished, 3), Speaker::Outcome::Completed);
    QVERIFY(!speaker.isSpeaking());
}

void TestVoiceSpeaker::synthesisRunsOnlyOneLineAhead()
{
    ManualPlayback playback;
    auto engine = std::make_shared<FakeEngine>(400, 60);
    Speaker speaker(fakeCatalog(engine), std::make_unique<ClockOutput>(playback.scheduler),
                    playback.scheduler);
    QSignalSpy started(&speaker, &Speaker::lineStarted);
    QSignalSpy finished(&speaker, &Speaker::lineFinished);
    for (int i = 0; i < 4; ++i) {
        speaker.speak(QStringLiteral("line %1 has five words").arg(i));
    }
    QVERIFY(playback.runUntil([&] { return started.size() == 1; }, PlaybackLimitMs));
    QVERIFY(engine->texts().size() <= 2);
    QVERIFY(playback.runUntil([&] { return started.size() == 2; }, PlaybackLimitMs));
    QVERIFY(engine->texts().size() <= 3);
    QVERIFY(playback.runUntil([&] { return finished.size() == 4; }, PlaybackLimitMs));
    QCOMPARE(engine->texts().size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(finished.at(i).at(0).toInt(), started.at(0).at(0).toInt() + i);
        QCOMPARE(outcomeAt(finished, i), Speaker::Outcome::Completed);
    }
}

void TestVoiceSpeaker::speedAppliesToTheNextLine()
{
    ManualPlayback playback;
    auto engine = std::make_shared<FakeEngine>(400, 100);
    Speaker speaker(fakeCatalog(engine), std::make_unique<ClockOutput>(playback.scheduler),
                    playback.scheduler);
    QSignalSpy started(&speaker, &Speaker::lineStarted);
    QSignalSpy progress(&speaker, &Speaker::progress);
    QSignalSpy finished(&speaker, &Speaker::lineFinished);
    const int first = speaker.speak(QStringLiteral("a b c d"));
    const int second = speaker.speak(QStringLiteral("a b c d"));
    QVERIFY(playback.runUntil([&] { return started.size() == 1; }, PlaybackLimitMs));
    // The second line may already be made at the old speed; it is made again.
    speaker.setSpeed(100);
    QVERIFY(playback.runUntil([&] { return finished.size() == 2; }, PlaybackLimitMs));
    QCOMPARE(engine->speeds().first(), 50);
    QCOMPARE(engine->speeds().last(), 100);

    qint64 firstLength = 0;
    qint64 secondLength = 0;
    for (const auto& args : std::as_const(progress)) {
        (args.at(0).toInt() == first ? firstLength : secondLength) = args.at(2).toLongLong();
    }
    Q_UNUSED(second);
    QCOMPARE(firstLength, 400);
    QCOMPARE(secondLength, 200);
}

void TestVoiceSpeaker::speedChangesEspeakDuration()
{
    EspeakEngine engine;
    const QString text = QStringLiteral("Speed changes how long this sentence takes to say.");
    std::atomic_bool cancel{false};
    CollectingSink slow;
    CollectingSink normal;
    CollectingSink fast;
    QVERIFY(engine.synthesize({text, 1033, 10, 50, {}}, slow, cancel).ok);
    QVERIFY(engine.synthesize({text, 1033, 50, 50, {}}, normal, cancel).ok);
    QVERIFY(engine.synthesize({text, 1033, 90, 50, {}}, fast, cancel).ok);
    QVERIFY(slow.durationMs() > normal.durationMs() * 13 / 10);
    QVERIFY(normal.durationMs() > fast.durationMs() * 13 / 10);
}

void TestVoiceSpeaker::spokenOutputOffKeepsSignalsWithoutSound()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("quiet.wav"));
    ManualPlayback playback;
    auto engine = std::make_shared<FakeEngine>(400, 60);
    Speaker speaker(fakeCatalog(engine), std::make_unique<WavFileOutput>(path, playback.scheduler),
                    playback.scheduler);
    QSignalSpy words(&speaker, &Speaker::wordReached);
    QSignalSpy finished(&speaker, &Speaker::lineFinished);
    speaker.setSpokenOutputEnabled(false);
    const qint64 startMs = playback.now();
    speaker.speak(QStringLiteral("quiet words still reveal"));
    QVERIFY(playback.runUntil([&] { return finished.size() == 1; }, PlaybackLimitMs));
    QCOMPARE(outcomeAt(finished, 0), Speaker::Outcome::Completed);
    QCOMPARE(words.size(), 4);
    QVERIFY(playback.now() - startMs >= 240 - 30); // still takes its time
    QCOMPARE(readValidWav(path).samples.size(), 0);

    speaker.setSpokenOutputEnabled(true);
    speaker.speak(QStringLiteral("loud now"));
    QVERIFY(playback.runUntil([&] { return finished.size() == 2; }, PlaybackLimitMs));
    QVERIFY(std::abs(readValidWav(path).durationMs() - 120) <= 5);
}

void TestVoiceSpeaker::markupIsReadNotObeyed()
{
    QTemporaryDir dir;
    // A file the markup points at: if anything opened it, its access time
    // would move from the year 2001.
    const QString target = dir.filePath(QStringLiteral("secret.wav"));
    {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(WavCodec::header(16000, 8000) + QByteArray(16000, '\x40'));
    }
    const QDateTime old(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    {
        QFile file(target);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(old, QFileDevice::FileAccessTime));
    }
    const QString created = dir.filePath(QStringLiteral("created.txt"));
    const QString tag = QStringLiteral("<audio src='file://%1'/>").arg(target);
    const QString markup = QStringLiteral("<speak>Hello %1 <break time='10s'/> world "
                                          "<mark name='x'/> \\Spd=400\\ \\Map=\"a\"=\"b\"\\ "
                                          "[[h@'loU]] <audio src='file://%2'/></speak>")
                               .arg(tag, created);

    const auto catalog = espeakCatalog();
    auto synth = [&](const QString& text) {
        auto stream = std::make_shared<LineStream>();
        LineSynthesis::start(catalog, {text, 1033, 50, 50, {}, {}}, stream, makeCancelFlag());
        return collectLine(*stream, LineTimeoutMs);
    };
    const LineStream::Update plain = synth(QStringLiteral("Hello world"));
    const LineStream::Update read = synth(markup);
    QVERIFY(plain.ok);
    QVERIFY2(read.ok, qPrintable(read.error));

    QCOMPARE(QFileInfo(target).lastRead().toUTC(), old);
    QVERIFY(!QFileInfo::exists(created));
    const qint64 plainMs = PcmAudio::durationMs(plain.audio.size(), OutputSampleRate);
    const qint64 readMs = PcmAudio::durationMs(read.audio.size(), OutputSampleRate);
    // The tags are spoken as words (longer), and the ten second break is not
    // kept as silence.
    QVERIFY2(readMs > plainMs + 3000, qPrintable(QStringLiteral("%1 %2").arg(readMs).arg(plainMs)));
    const PcmAudio readAudio{read.audio, OutputSampleRate};
    qint64 longestSilenceMs = 0;
    qint64 silenceMs = 0;
    const QList<MouthTiming> loudness =
        MouthShapes::fromSamples(readAudio.samples, OutputSampleRate, 0, 20);
    for (qsizetype i = 0; i + 1 < loudness.size(); ++i) {
        if (loudness.at(i).shape == 0) {
            silenceMs = loudness.at(i + 1).timeMs - loudness.at(i).timeMs;
            longestSilenceMs = std::max(longestSilenceMs, silenceMs);
        }
    }
    QVERIFY2(longestSilenceMs < 2000, qPrintable(QString::number(longestSilenceMs)));
    // Words are reported inside the tag: it was read.
    const int tagStart = static_cast<int>(markup.indexOf(tag));
    const bool wordInTag =
        std::any_of(read.words.begin(), read.words.end(), [&](const WordTiming& w) {
            return w.textOffset > tagStart && w.textOffset < tagStart + tag.size();
        });
    QVERIFY(wordInTag);

    // Only now read the file ourselves: if access times are kept on this file
    // system, the check above meant something.
    {
        QFile file(target);
        QVERIFY(file.open(QIODevice::ReadOnly));
        file.readAll();
    }
    if (QFileInfo(target).lastRead().toUTC() == old) {
        qWarning("access times are not updated here; the file-access check was weaker");
    }
}

void TestVoiceSpeaker::longLinesAreCutAndTimedAsOne()
{
    QString text;
    for (int i = 0; text.size() < 5000; ++i) {
        text += QStringLiteral("Sentence %1 says a little more. ").arg(i);
    }
    auto engine = std::make_shared<FakeEngine>(100, 10);
    const auto catalog = fakeCatalog(engine);
    auto stream = std::make_shared<LineStream>();
    LineSynthesis::start(catalog, {text, 1033, 50, 50, {}, {}}, stream, makeCancelFlag());
    const LineStream::Update all = collectLine(*stream, LineTimeoutMs);
    QVERIFY(all.ok);
    QVERIFY(engine->texts().size() >= 50);
    for (const QString& piece : engine->texts()) {
        QVERIFY(piece.size() <= 100);
    }
    // Offsets point into the whole line; times run on across the pieces.
    qint64 lastTime = -1;
    for (const WordTiming& word : std::as_const(all.words)) {
        const QString said = text.mid(word.textOffset, word.textLength);
        QVERIFY2(!said.trimmed().isEmpty() && !said.contains(QLatin1Char(' ')), qPrintable(said));
        QVERIFY(word.timeMs > lastTime);
        lastTime = word.timeMs;
    }
    QCOMPARE(all.words.size(), text.split(QLatin1Char(' '), Qt::SkipEmptyParts).size());
    QVERIFY(all.words.last().textOffset > 4900);
    QCOMPARE(PcmAudio::durationMs(all.audio.size(), OutputSampleRate), all.words.size() * 10);

    // The same through espeak-ng, whose pieces are longer.
    QString english;
    while (english.size() < 1500) {
        english += QStringLiteral("The voice reads a long line in pieces. ");
    }
    auto espeakStream = std::make_shared<LineStream>();
    LineSynthesis::start(espeakCatalog(), {english, 2057, 90, 50, {}, {}}, espeakStream,
                         makeCancelFlag());
    const LineStream::Update spoken = collectLine(*espeakStream, LineTimeoutMs);
    QVERIFY2(spoken.ok, qPrintable(spoken.error));
    QVERIFY(spoken.words.last().textOffset > 1400);
    QVERIFY(spoken.words.last().timeMs <
            PcmAudio::durationMs(spoken.audio.size(), OutputSampleRate));
    for (qsizetype i = 1; i < spoken.words.size(); ++i) {
        QVERIFY(spoken.words.at(i).timeMs >= spoken.words.at(i - 1).timeMs);
    }
}

void TestVoiceSpeaker::hugeTextCanBeStopped()
{
    ManualPlayback playback;
    auto engine = std::make_shared<FakeEngine>(400, 60);
    Speaker speaker(fakeCatalog(engine), std::make_unique<ClockOutput>(playback.scheduler),
                    playback.scheduler);
    QSignalSpy started(&speaker, &Speaker::lineStarted);
    QSignalSpy finished(&speaker, &Speaker::lineFinished);
    QString huge;
    huge.reserve(2'000'000);
    while (huge.size() < 2'000'000) {
        huge += QStringLiteral("word ");
    }
    speaker.speak(huge);
    // Its synthesis waits for the player, so time moves on without waiting for it.
    QVERIFY(playback.tickUntil([&] { return started.size() == 1; }));
    speaker.stop();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(outcomeAt(finished, 0), Speaker::Outcome::Stopped);
    // The synthesis gave up too, so the next line is made at once.
    speaker.speak(QStringLiteral("after"));
    QVERIFY(playback.runUntil([&] { return finished.size() == 2; }, PlaybackLimitMs));
    QCOMPARE(outcomeAt(finished, 1), Speaker::Outcome::Completed);
    // Synthesis waited for the player instead of making the whole text.
    QVERIFY(engine->texts().size() < 1000);
}

void TestVoiceSpeaker::unsupportedLanguageFailsQuietly()
{
    ManualPlayback playback;
    Speaker speaker(espeakCatalog(), std::make_unique<ClockOutput>(playback.scheduler),
                    playback.scheduler);
    QVERIFY(speaker.setLanguage(1041));
    QVERIFY(!speaker.setLanguage(1027));
    QCOMPARE(speaker.language(), 1041);
    QVERIFY(speaker.japaneseEngineStatus().startsWith(QStringLiteral("espeak-ng (")));

    QSignalSpy started(&speaker, &Speaker::lineStarted);
    QSignalSpy finished(&speaker, &Speaker::lineFinished);
    speaker.speak(QStringLiteral("Bon dia"), 1027);
    QVERIFY(playback.runUntil([&] { return finished.size() == 1; }, PlaybackLimitMs));
    QCOMPARE(outcomeAt(finished, 0), Speaker::Outcome::Failed);
    QVERIFY(finished.at(0).at(2).toString().contains(QStringLiteral("no voice")));
    QVERIFY(started.isEmpty());
}

void TestVoiceSpeaker::emptyLinesFinishAtOnce()
{
    ManualPlayback playback;
    auto engine = std::make_shared<FakeEngine>();
    Speaker speaker(fakeCatalog(engine), std::make_unique<ClockOutput>(playback.scheduler),
                    playback.scheduler);
    QSignalSpy started(&speaker, &Speaker::lineStarted);
    QSignalSpy finished(&speaker, &Speaker::lineFinished);
    speaker.speak(QString());
    speaker.speak(QStringLiteral("   \n\t "));
    QVERIFY(playback.runUntil([&] { return finished.size() == 2; }, PlaybackLimitMs));
    QCOMPARE(outcomeAt(finished, 0), Speaker::Outcome::Completed);
    QCOMPARE(outcomeAt(finished, 1), Speaker::Outcome::Completed);
    QVERIFY(started.isEmpty());
    QVERIFY(engine->texts().isEmpty());
}

void TestVoiceSpeaker::soundEffectsPlayThroughTheOutput()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("effect.wav"));
    ManualPlayback playback;
    SoundEffectPlayer player(std::make_unique<WavFileOutput>(path, playback.scheduler),
                             playback.scheduler);
    QSignalSpy done(&player, &SoundEffectPlayer::finished);

    QVERIFY(!player.play(PcmAudio{}));
    QVERIFY(!player.isPlaying());

    // 8-bit 11025 Hz, 200 ms: a typical character sound.
    QByteArray wav = WavCodec::header(2205, 11025) + QByteArray(2205, '\xC0');
    wav[34] = 8; // bits per sample
    wav[32] = 1; // block align
    qToLittleEndian<quint32>(11025, wav.data() + 28);
    const DecodedSound sound = decodeSound(wav);
    QVERIFY2(sound.ok(), qPrintable(sound.error));
    QVERIFY(player.play(sound.audio));
    QVERIFY(player.isPlaying());
    QVERIFY(playback.runUntil([&] { return done.size() == 1; }, PlaybackLimitMs));
    const PcmAudio audio = readValidWav(path);
    QCOMPARE(audio.sampleRate, OutputSampleRate);
    QVERIFY2(std::abs(audio.durationMs() - 200) <= 2,
             qPrintable(QString::number(audio.durationMs())));
    QVERIFY(WavCodec::rms(audio.samples) > 0.2);

    // Stop cuts a sound short.
    QVERIFY(player.play(sound.audio));
    player.stop();
    QVERIFY(!player.isPlaying());
    QVERIFY(!player.output().isActive());
}

void TestVoiceSpeaker::environmentChoosesTheWavFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chosen.wav"));
    const QByteArray saved = qgetenv("CLIPVOICE_AUDIO_FILE");
    qputenv("CLIPVOICE_AUDIO_FILE", QFile::encodeName(path));
    std::unique_ptr<AudioOutput> output = AudioOutput::create();
    if (saved.isNull()) {
        qunsetenv("CLIPVOICE_AUDIO_FILE");
    } else {
        qputenv("CLIPVOICE_AUDIO_FILE", saved);
    }
    QCOMPARE(output->description(), QStringLiteral("WAV file %1").arg(path));
    // The file exists with a valid empty header before anything plays.
    QCOMPARE(readValidWav(path).samples.size(), 0);
    QCOMPARE(readValidWav(path).sampleRate, OutputSampleRate);
}

void TestVoiceSpeaker::clockOutputKeepsTimeOnItsClock()
{
    ManualPlayback playback;
    ClockOutput output(playback.scheduler);
    output.begin();
    output.write(QByteArray(PcmAudio::bytesFor(100, OutputSampleRate), '\0'));
    QCOMPARE(output.writtenMs(), 100);
    QCOMPARE(output.playedMs(), 0);
    playback.scheduler->advance(40);
    QCOMPARE(output.playedMs(), 40);
    // Time that passes with nothing to play is lost, as on a device that runs
    // dry: the clock starts again from the next audio written.
    playback.scheduler->advance(200);
    QCOMPARE(output.playedMs(), 100);
    output.write(QByteArray(PcmAudio::bytesFor(50, OutputSampleRate), '\0'));
    playback.scheduler->advance(30);
    QCOMPARE(output.playedMs(), 130);
    output.stop();
    QVERIFY(!output.isActive());
    QCOMPARE(output.writtenMs(), 130);
}

void TestVoiceSpeaker::synthesisGivesUpWhenThePlayerIsGone()
{
    using namespace std::chrono_literals;
    ManualPlayback playback;
    LineStream stream(playback.scheduler);
    stream.appendAudio(
        QByteArray(PcmAudio::bytesFor(LineStream::MaxAheadMs, OutputSampleRate) + 2, '\0'));
    std::atomic_bool cancel{false};
    // Should a check fail, the waiting synthesis is released before the test returns.
    const auto release = qScopeGuard([&cancel] { cancel.store(true); });

    // Room the player makes lets the synthesis go on.
    auto waiting = std::async(std::launch::async, [&] { return stream.waitForRoom(cancel); });
    stream.take(4);
    QCOMPARE(waiting.wait_for(20s), std::future_status::ready);
    QVERIFY(waiting.get());

    // A player that takes nothing for PlayerGoneMs is gone.
    stream.appendAudio(QByteArray(4, '\0'));
    waiting = std::async(std::launch::async, [&] { return stream.waitForRoom(cancel); });
    playback.scheduler->advance(LineStream::PlayerGoneMs + 1);
    QCOMPARE(waiting.wait_for(20s), std::future_status::ready);
    QVERIFY(!waiting.get());
    QVERIFY(!cancel.load());
}

namespace {

std::shared_ptr<const QList<reading::PronunciationEntry>>
dictionaryOf(QList<reading::PronunciationEntry> entries)
{
    return std::make_shared<const QList<reading::PronunciationEntry>>(std::move(entries));
}

} // namespace

void TestVoiceSpeaker::readingRewritesWhatTheEngineHears()
{
    ManualPlayback playback;
    auto engine = std::make_shared<FakeEngine>(400, 20);
    Speaker speaker(fakeCatalog(engine), std::make_unique<ClockOutput>(playback.scheduler),
                    playback.scheduler);
    QSignalSpy words(&speaker, &Speaker::wordReached);
    QSignalSpy finished(&speaker, &Speaker::lineFinished);

    // Off, the engine hears the line as it is written.
    const QString written = QStringLiteral("I like SQL wwwwww at www.example.org/x a lot");
    speaker.speak(written, 1033);
    QVERIFY(playback.runUntil([&] { return finished.size() == 1; }, PlaybackLimitMs));
    QCOMPARE(engine->texts(), QStringList({written}));

    speaker.setReading(
        reading::ReadingRules{true, true},
        dictionaryOf({{QStringLiteral("sql"), QStringLiteral("sequel"), {}},
                      {QStringLiteral("a lot"), QStringLiteral("plenty"), QStringLiteral("en")},
                      {QStringLiteral("lot"), QStringLiteral("ロット"), QStringLiteral("ja")}}));
    words.clear();
    const int id = speaker.speak(written, 1033);
    QVERIFY(playback.runUntil([&] { return finished.size() == 2; }, PlaybackLimitMs));
    QCOMPARE(outcomeAt(finished, 1), Speaker::Outcome::Completed);
    QCOMPARE(engine->texts().last(), QStringLiteral("I like sequel www at example.org plenty"));
    // The words the balloon is given point into the line as written.
    QStringList said;
    for (const auto& args : std::as_const(words)) {
        QCOMPARE(args.at(0).toInt(), id);
        said.append(written.mid(args.at(1).toInt(), args.at(2).toInt()));
    }
    QCOMPARE(said, QStringList({QStringLiteral("I"), QStringLiteral("like"), QStringLiteral("SQL"),
                                QStringLiteral("wwwwww"), QStringLiteral("at"),
                                QStringLiteral("www.example.org/x"), QStringLiteral("a lot")}));

    // Japanese lines get the Japanese entry and the entries for every language.
    speaker.speak(QStringLiteral("SQLのlot"), 1041);
    QVERIFY(playback.runUntil([&] { return finished.size() == 3; }, PlaybackLimitMs));
    QCOMPARE(engine->texts().last(), QStringLiteral("sequelのロット"));
}

void TestVoiceSpeaker::readingIsMadeOncePerLanguageAndOnlyWhenOn()
{
    ManualPlayback playback;
    auto engine = std::make_shared<FakeEngine>();
    Speaker speaker(fakeCatalog(engine), std::make_unique<ClockOutput>(playback.scheduler),
                    playback.scheduler);
    speaker.setSpeed(70);
    speaker.setVoiceChoice(1041, QStringLiteral("fake/x"));
    // Nothing on: no reading at all, so lines go to the engine untouched.
    LineRequest request = speaker.requestFor(QStringLiteral("text"), 1041);
    QCOMPARE(request.text, QStringLiteral("text"));
    QCOMPARE(request.language, 1041);
    QCOMPARE(request.speed, 70);
    QCOMPARE(request.voice, QStringLiteral("fake/x"));
    QVERIFY(!request.reading);
    speaker.setReading({}, dictionaryOf({}));
    QVERIFY(!speaker.requestFor(QStringLiteral("text"), 1041).reading);

    // Entries only for Japanese: English lines are read as written.
    auto japanese = dictionaryOf(
        {{QStringLiteral("東京"), QStringLiteral("とうきょう"), QStringLiteral("ja")}});
    speaker.setReading({}, japanese);
    QVERIFY(!speaker.requestFor(QStringLiteral("text"), 1033).reading);
    const auto first = speaker.requestFor(QStringLiteral("東京"), 1041).reading;
    QVERIFY(first);
    QCOMPARE(first->rewrite(QStringLiteral("東京へ")).text, QStringLiteral("とうきょうへ"));
    // The same reading serves every line until the dictionary or rules change.
    QCOMPARE(speaker.requestFor(QStringLiteral("other"), 1041).reading, first);
    speaker.setReading({}, japanese);
    QCOMPARE(speaker.requestFor(QStringLiteral("other"), 1041).reading, first);
    speaker.setReading(reading::ReadingRules{false, true}, japanese);
    const auto second = speaker.requestFor(QStringLiteral("other"), 1041).reading;
    QVERIFY(second && second != first);
    QVERIFY(second->rules().shortenRepeats);
    QVERIFY(speaker.requestFor(QStringLiteral("text"), 1033).reading);
}

void TestVoiceSpeaker::espeakWordsPointIntoTheWrittenText()
{
    reading::ReadingRules rules;
    rules.addressesAsHostName = true;
    auto matcher = std::make_shared<const reading::PronunciationMatcher>(
        QList<reading::PronunciationEntry>{
            {QStringLiteral("SQL"), QStringLiteral("sequel database"), {}}},
        QStringLiteral("en-us"));
    LineRequest request{QStringLiteral("Open https://example.org/some/long/path and SQL today."),
                        1033,
                        50,
                        50,
                        {},
                        std::make_shared<const reading::LineReading>(rules, matcher)};
    auto stream = std::make_shared<LineStream>();
    LineSynthesis::start(espeakCatalog(), request, stream, makeCancelFlag());
    const LineStream::Update all = collectLine(*stream, LineTimeoutMs);
    QVERIFY2(all.ok, qPrintable(all.error));
    QStringList said;
    for (const WordTiming& word : std::as_const(all.words)) {
        said.append(request.text.mid(word.textOffset, word.textLength));
    }
    // espeak-ng says "example.org" as several words and "sequel database" as
    // two: each of them stands for the whole span that was written.
    said.removeDuplicates();
    QCOMPARE(
        said,
        QStringList({QStringLiteral("Open"), QStringLiteral("https://example.org/some/long/path"),
                     QStringLiteral("and"), QStringLiteral("SQL"), QStringLiteral("today")}));
}

QTEST_GUILESS_MAIN(TestVoiceSpeaker)
#include "SpeakerTest.moc"
