// The Flite engine: its voices speak US English with words and mouths timed
// from Flite's own phone timing, stop within a few milliseconds of audio, read
// markup as text, and hand text it cannot read to espeak-ng.

#include <QTest>

#include <thread>

#include "VoiceTestUtil.h"
#include "agent/voice/FliteEngine.h"
#include "agent/voice/LineStream.h"
#include "agent/voice/LineSynthesis.h"
#include "agent/voice/PcmAudio.h"
#include "agent/voice/VoiceCatalog.h"
#include "agent/voice/VoiceRanking.h"

using namespace clipvoice::agent::voice;
using namespace clipvoice::agent::voice::testing;

namespace {

constexpr qint32 UsEnglish = 1033;

#define REQUIRE_FLITE(engine)                                                                      \
    const std::shared_ptr<FliteEngine> engine = FliteEngine::installed();                          \
    if (!engine) {                                                                                 \
        QSKIP("Flite is not installed here (Debian package libflite1)");                           \
    }

// Loudness of the audio from `fromMs` for `lengthMs`.
double rmsBetween(const CollectingSink& sink, qint64 fromMs, qint64 lengthMs)
{
    const qsizetype from = PcmAudio::bytesFor(fromMs, sink.rate);
    return WavCodec::rms(sink.audio.mid(from, PcmAudio::bytesFor(lengthMs, sink.rate)));
}

// Words and mouths lie inside the text and the audio, in order.
void verifyTiming(const CollectingSink& sink, const QString& text)
{
    qint64 lastTime = -1;
    int lastEnd = 0;
    for (const WordTiming& word : sink.words) {
        QVERIFY(word.textOffset >= lastEnd);
        QVERIFY(word.textLength > 0);
        QVERIFY(word.textOffset + word.textLength <= text.size());
        QVERIFY(word.timeMs >= lastTime);
        QVERIFY(word.timeMs < sink.durationMs());
        lastTime = word.timeMs;
        lastEnd = word.textOffset + word.textLength;
    }
    lastTime = -1;
    for (const MouthTiming& mouth : sink.mouths) {
        QVERIFY(mouth.shape >= 0 && mouth.shape < MouthShapeCount);
        QVERIFY(mouth.timeMs > lastTime);
        QVERIFY(mouth.timeMs <= sink.durationMs());
        lastTime = mouth.timeMs;
    }
}

SynthesisResult speak(FliteEngine& engine, const QString& text, CollectingSink& sink,
                      const QString& voice = {}, int speed = 50, int pitch = 50)
{
    std::atomic_bool cancel{false};
    return engine.synthesize({text, UsEnglish, speed, pitch, voice}, sink, cancel);
}

} // namespace

class TestVoiceFlite : public QObject
{
    Q_OBJECT

private slots:
    void textIsMadeAsciiWithItsPlaces();
    void missingLibraryMeansNotInstalled();
    void listsItsVoices();
    void eachVoiceSpeaksWithTiming_data();
    void eachVoiceSpeaksWithTiming();
    void wordsStartWhenTheirSoundDoes();
    void tokensAreWordsAsWritten();
    void accentedLettersAreRead();
    void otherScriptsGoToEspeak();
    void speedAndPitchChangeTheVoice();
    void cancelStopsWithinFiftyMilliseconds_data();
    void cancelStopsWithinFiftyMilliseconds();
    void markupIsReadNotObeyed();
    void badInputIsQuiet();
    void hugeLineIsCutAndStops();
    void threadsTakeTurns();
};

void TestVoiceFlite::textIsMadeAsciiWithItsPlaces()
{
    // Accents go, ß and æ become two letters each, typographic marks plain.
    const QString text = QStringLiteral("Café “Straße” – æon… naïve");
    const FliteEngine::Text prepared = FliteEngine::prepareText(text);
    QCOMPARE(prepared.ascii, QByteArray("Cafe \"Strasse\" - aeon... naive"));
    QCOMPARE(prepared.foreignLetters, 0);
    QCOMPARE(prepared.origin.size(), prepared.ascii.size());
    QCOMPARE(prepared.originEnd.size(), prepared.ascii.size());
    // Both letters of "ss" point at ß, and the word after it is where it was.
    const qsizetype ss = prepared.ascii.indexOf("ss");
    QCOMPARE(text.at(prepared.origin.at(ss)), QChar(u'ß'));
    QCOMPARE(text.at(prepared.origin.at(ss + 1)), QChar(u'ß'));
    const qsizetype naive = prepared.ascii.indexOf("naive");
    QCOMPARE(text.mid(prepared.origin.at(naive),
                      prepared.originEnd.at(naive + 4) - prepared.origin.at(naive)),
             QStringLiteral("naïve"));

    // NUL, control characters and lone surrogates are spaces; an emoji (a
    // surrogate pair) is dropped as one character, not as two.
    QString odd = QStringLiteral("a");
    odd.append(QChar(u'\0')).append(QChar(0xD800)).append(QStringLiteral("b\tc"));
    odd.append(QString::fromUcs4(U"\U0001F600")).append(QStringLiteral("d"));
    const FliteEngine::Text cleaned = FliteEngine::prepareText(odd);
    QCOMPARE(cleaned.ascii, QByteArray("a  b c d"));
    QCOMPARE(cleaned.origin.at(6), 6);    // the emoji's first unit
    QCOMPARE(cleaned.originEnd.at(6), 8); // and past its second
    QCOMPARE(cleaned.origin.at(7), 8);
    QCOMPARE(cleaned.foreignLetters, 0);

    // Letters of other scripts are counted, not written.
    const FliteEngine::Text russian = FliteEngine::prepareText(QStringLiteral("Да, OK"));
    QCOMPARE(russian.foreignLetters, 2);
    QCOMPARE(russian.ascii, QByteArray("  , OK"));

    // Markup stays text for Flite to read.
    QCOMPARE(FliteEngine::prepareText(QStringLiteral("<break time=\"3s\"/>")).ascii,
             QByteArray("<break time=\"3s\"/>"));
}

void TestVoiceFlite::missingLibraryMeansNotInstalled()
{
    QString problem;
    FliteEngine::Paths missing;
    missing.library = "libflite_not_here.so.1";
    QVERIFY(!FliteEngine::load(missing, &problem));
    QVERIFY2(problem.contains(QStringLiteral("libflite_not_here")), qPrintable(problem));

    REQUIRE_FLITE(engine);
    FliteEngine::Paths noVoices;
    noVoices.voiceLibrary = "libflite_cmu_us_%1_not_here.so.1";
    problem.clear();
    QVERIFY(!FliteEngine::load(noVoices, &problem));
    QVERIFY2(problem.contains(QStringLiteral("no Flite voice")), qPrintable(problem));

    // The library loaded before still speaks.
    CollectingSink sink;
    QVERIFY(speak(*engine, QStringLiteral("Still here."), sink).ok);
    QVERIFY(WavCodec::rms(sink.audio) > 0.02);
}

void TestVoiceFlite::listsItsVoices()
{
    REQUIRE_FLITE(engine);
    QCOMPARE(engine->name(), QStringLiteral("Flite"));
    QVERIFY(engine->supportsLanguage(UsEnglish));
    QVERIFY(!engine->supportsLanguage(2057));
    QVERIFY(!engine->supportsLanguage(1031));

    QHash<QString, VoiceInfo> byId;
    for (const VoiceInfo& voice : engine->voices()) {
        QVERIFY2(!byId.contains(voice.id), qPrintable(voice.id));
        byId.insert(voice.id, voice);
        QCOMPARE(voice.engine, QStringLiteral("Flite"));
        QCOMPARE(voice.languages, QList<qint32>{UsEnglish});
        QVERIFY(voice.label.contains(voice.id));
        QVERIFY(voice.gender != VoiceGender::Unspecified);
    }
    // Debian's libflite1 has all five; the clock-time voice is not offered.
    QCOMPARE(QSet<QString>(byId.keyBegin(), byId.keyEnd()),
             (QSet<QString>{QStringLiteral("slt"), QStringLiteral("rms"), QStringLiteral("awb"),
                            QStringLiteral("kal16"), QStringLiteral("kal")}));
    QCOMPARE(byId.value(QStringLiteral("slt")).gender, VoiceGender::Female);
    QCOMPARE(byId.value(QStringLiteral("rms")).gender, VoiceGender::Male);
    QCOMPARE(byId.value(QStringLiteral("kal16")).quality, VoiceRanking::FliteDiphone16k);
    QCOMPARE(byId.value(QStringLiteral("slt")).quality, VoiceRanking::FliteClusterGen);
    QCOMPARE(byId.value(QStringLiteral("kal")).quality, VoiceRanking::FliteDiphone8k);
    QCOMPARE(byId.value(QStringLiteral("slt")).key(), QStringLiteral("Flite/slt"));

    // In the catalogue it is US English's most natural voice after RHVoice,
    // above espeak-ng, and espeak-ng speaks for it when it fails. Of its own
    // voices rms came first in the measured order (VoiceRanking).
    const VoiceCatalog catalog(OpenJTalkSetup::unavailable(QStringLiteral("not used")),
                               {std::static_pointer_cast<SpeechEngine>(engine)});
    const VoiceSelection selection = catalog.select(UsEnglish);
    QCOMPARE(selection.voice.key(), QStringLiteral("Flite/rms"));
    QCOMPARE(catalog.select(UsEnglish, QStringLiteral("Flite/awb")).voice.id,
             QStringLiteral("awb"));
    QCOMPARE(catalog.fallbackFor(UsEnglish, engine.get())->name(), QStringLiteral("espeak-ng"));
    QCOMPARE(catalog.select(2057).engine->name(), QStringLiteral("espeak-ng"));
}

void TestVoiceFlite::eachVoiceSpeaksWithTiming_data()
{
    QTest::addColumn<QString>("voice");
    QTest::addColumn<int>("rate");
    QTest::newRow("slt") << QStringLiteral("slt") << 16000;
    QTest::newRow("rms") << QStringLiteral("rms") << 16000;
    QTest::newRow("awb") << QStringLiteral("awb") << 16000;
    QTest::newRow("kal16") << QStringLiteral("kal16") << 16000;
    QTest::newRow("kal") << QStringLiteral("kal") << 8000;
    QTest::newRow("default") << QString() << 16000;
}

void TestVoiceFlite::eachVoiceSpeaksWithTiming()
{
    QFETCH(QString, voice);
    QFETCH(int, rate);
    REQUIRE_FLITE(engine);

    const QString text = QStringLiteral("Hello, how are you today?");
    CollectingSink sink;
    const SynthesisResult result = speak(*engine, text, sink, voice);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(sink.rate, rate);
    const double rms = WavCodec::rms(sink.audio);
    QVERIFY2(rms > 0.02, qPrintable(QString::number(rms)));
    QVERIFY2(sink.durationMs() > 700 && sink.durationMs() < 5000,
             qPrintable(QString::number(sink.durationMs())));

    QCOMPARE(spokenWords(sink, text),
             (QStringList{QStringLiteral("Hello"), QStringLiteral("how"), QStringLiteral("are"),
                          QStringLiteral("you"), QStringLiteral("today")}));
    verifyTiming(sink, text);
    // The mouth moves through several shapes and starts and ends closed.
    QSet<int> shapes;
    for (const MouthTiming& mouth : std::as_const(sink.mouths)) {
        shapes.insert(mouth.shape);
    }
    QVERIFY2(shapes.size() >= 4, qPrintable(QString::number(shapes.size())));
    QCOMPARE(sink.mouths.first(), (MouthTiming{0, 0}));
    QCOMPARE(sink.mouths.last().shape, 0);
}

void TestVoiceFlite::wordsStartWhenTheirSoundDoes()
{
    REQUIRE_FLITE(engine);
    // Words apart by pauses: each is said from its time on, and the pause
    // before it is quiet, so the balloon neither runs ahead nor lags.
    const QString text = QStringLiteral("One. Two. Three.");
    CollectingSink sink;
    QVERIFY(speak(*engine, text, sink, QStringLiteral("slt")).ok);
    QCOMPARE(sink.words.size(), 3);
    for (const WordTiming& word : std::as_const(sink.words)) {
        const double during = rmsBetween(sink, word.timeMs, 150);
        const double before = rmsBetween(sink, std::max<qint64>(0, word.timeMs - 80), 60);
        QVERIFY2(during > 0.03 && during > 3 * before,
                 qPrintable(QStringLiteral("%1 at %2 ms: %3 after, %4 before")
                                .arg(text.mid(word.textOffset, word.textLength))
                                .arg(word.timeMs)
                                .arg(during)
                                .arg(before)));
    }
}

void TestVoiceFlite::tokensAreWordsAsWritten()
{
    REQUIRE_FLITE(engine);
    // "1,234" is spoken as five words but shown as one; "it's" as two.
    const QString text = QStringLiteral("It's 1,234 dollars (roughly).");
    CollectingSink sink;
    QVERIFY(speak(*engine, text, sink, QStringLiteral("slt")).ok);
    QCOMPARE(spokenWords(sink, text),
             (QStringList{QStringLiteral("It's"), QStringLiteral("1,234"),
                          QStringLiteral("dollars"), QStringLiteral("roughly")}));
    verifyTiming(sink, text);
    // The number takes long to say: the next word comes well after it.
    QVERIFY(sink.words.at(2).timeMs - sink.words.at(1).timeMs > 1000);
}

void TestVoiceFlite::accentedLettersAreRead()
{
    REQUIRE_FLITE(engine);
    const QString text = QStringLiteral("The café’s naïve résumé.");
    CollectingSink sink;
    const SynthesisResult result = speak(*engine, text, sink, QStringLiteral("kal16"));
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(spokenWords(sink, text),
             (QStringList{QStringLiteral("The"), QStringLiteral("café’s"), QStringLiteral("naïve"),
                          QStringLiteral("résumé")}));
    // Read as the plain letters: the same audio (kal16 adds no noise).
    CollectingSink plain;
    QVERIFY(
        speak(*engine, QStringLiteral("The cafe's naive resume."), plain, QStringLiteral("kal16"))
            .ok);
    QCOMPARE(sink.audio, plain.audio);
}

void TestVoiceFlite::otherScriptsGoToEspeak()
{
    REQUIRE_FLITE(engine);
    const QString text = QStringLiteral("Say Привет to them.");
    CollectingSink sink;
    const SynthesisResult result = speak(*engine, text, sink);
    QVERIFY(!result.ok);
    QVERIFY(!result.cancelled);
    QVERIFY(!result.error.isEmpty());
    QVERIFY(sink.audio.isEmpty());
    QVERIFY(sink.words.isEmpty());

    // On the line path espeak-ng reads that piece instead.
    const VoiceCatalog catalog(OpenJTalkSetup::unavailable(QStringLiteral("not used")),
                               {std::static_pointer_cast<SpeechEngine>(engine)});
    LineStream stream;
    std::atomic_bool cancel{false};
    LineSynthesis::run(catalog, {text, UsEnglish, 50, 50, {}, {}}, stream, cancel);
    const LineStream::Update update = stream.take(1 << 26);
    QVERIFY(update.finished);
    QVERIFY2(update.ok, qPrintable(update.error));
    QCOMPARE(update.engine, QStringLiteral("espeak-ng"));
    QVERIFY(WavCodec::rms(update.audio) > 0.02);

    // A plain English line on the same path is Flite's.
    LineStream english;
    LineSynthesis::run(catalog, {QStringLiteral("Say hello to them."), UsEnglish, 50, 50, {}, {}},
                       english, cancel);
    const LineStream::Update spoken = english.take(1 << 26);
    QVERIFY2(spoken.ok, qPrintable(spoken.error));
    QCOMPARE(spoken.engine, QStringLiteral("Flite"));
    QCOMPARE(spoken.words.size(), 4);
}

void TestVoiceFlite::speedAndPitchChangeTheVoice()
{
    REQUIRE_FLITE(engine);
    const QString text = QStringLiteral("The quick brown fox jumps over the lazy dog.");
    for (const QString& voice : {QStringLiteral("slt"), QStringLiteral("kal16")}) {
        CollectingSink normal;
        CollectingSink fast;
        CollectingSink slow;
        QVERIFY(speak(*engine, text, normal, voice, 50).ok);
        QVERIFY(speak(*engine, text, fast, voice, 100).ok);
        QVERIFY(speak(*engine, text, slow, voice, 0).ok);
        // Each 50 steps of speed double or halve the rate.
        const double fastRatio =
            static_cast<double>(fast.durationMs()) / static_cast<double>(normal.durationMs());
        const double slowRatio =
            static_cast<double>(slow.durationMs()) / static_cast<double>(normal.durationMs());
        QVERIFY2(fastRatio > 0.4 && fastRatio < 0.65, qPrintable(QString::number(fastRatio)));
        QVERIFY2(slowRatio > 1.6 && slowRatio < 2.4, qPrintable(QString::number(slowRatio)));
        // The words keep pace with the audio.
        QVERIFY(fast.words.last().timeMs < normal.words.last().timeMs * 2 / 3);
        QVERIFY(slow.words.last().timeMs > normal.words.last().timeMs * 3 / 2);

        // A higher pitch: the same length, the voice half an octave up.
        CollectingSink high;
        QVERIFY(speak(*engine, text, high, voice, 50, 100).ok);
        QVERIFY(qAbs(high.durationMs() - normal.durationMs()) < normal.durationMs() / 20);
        const double pitchRatio =
            medianPitchHz(high.audio, high.rate) / medianPitchHz(normal.audio, normal.rate);
        QVERIFY2(pitchRatio > 1.25 && pitchRatio < 1.6, qPrintable(QString::number(pitchRatio)));

        // And the settings do not stay with the voice.
        CollectingSink again;
        QVERIFY(speak(*engine, text, again, voice).ok);
        QCOMPARE(again.audio.size(), normal.audio.size());
        const double againRatio =
            medianPitchHz(again.audio, again.rate) / medianPitchHz(normal.audio, normal.rate);
        QVERIFY2(againRatio > 0.95 && againRatio < 1.05, qPrintable(QString::number(againRatio)));
    }
}

void TestVoiceFlite::cancelStopsWithinFiftyMilliseconds_data()
{
    QTest::addColumn<QString>("voice");
    for (const char* voice : {"slt", "rms", "awb", "kal16", "kal"}) {
        QTest::newRow(voice) << QString::fromLatin1(voice);
    }
}

void TestVoiceFlite::cancelStopsWithinFiftyMilliseconds()
{
    QFETCH(QString, voice);
    REQUIRE_FLITE(engine);
    QString text;
    for (int i = 0; i < 4; ++i) {
        text += QStringLiteral("This sentence is long enough to take several seconds to say. ");
    }
    std::atomic_bool cancel{false};
    CancellingSink sink(cancel);
    const SynthesisResult result =
        engine->synthesize({text, UsEnglish, 50, 50, voice}, sink, cancel);
    QVERIFY(result.cancelled);
    QVERIFY(!result.ok);
    QVERIFY(sink.bytesBefore > 0);
    // Measured in audio, not in time: at most 50 ms of it after the stop.
    QVERIFY2(sink.bytesAfterCancel <= PcmAudio::bytesFor(50, sink.rate),
             qPrintable(QString::number(sink.bytesAfterCancel)));
    // Only a small part of the text's audio came out at all.
    QVERIFY(sink.bytesBefore < PcmAudio::bytesFor(1000, sink.rate));

    // The voice speaks normally afterwards.
    CollectingSink next;
    QVERIFY(speak(*engine, QStringLiteral("Hello."), next, voice).ok);
    QVERIFY(next.durationMs() < 2000);
    QCOMPARE(next.words.size(), 1);
}

void TestVoiceFlite::markupIsReadNotObeyed()
{
    REQUIRE_FLITE(engine);
    // SSML asking for a five-second pause and a slow rate: the tags are words.
    const QString text = QStringLiteral(
        "Hello <break time=\"5s\"/> <prosody rate=\"x-slow\">world</prosody> \\pause=5000\\ end");
    CollectingSink sink;
    const SynthesisResult result = speak(*engine, text, sink, QStringLiteral("kal16"));
    QVERIFY2(result.ok, qPrintable(result.error));
    const QStringList words = spokenWords(sink, text);
    QVERIFY2(words.contains(QStringLiteral("break")) || words.contains(QStringLiteral("<break")),
             qPrintable(words.join(QLatin1Char('|'))));
    QVERIFY(words.contains(QStringLiteral("world")) ||
            words.contains(QStringLiteral("rate=\"x-slow\">world</prosody>")));
    // No five-second silence anywhere: every second has sound.
    for (qint64 at = 0; at + 1000 <= sink.durationMs(); at += 1000) {
        QVERIFY2(rmsBetween(sink, at, 1000) > 0.01, qPrintable(QString::number(at)));
    }
    verifyTiming(sink, text);
}

void TestVoiceFlite::badInputIsQuiet()
{
    REQUIRE_FLITE(engine);
    // Nothing to say: success and silence, quickly.
    for (const QString& text : {QString(), QStringLiteral("   "), QStringLiteral("\t\n")}) {
        CollectingSink sink;
        const SynthesisResult result = speak(*engine, text, sink);
        QVERIFY(result.ok);
        QVERIFY(sink.audio.isEmpty());
    }
    // Only punctuation: at most a short pause.
    {
        CollectingSink sink;
        const SynthesisResult result = speak(*engine, QStringLiteral("?!... ,;:()[]"), sink);
        QVERIFY2(result.ok, qPrintable(result.error));
        QVERIFY(sink.durationMs() < 1000);
        QVERIFY(sink.words.isEmpty());
    }
    // A NUL byte and a lone surrogate in the middle do not cut the text short.
    {
        QString text = QStringLiteral("Before");
        text.append(QChar(u'\0')).append(QStringLiteral(" middle ")).append(QChar(0xDC00));
        text.append(QStringLiteral(" after."));
        CollectingSink sink;
        QVERIFY(speak(*engine, text, sink).ok);
        QCOMPARE(spokenWords(sink, text),
                 (QStringList{QStringLiteral("Before"), QStringLiteral("middle"),
                              QStringLiteral("after")}));
    }
    // A voice that is not there, and a language Flite does not speak.
    {
        CollectingSink sink;
        SynthesisResult result = speak(*engine, QStringLiteral("Hi."), sink, QStringLiteral("xyz"));
        QVERIFY(!result.ok);
        QVERIFY(result.error.contains(QStringLiteral("xyz")));
        std::atomic_bool cancel{false};
        result = engine->synthesize({QStringLiteral("Hallo."), 1031, 50, 50, {}}, sink, cancel);
        QVERIFY(!result.ok);
        QVERIFY(sink.audio.isEmpty());
    }
    // A whole piece of one long "word" is spelled, not a hang.
    {
        CollectingSink sink;
        QVERIFY(speak(*engine, QString(engine->maxChunkLength(), QLatin1Char('x')), sink,
                      QStringLiteral("kal16"))
                    .ok);
        QVERIFY(WavCodec::rms(sink.audio) > 0.02);
    }
}

void TestVoiceFlite::hugeLineIsCutAndStops()
{
    REQUIRE_FLITE(engine);
    // A megabyte with and without spaces: cut into pieces the engine takes,
    // and stopped after the first piece's first audio.
    QString sentences;
    sentences.reserve(1 << 20);
    while (sentences.size() < (1 << 20)) {
        sentences += QStringLiteral("A line of copied text that goes on and on. ");
    }
    for (const QString& text : {sentences, QString(1 << 20, QLatin1Char('m'))}) {
        std::atomic_bool cancel{false};
        auto stopping = std::make_shared<StoppingEngine>(engine, cancel);
        const VoiceCatalog catalog(std::static_pointer_cast<SpeechEngine>(stopping));
        LineStream stream;
        LineSynthesis::run(catalog, {text, UsEnglish, 50, 50, {}, {}}, stream, cancel);
        const LineStream::Update update = stream.take(1 << 26);
        QVERIFY(update.finished);
        QVERIFY(!update.ok);
        QCOMPARE(stopping->calls, 1);
        QVERIFY(stopping->longestPiece <= engine->maxChunkLength());
        QVERIFY(!update.audio.isEmpty());
        QVERIFY(update.audio.size() < PcmAudio::bytesFor(1000, OutputSampleRate));
    }
}

void TestVoiceFlite::threadsTakeTurns()
{
    REQUIRE_FLITE(engine);
    // Two threads speaking at once get what each gets alone (kal16 adds no
    // noise, so its audio repeats exactly).
    const QString texts[] = {QStringLiteral("The first thread reads this."),
                             QStringLiteral("And the second one reads another line.")};
    QByteArray alone[2];
    for (int i = 0; i < 2; ++i) {
        CollectingSink sink;
        QVERIFY(speak(*engine, texts[i], sink, QStringLiteral("kal16")).ok);
        alone[i] = sink.audio;
    }
    std::atomic_int mismatches{0};
    auto work = [&](int i) {
        for (int round = 0; round < 8; ++round) {
            CollectingSink sink;
            if (!speak(*engine, texts[i], sink, QStringLiteral("kal16")).ok ||
                sink.audio != alone[i]) {
                ++mismatches;
            }
        }
    };
    std::thread first(work, 0);
    std::thread second(work, 1);
    first.join();
    second.join();
    QCOMPARE(mismatches.load(), 0);
}

QTEST_GUILESS_MAIN(TestVoiceFlite)
#include "FliteEngineTest.moc"
