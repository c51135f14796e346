// The RHVoice engine: its voices, audio with words and mouths in step for each
// language, rate and pitch, a prompt stop, markup read and never obeyed, and
// bad input. Tests that need RHVoice are skipped where it is not installed.

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <thread>

#include "VoiceTestUtil.h"
#include "agent/voice/InstalledEngines.h"
#include "agent/voice/LineStream.h"
#include "agent/voice/LineSynthesis.h"
#include "agent/voice/PcmAudio.h"
#include "agent/voice/RhvoiceEngine.h"
#include "agent/voice/VoiceCatalog.h"
#include "agent/voice/VoiceRanking.h"

using namespace clipvoice::agent::voice;
using namespace clipvoice::agent::voice::testing;

namespace {

constexpr int WaitMs = 30000;

#define REQUIRE_RHVOICE(engine)                                                                    \
    const auto engine = RhvoiceEngine::installed();                                                \
    if (!engine) {                                                                                 \
        QSKIP("RHVoice is not installed here (librhvoice5 and a voice package)");                  \
    }

const QString English = QStringLiteral("Hello, how are you today? The weather is fine.");

qint64 longestSilenceMs(const QByteArray& pcm, int rate)
{
    qint64 longest = 0;
    qint64 current = 0;
    const qint64 durationMs = PcmAudio::durationMs(pcm.size(), rate);
    for (qint64 at = 0; at + 10 <= durationMs; at += 10) {
        current = rmsOf(pcm, rate, at, at + 10) < 0.005 ? current + 10 : 0;
        longest = std::max(longest, current);
    }
    return longest;
}

// Words inside the text and in speaking order, within the audio; mouths in
// time order, valid, and moving.
void checkTiming(const CollectingSink& sink, const QString& text)
{
    QVERIFY(!sink.words.isEmpty());
    qint64 last = 0;
    for (const WordTiming& word : sink.words) {
        QVERIFY(word.textOffset >= 0 && word.textLength > 0);
        QVERIFY(word.textOffset + word.textLength <= text.size());
        QVERIFY2(word.timeMs >= last, qPrintable(text.mid(word.textOffset, word.textLength)));
        QVERIFY(word.timeMs <= sink.durationMs());
        last = word.timeMs;
    }
    QVERIFY(sink.mouths.size() > 4);
    QList<int> shapes;
    qint64 lastMouth = -1;
    for (const MouthTiming& mouth : sink.mouths) {
        QVERIFY(mouth.shape >= 0 && mouth.shape < MouthShapeCount);
        QVERIFY(mouth.timeMs > lastMouth);
        QVERIFY(mouth.timeMs <= sink.durationMs());
        lastMouth = mouth.timeMs;
        if (!shapes.contains(mouth.shape)) {
            shapes.append(mouth.shape);
        }
    }
    QVERIFY(shapes.size() >= 3);
    QCOMPARE(sink.mouths.last().shape, 0); // closed at the end
}

} // namespace

class TestVoiceRhvoice : public QObject
{
    Q_OBJECT

private slots:
    void languageCodesBecomeIdentifiers();
    void speechOnsetFindsSoundAfterAPause();
    void missingLibraryOrVoicesGiveNoEngine();
    void voicesAreListed();
    void catalogueChoosesRhvoice();
    void speaksEachLanguage_data();
    void speaksEachLanguage();
    void wordsStartWithTheirSound();
    void rateAndPitchFollowTheSettings();
    void cancelStopsAtOnce();
    void cancelAtAnyMomentIsSafe();
    void markupIsReadNotObeyed();
    void badInputFailsQuietly();
    void hugeLineIsCutAndCanBeStopped();
    void callsFromTwoThreadsAreSerialised();
};

void TestVoiceRhvoice::languageCodesBecomeIdentifiers()
{
    QCOMPARE(RhvoiceEngine::languagesOf(QStringLiteral("en"), QStringLiteral("US"),
                                        QStringLiteral("Slt")),
             (QList<qint32>{1033}));
    QCOMPARE(RhvoiceEngine::languagesOf(QStringLiteral("en"), QStringLiteral("US"),
                                        QStringLiteral("Alan")),
             (QList<qint32>{1033, 2057}));
    QCOMPARE(RhvoiceEngine::languagesOf(QStringLiteral("pt"), QStringLiteral("BR"), {}),
             (QList<qint32>{1046}));
    QCOMPARE(RhvoiceEngine::languagesOf(QStringLiteral("pt"), QStringLiteral("PT"), {}),
             (QList<qint32>{2070}));
    QCOMPARE(RhvoiceEngine::languagesOf(QStringLiteral("pl"), QStringLiteral("PO"), {}),
             (QList<qint32>{1045}));
    // Ukrainian has no identifier in the language table.
    QVERIFY(RhvoiceEngine::languagesOf(QStringLiteral("uk"), QStringLiteral("UK"), {}).isEmpty());

    // -1 halves, +1 doubles; the settings' whole range stays inside.
    QCOMPARE(RhvoiceEngine::scaleFor(1.0), 0.0);
    QCOMPARE(RhvoiceEngine::scaleFor(0.5), -1.0);
    QCOMPARE(RhvoiceEngine::scaleFor(2.0), 1.0);
    QCOMPARE(RhvoiceEngine::scaleFor(0.75), -0.5);
    QCOMPARE(RhvoiceEngine::scaleFor(100.0), 1.0);
}

void TestVoiceRhvoice::speechOnsetFindsSoundAfterAPause()
{
    constexpr int rate = 24000;
    auto piece = [](std::initializer_list<std::pair<int, bool>> parts) {
        QList<qint16> samples;
        for (const auto& [ms, loud] : parts) {
            for (int i = 0; i < rate * ms / 1000; ++i) {
                samples.append(loud ? static_cast<qint16>(8000.0 * std::sin(i * 0.1)) : 0);
            }
        }
        return samples;
    };
    auto onset = [](const QList<qint16>& samples) {
        return RhvoiceEngine::speechOnset(samples.constData(), samples.size(), rate);
    };
    QCOMPARE(onset(piece({{30, false}, {70, true}})), rate * 30 / 1000);
    QCOMPARE(onset(piece({{100, true}})), 0);
    QCOMPARE(onset(piece({{100, false}})), -1);
    // The tail of the last word, a pause, then the next word.
    QCOMPARE(onset(piece({{20, true}, {50, false}, {30, true}})), rate * 70 / 1000);
    // A short gap inside a word is no pause.
    QCOMPARE(onset(piece({{40, true}, {20, false}, {40, true}})), 0);
    QCOMPARE(onset(piece({{60, true}, {40, false}})), 0);
    QCOMPARE(RhvoiceEngine::speechOnset(nullptr, 0, rate), -1);
}

void TestVoiceRhvoice::missingLibraryOrVoicesGiveNoEngine()
{
    QString problem;
    RhvoiceEngine::Paths paths;
    paths.library = "libRHVoice-not-there.so.5";
    QVERIFY(!RhvoiceEngine::load(paths, &problem));
    QVERIFY2(problem.contains(QStringLiteral("libRHVoice-not-there")), qPrintable(problem));

    // A library that is not RHVoice.
    paths.library = "libc.so.6";
    QVERIFY(!RhvoiceEngine::load(paths, &problem));
    QVERIFY2(problem.contains(QStringLiteral("RHVoice_new_tts_engine")), qPrintable(problem));

    if (!RhvoiceEngine::installed()) {
        QSKIP("RHVoice is not installed here: data folders not tried");
    }
    QTemporaryDir empty;
    paths = {};
    paths.dataPath = empty.path();
    paths.configPath = empty.path();
    problem.clear();
    QVERIFY(!RhvoiceEngine::load(paths, &problem));
    QVERIFY(!problem.isEmpty());
}

void TestVoiceRhvoice::voicesAreListed()
{
    REQUIRE_RHVOICE(engine);
    QCOMPARE(engine->name(), QStringLiteral("RHVoice"));
    const QList<VoiceInfo> voices = engine->voices();
    QVERIFY(!voices.isEmpty());
    const QList<qint32> ours{1033, 2057, 1049, 1045, 1046, 2070};
    QStringList ids;
    for (const VoiceInfo& voice : voices) {
        QCOMPARE(voice.engine, QStringLiteral("RHVoice"));
        QVERIFY(!voice.id.isEmpty());
        QVERIFY(voice.label.contains(voice.id));
        QVERIFY(!voice.languages.isEmpty());
        for (const qint32 lcid : voice.languages) {
            QVERIFY2(ours.contains(lcid), qPrintable(voice.id));
            QVERIFY(engine->supportsLanguage(lcid));
        }
        QVERIFY(voice.gender != VoiceGender::Unspecified);
        QCOMPARE(voice.quality, VoiceRanking::RHVoice);
        ids.append(voice.id);
    }
    QCOMPARE(ids.removeDuplicates(), 0);
    QVERIFY(!engine->supportsLanguage(1041));
    QVERIFY(!engine->supportsLanguage(0));

    // Voices Debian ships, where their packages are installed.
    auto find = [&](const QString& id) {
        const auto it = std::find_if(voices.begin(), voices.end(),
                                     [&](const VoiceInfo& voice) { return voice.id == id; });
        return it == voices.end() ? nullptr : &*it;
    };
    if (const VoiceInfo* slt = find(QStringLiteral("Slt"))) {
        QCOMPARE(slt->gender, VoiceGender::Female);
        QCOMPARE(slt->languages, (QList<qint32>{1033}));
    }
    if (const VoiceInfo* alan = find(QStringLiteral("Alan"))) {
        QCOMPARE(alan->gender, VoiceGender::Male);
        QVERIFY(alan->speaks(2057));
    }
    if (const VoiceInfo* leticia = find(QStringLiteral("Let\u00edcia-F123"))) {
        QCOMPARE(leticia->languages, (QList<qint32>{1046}));
    }
    QVERIFY(!find(QStringLiteral("Anatol"))); // Ukrainian: left out
}

void TestVoiceRhvoice::catalogueChoosesRhvoice()
{
    REQUIRE_RHVOICE(engine);
    const VoiceCatalog catalog(OpenJTalkSetup::unavailable(QStringLiteral("not used")),
                               findInstalledEngines());
    const struct
    {
        qint32 lcid;
        const char* voice;
    } defaults[] = {// English by the measured order of VoiceRanking, where Bdl came first.
                    {1033, "Bdl"},
                    {2057, "Alan"},
                    {1049, "Aleksandr"},
                    {1045, "Magda"}};
    for (const auto& row : defaults) {
        if (!engine->supportsLanguage(row.lcid)) {
            continue;
        }
        const VoiceSelection selection = catalog.select(row.lcid);
        QCOMPARE(selection.engine->name(), QStringLiteral("RHVoice"));
        if (std::any_of(engine->voices().begin(), engine->voices().end(),
                        [&](const VoiceInfo& v) { return v.id == QLatin1String(row.voice); })) {
            QCOMPARE(selection.voice.id, QString::fromLatin1(row.voice));
        }
        // espeak-ng stands behind it.
        QCOMPARE(catalog.fallbackFor(row.lcid, selection.engine)->name(),
                 QStringLiteral("espeak-ng"));
    }
    // The same engine object serves every catalogue.
    QCOMPARE(RhvoiceEngine::installed().get(), engine.get());
}

void TestVoiceRhvoice::speaksEachLanguage_data()
{
    QTest::addColumn<qint32>("lcid");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("words");

    auto row = [](qint32 lcid, const char* name, const char* text, const char* words) {
        QTest::newRow(name) << lcid << QString::fromUtf8(text)
                            << QString::fromUtf8(words).split(QLatin1Char(' '));
    };
    row(1033, "1033 English", "Hello, how are you today? The weather is fine.",
        "Hello how are you today The weather is fine");
    row(2057, "2057 English (Alan)", "Good afternoon, lovely weather.",
        "Good afternoon lovely weather");
    row(1049, "1049 Russian", "Добрый день, как у вас дела сегодня?",
        "Добрый день как у вас дела сегодня");
    row(1045, "1045 Polish", "Dzień dobry, jak się pan czuje?", "Dzień dobry jak się pan czuje");
    row(1046, "1046 Portuguese", "Bom dia, como você está hoje?", "Bom dia como você está hoje");
}

void TestVoiceRhvoice::speaksEachLanguage()
{
    QFETCH(qint32, lcid);
    QFETCH(QString, text);
    QFETCH(QStringList, words);
    REQUIRE_RHVOICE(engine);
    if (!engine->supportsLanguage(lcid)) {
        QSKIP("no RHVoice voice for this language is installed");
    }
    CollectingSink sink;
    std::atomic_bool cancel{false};
    const SynthesisResult result = engine->synthesize({text, lcid, 50, 50, {}}, sink, cancel);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(sink.rate, 24000);
    const double rms = WavCodec::rms(sink.audio);
    QVERIFY2(rms > 0.02, qPrintable(QString::number(rms)));
    QVERIFY2(sink.durationMs() > 1000 && sink.durationMs() < 8000,
             qPrintable(QString::number(sink.durationMs())));
    QVERIFY(sink.pieces > 5); // streamed, not all at once

    checkTiming(sink, text);
    // UTF-8 byte positions became the words themselves, without punctuation.
    QCOMPARE(spokenWords(sink, text), words);
    // The words are spread over the speech, not bunched at the start.
    QVERIFY(sink.words.last().timeMs > sink.durationMs() / 2);
}

void TestVoiceRhvoice::wordsStartWithTheirSound()
{
    REQUIRE_RHVOICE(engine);
    if (!engine->supportsLanguage(1033)) {
        QSKIP("no English RHVoice voice is installed");
    }
    // Words that start with a vowel, whose sound starts sharply.
    const QString text = QStringLiteral("One. Eight. Apple. Owl.");
    CollectingSink sink;
    std::atomic_bool cancel{false};
    QVERIFY(engine->synthesize({text, 1033, 50, 50, {}}, sink, cancel).ok);
    QCOMPARE(sink.words.size(), 4);
    // Each word after a pause starts where its sound starts, not up to a
    // piece (100 ms) before it.
    for (qsizetype i = 1; i < sink.words.size(); ++i) {
        const qint64 at = sink.words.at(i).timeMs;
        const double before = rmsOf(sink.audio, sink.rate, at - 40, at);
        const double after = rmsOf(sink.audio, sink.rate, at, at + 40);
        QVERIFY2(before < 0.01 && after > 0.02,
                 qPrintable(QStringLiteral("word %1 at %2 ms: %3 before, %4 after")
                                .arg(i)
                                .arg(at)
                                .arg(before)
                                .arg(after)));
    }
}

void TestVoiceRhvoice::rateAndPitchFollowTheSettings()
{
    REQUIRE_RHVOICE(engine);
    if (!engine->supportsLanguage(1033)) {
        QSKIP("no English RHVoice voice is installed");
    }
    auto speak = [&](int speed, int pitch) {
        CollectingSink sink;
        std::atomic_bool cancel{false};
        const SynthesisResult result =
            engine->synthesize({English, 1033, speed, pitch, {}}, sink, cancel);
        return result.ok ? sink : CollectingSink{};
    };
    const CollectingSink slow = speak(0, 50);
    const CollectingSink normal = speak(50, 50);
    const CollectingSink fast = speak(100, 50);
    QVERIFY(normal.durationMs() > 1000);
    QVERIFY2(slow.durationMs() > normal.durationMs() * 3 / 2,
             qPrintable(QStringLiteral("%1 %2").arg(slow.durationMs()).arg(normal.durationMs())));
    QVERIFY2(fast.durationMs() < normal.durationMs() * 3 / 4,
             qPrintable(QStringLiteral("%1 %2").arg(fast.durationMs()).arg(normal.durationMs())));

    const double low = medianPitchHz(speak(50, 0).audio, 24000);
    const double middle = medianPitchHz(normal.audio, 24000);
    const double high = medianPitchHz(speak(50, 100).audio, 24000);
    QVERIFY2(low > 0 && low < middle * 0.9 && high > middle * 1.2,
             qPrintable(QStringLiteral("%1 %2 %3").arg(low).arg(middle).arg(high)));
}

void TestVoiceRhvoice::cancelStopsAtOnce()
{
    REQUIRE_RHVOICE(engine);
    const qint32 lcid = engine->voices().first().languages.first();
    QString text;
    while (text.size() < 500) {
        text += QStringLiteral("This sentence is long enough to take a while. ");
    }
    text.truncate(engine->maxChunkLength());

    std::atomic_bool cancel{false};
    CancellingSink sink(cancel);
    const SynthesisResult result = engine->synthesize({text, lcid, 50, 50, {}}, sink, cancel);
    QVERIFY(result.cancelled);
    QVERIFY(!result.ok);
    QVERIFY(sink.rate > 0);
    QVERIFY2(sink.samplesAfterCancel() <= sink.rate / 20, // 50 ms
             qPrintable(QString::number(sink.samplesAfterCancel())));

    // Set before the call: nothing at all, and the engine is fine afterwards.
    CollectingSink none;
    QVERIFY(engine->synthesize({text, lcid, 50, 50, {}}, none, cancel).cancelled);
    QVERIFY(none.audio.isEmpty());
    cancel.store(false);
    CollectingSink after;
    QVERIFY(engine->synthesize({QStringLiteral("Again."), lcid, 50, 50, {}}, after, cancel).ok);
    QVERIFY(WavCodec::rms(after.audio) > 0.02);
}

// A sink that stops the line at its n-th call, whichever it is: the sample
// rate, a piece of audio, a word or a mouth shape.
class SinkStoppingAtCall final : public SynthesisSink
{
public:
    SinkStoppingAtCall(std::atomic_bool& cancel, int stopAt)
        : m_cancel(cancel)
        , m_stopAt(stopAt)
    {}
    void format(int) override { count(); }
    void samples(const QByteArray&) override { count(); }
    void word(const WordTiming&) override { count(); }
    void mouth(const MouthTiming&) override { count(); }

private:
    void count()
    {
        if (++m_calls >= m_stopAt)
            m_cancel.store(true);
    }
    std::atomic_bool& m_cancel;
    int m_stopAt;
    int m_calls = 0;
};

void TestVoiceRhvoice::cancelAtAnyMomentIsSafe()
{
    REQUIRE_RHVOICE(engine);
    const qint32 lcid = engine->voices().first().languages.first();
    const QString text = QStringLiteral("Stop me. Hello there, how are you today? Fine, thanks.");
    // Stopped from inside each of the first calls in turn (the sample rate,
    // before any audio, included): the engine stops and keeps working.
    for (int stopAt = 1; stopAt <= 12; ++stopAt) {
        std::atomic_bool cancel{false};
        SinkStoppingAtCall sink(cancel, stopAt);
        const SynthesisResult result = engine->synthesize({text, lcid, 50, 50, {}}, sink, cancel);
        QVERIFY2(result.cancelled || result.ok, qPrintable(result.error));
    }
    std::atomic_bool cancel{false};
    CollectingSink after;
    QVERIFY(engine->synthesize({QStringLiteral("Again."), lcid, 50, 50, {}}, after, cancel).ok);
    QVERIFY(WavCodec::rms(after.audio) > 0.02);
}

void TestVoiceRhvoice::markupIsReadNotObeyed()
{
    REQUIRE_RHVOICE(engine);
    if (!engine->supportsLanguage(1033)) {
        QSKIP("no English RHVoice voice is installed");
    }
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    auto speak = [&](const QString& text) {
        CollectingSink sink;
        std::atomic_bool cancel{false};
        const SynthesisResult result = engine->synthesize({text, 1033, 50, 50, {}}, sink, cancel);
        return result.ok ? sink : CollectingSink{};
    };
    const QString audioTag =
        QStringLiteral("<audio src=\"http://127.0.0.1:%1/x.wav\"/>").arg(server.serverPort());
    const CollectingSink fetched =
        speak(QStringLiteral("<speak>Hello %1 friend.</speak>").arg(audioTag));
    QVERIFY(fetched.durationMs() > 1000);
    // Nothing connected, not even during the synthesis (a connection would
    // be waiting in the listen queue).
    QVERIFY(!server.waitForNewConnection(0));
    QVERIFY(!server.hasPendingConnections());

    // Prosody changes neither the pitch nor the rate, and a break is no pause.
    const QString sentence = QStringLiteral("Hello there my friend, how are you.");
    const CollectingSink plain = speak(sentence);
    const CollectingSink prosody = speak(
        QStringLiteral("<prosody pitch=\"x-high\" rate=\"x-slow\">%1</prosody>").arg(sentence));
    const double plainPitch = medianPitchHz(plain.audio, 24000);
    const double prosodyPitch = medianPitchHz(prosody.audio, 24000);
    QVERIFY2(std::abs(prosodyPitch - plainPitch) < plainPitch * 0.15,
             qPrintable(QStringLiteral("%1 %2").arg(plainPitch).arg(prosodyPitch)));
    const CollectingSink broken =
        speak(QStringLiteral("Hello <break time=\"10s\"/> there, my friend."));
    QVERIFY2(longestSilenceMs(broken.audio, 24000) < 2000,
             qPrintable(QString::number(longestSilenceMs(broken.audio, 24000))));
    QVERIFY(broken.durationMs() < 9000);
}

void TestVoiceRhvoice::badInputFailsQuietly()
{
    REQUIRE_RHVOICE(engine);
    const qint32 lcid = engine->voices().first().languages.first();
    struct Outcome
    {
        SynthesisResult result;
        qint64 durationMs = 0;
        bool wordsInside = true;
    };
    auto speak = [&](const QString& text, const QString& voice = {}) {
        CollectingSink sink;
        std::atomic_bool cancel{false};
        Outcome outcome{engine->synthesize({text, lcid, 50, 50, voice}, sink, cancel),
                        sink.durationMs()};
        for (const WordTiming& word : std::as_const(sink.words)) {
            outcome.wordsInside = outcome.wordsInside && word.textOffset >= 0 &&
                                  word.textOffset + word.textLength <= text.size();
        }
        return outcome;
    };
    // Nothing to say is no failure, and says nothing.
    for (const QString& nothing : {QString(), QStringLiteral(" \t  ")}) {
        const Outcome outcome = speak(nothing);
        QVERIFY(outcome.result.ok);
        QCOMPARE(outcome.durationMs, 0);
    }
    // Marks alone: silence or a short reading of them, or a clear error.
    const Outcome marks = speak(QStringLiteral("...!!!???"));
    QVERIFY2(marks.result.ok || !marks.result.error.isEmpty(), qPrintable(marks.result.error));
    QVERIFY(marks.durationMs < 5000);

    const QChar nul(u'\0');
    QString lone = QStringLiteral("Hello world");
    lone[2] = QChar(0xD800);
    lone[8] = QChar(0xDC00);
    const QString inputs[] = {
        QStringLiteral("Hello") + nul + QStringLiteral("world") + nul,
        lone,
        QStringLiteral("end") + QChar(0xD83D),
        // Characters of two, three and four UTF-8 bytes keep the words in place.
        QStringLiteral("\U0001F600 caf\u00e9 \u4e2d\u6587 \U0001F600 ok."),
        QString(engine->maxChunkLength(), QLatin1Char('7')),
    };
    for (const QString& input : inputs) {
        const Outcome outcome = speak(input);
        QVERIFY2(outcome.result.ok, qPrintable(outcome.result.error));
        QVERIFY2(outcome.durationMs > 0, qPrintable(input.left(20)));
        QVERIFY(outcome.wordsInside);
    }
    // A letter an English voice cannot say, the longest a piece may be: quiet
    // or spoken, but no failure.
    const Outcome unknownLetters = speak(QString(engine->maxChunkLength(), QChar(0x0b95)));
    QVERIFY2(unknownLetters.result.ok, qPrintable(unknownLetters.result.error));
    QVERIFY(unknownLetters.wordsInside);

    const Outcome tooLong = speak(QString(engine->maxChunkLength() + 1, u'a'));
    QVERIFY(!tooLong.result.ok);
    QVERIFY(tooLong.result.error.contains(QLatin1String("too long")));
    QCOMPARE(tooLong.durationMs, 0);
    const Outcome unknownVoice = speak(QStringLiteral("Hello"), QStringLiteral("Nobody"));
    QVERIFY(!unknownVoice.result.ok);
    QVERIFY(unknownVoice.result.error.contains(QLatin1String("Nobody")));
    CollectingSink sink;
    std::atomic_bool cancel{false};
    const SynthesisResult japanese =
        engine->synthesize({QStringLiteral("こんにちは"), 1041, 50, 50, {}}, sink, cancel);
    QVERIFY(!japanese.ok);
    QVERIFY(sink.audio.isEmpty());
}

void TestVoiceRhvoice::hugeLineIsCutAndCanBeStopped()
{
    REQUIRE_RHVOICE(engine);
    const qint32 lcid = engine->voices().first().languages.first();
    QString huge;
    huge.reserve(1 << 20);
    while (huge.size() < (1 << 20)) {
        huge += QStringLiteral("The voice reads a very long line <b>in</b> pieces \\pau=9\\ ");
    }
    const auto catalog =
        std::make_shared<VoiceCatalog>(std::static_pointer_cast<SpeechEngine>(engine));
    auto stream = std::make_shared<LineStream>();
    const CancelFlag cancel = makeCancelFlag();
    LineSynthesis::start(catalog, {huge, lcid, 50, 50, {}, {}}, stream, cancel);
    const LineStream::Update all = collectLine(*stream, WaitMs, cancel, 3000);
    QVERIFY(all.finished);
    QVERIFY(!all.ok); // stopped
    QVERIFY(PcmAudio::durationMs(all.audio.size(), OutputSampleRate) >= 3000);
    QVERIFY(!all.words.isEmpty());
    QVERIFY(all.words.last().textOffset < huge.size());
}

void TestVoiceRhvoice::callsFromTwoThreadsAreSerialised()
{
    REQUIRE_RHVOICE(engine);
    const QList<VoiceInfo> voices = engine->voices();
    const VoiceInfo first = voices.first();
    const VoiceInfo second = voices.size() > 1 ? voices.at(1) : voices.first();
    const QString text = QStringLiteral("Two threads speak at once, one after the other.");
    auto speak = [&](const VoiceInfo& voice) {
        CollectingSink sink;
        std::atomic_bool cancel{false};
        engine->synthesize({text, voice.languages.first(), 50, 50, voice.id}, sink, cancel);
        return sink.audio;
    };
    const QByteArray firstAlone = speak(first);
    const QByteArray secondAlone = speak(second);
    QVERIFY(!firstAlone.isEmpty() && !secondAlone.isEmpty());
    QList<QByteArray> firstTogether;
    QList<QByteArray> secondTogether;
    std::thread other([&] {
        for (int i = 0; i < 3; ++i) {
            secondTogether.append(speak(second));
        }
    });
    for (int i = 0; i < 3; ++i) {
        firstTogether.append(speak(first));
    }
    other.join();
    for (const QByteArray& audio : std::as_const(firstTogether)) {
        QVERIFY(audio == firstAlone);
    }
    for (const QByteArray& audio : std::as_const(secondTogether)) {
        QVERIFY(audio == secondAlone);
    }
}

QTEST_GUILESS_MAIN(TestVoiceRhvoice)
#include "RhvoiceEngineTest.moc"
