// The SVOX Pico engine: its voices, audio with estimated words and mouths for
// each language, rate and pitch, stopping, Pico's own tags read and never
// obeyed, and bad input. Tests that need Pico are skipped where it is not
// installed; the word estimate is checked on made-up audio everywhere.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <thread>

#include "VoiceTestUtil.h"
#include "agent/voice/LineStream.h"
#include "agent/voice/LineSynthesis.h"
#include "agent/voice/PcmAudio.h"
#include "agent/voice/PicoEngine.h"
#include "agent/voice/VoiceCatalog.h"
#include "agent/voice/VoiceRanking.h"

using namespace clipvoice::agent::voice;
using namespace clipvoice::agent::voice::testing;

namespace {

constexpr int WaitMs = 30000;
constexpr int Rate = 16000;

#define REQUIRE_PICO(engine)                                                                       \
    const auto engine = PicoEngine::installed();                                                   \
    if (!engine) {                                                                                 \
        QSKIP("SVOX Pico is not installed here (libttspico0 and libttspico-data)");                \
    }

const QString Sentence = QStringLiteral("Hello there my friend, how are you today?");

// Audio made of (milliseconds, loud) parts.
QByteArray madeUp(std::initializer_list<std::pair<int, bool>> parts)
{
    QByteArray pcm;
    for (const auto& [ms, loud] : parts) {
        for (int i = 0; i < Rate * ms / 1000; ++i) {
            const auto value = loud ? static_cast<qint16>(9000.0 * std::sin(i * 0.15)) : qint16{0};
            pcm.append(reinterpret_cast<const char*>(&value), 2);
        }
    }
    return pcm;
}

struct Spoken
{
    SynthesisResult result;
    CollectingSink sink;
};

Spoken speak(PicoEngine& engine, const QString& text, qint32 lcid = 1033, int speed = 50,
             int pitch = 50, const QString& voice = {})
{
    Spoken spoken;
    std::atomic_bool cancel{false};
    spoken.result = engine.synthesize({text, lcid, speed, pitch, voice}, spoken.sink, cancel);
    return spoken;
}

// Pico adds a little noise of its own, so the same text never gives the
// same samples twice; its length and loudness stay the same.
bool sameSpeech(const QByteArray& a, const QByteArray& b)
{
    const qint64 difference = PcmAudio::durationMs(std::abs(a.size() - b.size()), Rate);
    const double loudness = WavCodec::rms(a);
    return !a.isEmpty() && difference <= 20 &&
           std::abs(WavCodec::rms(b) - loudness) < loudness / 10;
}

// Speaks through `inner` and sets `flag` as soon as the first audio arrives,
// counting the audio that still follows.
class CancelOnFirstAudio final : public SpeechEngine
{
public:
    explicit CancelOnFirstAudio(std::shared_ptr<SpeechEngine> inner)
        : m_inner(std::move(inner))
    {}
    QString name() const override { return m_inner->name(); }
    bool supportsLanguage(qint32 lcid) const override { return m_inner->supportsLanguage(lcid); }
    QList<VoiceInfo> voices() const override { return m_inner->voices(); }
    int maxChunkLength() const override { return m_inner->maxChunkLength(); }
    bool streamsAudio() const override { return m_inner->streamsAudio(); }
    bool reportsPhonemes() const override { return m_inner->reportsPhonemes(); }
    SynthesisResult synthesize(const SynthesisRequest& request, SynthesisSink& sink,
                               const std::atomic_bool& cancel) override
    {
        ++calls;
        Forward forward(sink, *this);
        return m_inner->synthesize(request, forward, cancel);
    }

    std::atomic_bool flag{false};
    int calls = 0;
    qsizetype samplesAfterCancel = 0;

private:
    class Forward final : public SynthesisSink
    {
    public:
        Forward(SynthesisSink& sink, CancelOnFirstAudio& owner)
            : m_sink(sink)
            , m_owner(owner)
        {}
        void format(int sampleRate) override { m_sink.format(sampleRate); }
        void samples(const QByteArray& pcm) override
        {
            if (m_owner.flag.load()) {
                m_owner.samplesAfterCancel += pcm.size() / 2;
            }
            m_owner.flag.store(true);
            m_sink.samples(pcm);
        }
        void word(const WordTiming& word) override { m_sink.word(word); }
        void mouth(const MouthTiming& mouth) override { m_sink.mouth(mouth); }

    private:
        SynthesisSink& m_sink;
        CancelOnFirstAudio& m_owner;
    };

    std::shared_ptr<SpeechEngine> m_inner;
};

} // namespace

class TestVoicePico : public QObject
{
    Q_OBJECT

private slots:
    void inputNeverCarriesTagsOfTheText();
    void speechSpanKeepsTheSoundAndAShortPause();
    void wordsAreSpreadOverTheSpeech();
    void missingLibraryOrFilesGiveNoEngine();
    void voicesAreListed();
    void speaksEachLanguage_data();
    void speaksEachLanguage();
    void rateAndPitchFollowTheSettings();
    void picoTagsAreReadNotObeyed();
    void cancelStopsAndLeavesNothingBehind();
    void badInputFailsQuietly();
    void languagesCanBeSwitchedOften();
    void callsFromTwoThreadsAreSerialised();
    void hugeLineIsCutAndCanBeStopped();
};

void TestVoicePico::inputNeverCarriesTagsOfTheText()
{
    const QString text = QStringLiteral("<genfile file=\"/tmp/x.wav\">a</genfile> < speed "
                                        "level=\"20\"> \u00e9<<");
    const QByteArray input = PicoEngine::input(text, 50, 50);
    QVERIFY(input.endsWith('\0'));
    QCOMPARE(input.count('\0'), 1);
    const QByteArray opening = QByteArrayLiteral("<speed level=\"100\"><pitch level=\"100\">");
    const QByteArray closing = QByteArrayLiteral("</pitch></speed>");
    QVERIFY(input.startsWith(opening));
    QVERIFY(input.chopped(1).endsWith(closing));
    const QByteArray middle =
        input.mid(opening.size(), input.size() - 1 - opening.size() - closing.size());
    QVERIFY(!middle.contains('<'));
    QCOMPARE(QString::fromUtf8(middle).size(), text.size()); // offsets kept

    QCOMPARE(PicoEngine::speedLevel(0), 50);
    QCOMPARE(PicoEngine::speedLevel(100), 200);
    QCOMPARE(PicoEngine::pitchLevel(0), 71);
    QCOMPARE(PicoEngine::pitchLevel(100), 141);
    QVERIFY(PicoEngine::input(QStringLiteral("a"), 100, 0)
                .startsWith("<speed level=\"200\"><pitch level=\"71\">"));
}

void TestVoicePico::speechSpanKeepsTheSoundAndAShortPause()
{
    const QByteArray pcm = madeUp({{300, false}, {200, true}, {800, false}});
    const PicoEngine::Span span = PicoEngine::speechSpan(pcm, Rate);
    QCOMPARE(span.firstSample, Rate * 250 / 1000);
    QCOMPARE(span.endSample, Rate * 700 / 1000);
    const PicoEngine::Span quiet = PicoEngine::speechSpan(madeUp({{500, false}}), Rate);
    QCOMPARE(quiet.endSample - quiet.firstSample, 0);
    // Sound to the very end is kept to the end.
    const PicoEngine::Span loud = PicoEngine::speechSpan(madeUp({{20, false}, {100, true}}), Rate);
    QCOMPARE(loud.firstSample, 0);
    QCOMPARE(loud.endSample, Rate * 120 / 1000);
    QCOMPARE(PicoEngine::speechSpan(QByteArray(), Rate).endSample, 0);
    QCOMPARE(PicoEngine::speechSpan(pcm, 0).endSample, 0);
}

void TestVoicePico::wordsAreSpreadOverTheSpeech()
{
    // Two clauses, two stretches of sound: each clause gets its own.
    const QString text = QStringLiteral("Hello there, my friend.");
    const QByteArray pcm = madeUp({{50, false}, {500, true}, {300, false}, {400, true}});
    QList<WordTiming> words = PicoEngine::estimateWords(text, pcm, Rate);
    QCOMPARE(words.size(), 4);
    QCOMPARE(text.mid(words.at(1).textOffset, words.at(1).textLength), QStringLiteral("there"));
    QCOMPARE(text.mid(words.at(3).textOffset, words.at(3).textLength), QStringLiteral("friend"));
    QCOMPARE(words.at(0).timeMs, 50);
    QCOMPARE(words.at(1).timeMs, 50 + 250); // "Hello" and "there" weigh the same
    QCOMPARE(words.at(2).timeMs, 850);      // where the second stretch starts
    QCOMPARE(words.at(3).timeMs, 850 + 100);

    // Without a mark to match the pause, no word starts inside it.
    const QString unmarked = QStringLiteral("one two three four five six");
    words = PicoEngine::estimateWords(unmarked, pcm, Rate);
    QCOMPARE(words.size(), 6);
    qint64 last = -1;
    for (const WordTiming& word : std::as_const(words)) {
        QVERIFY(word.timeMs > last);
        QVERIFY2(word.timeMs < 550 || word.timeMs >= 850, qPrintable(QString::number(word.timeMs)));
        last = word.timeMs;
    }

    // A word near a short gap starts where the sound after it starts.
    const QByteArray gap = madeUp({{50, false}, {200, true}, {60, false}, {500, true}});
    words = PicoEngine::estimateWords(QStringLiteral("Hi there"), gap, Rate);
    QCOMPARE(words.size(), 2);
    QCOMPARE(words.at(1).timeMs, 310);

    // Marks alone are no words; a lone dash still ends a clause.
    words = PicoEngine::estimateWords(QStringLiteral("... Yes \u2014 no!"), pcm, Rate);
    QCOMPARE(words.size(), 2);
    QCOMPARE(words.at(1).timeMs, 850);
    QVERIFY(PicoEngine::estimateWords(QStringLiteral("?!"), pcm, Rate).isEmpty());
    QVERIFY(PicoEngine::estimateWords(text, madeUp({{300, false}}), Rate).isEmpty());
    // Letters beyond the first plane count as one letter each.
    words = PicoEngine::estimateWords(QStringLiteral("\U0001D400\U0001D401 b"), pcm, Rate);
    QCOMPARE(words.size(), 2);
    QCOMPARE(words.at(0).textLength, 4);
}

void TestVoicePico::missingLibraryOrFilesGiveNoEngine()
{
    QString problem;
    PicoEngine::Setup setup;
    QTemporaryDir folder;
    setup.languageFolder = folder.path();
    QVERIFY(!PicoEngine::load(setup, &problem));
    QVERIFY2(problem.contains(folder.path()), qPrintable(problem));

    // Files that are there but are not Pico's: the engine is listed (the
    // files are only read when used), and then fails with a reason.
    QFile text(folder.filePath(QStringLiteral("en-US_ta.bin")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write(QByteArray(4096, 'x'));
    text.close();
    QVERIFY(QFile::copy(text.fileName(), folder.filePath(QStringLiteral("en-US_zz0_sg.bin"))));

    setup.library = "libttspico-not-there.so.0";
    QVERIFY(!PicoEngine::load(setup, &problem));
    QVERIFY2(problem.contains(QStringLiteral("libttspico-not-there")), qPrintable(problem));
    setup.library = "libc.so.6";
    QVERIFY(!PicoEngine::load(setup, &problem));
    QVERIFY2(problem.contains(QStringLiteral("pico_initialize")), qPrintable(problem));

    if (!PicoEngine::installed()) {
        QSKIP("SVOX Pico is not installed here: broken language files not tried");
    }
    setup.library = PicoEngine::Setup{}.library;
    const auto broken = PicoEngine::load(setup, &problem);
    QVERIFY(broken);
    QCOMPARE(broken->voices().size(), 1);
    const Spoken spoken = speak(*broken, Sentence);
    QVERIFY(!spoken.result.ok);
    QVERIFY2(spoken.result.error.contains(QStringLiteral("en-US_ta.bin")),
             qPrintable(spoken.result.error));
    QVERIFY(spoken.sink.audio.isEmpty());
    // The real engine is not disturbed.
    REQUIRE_PICO(engine);
    QVERIFY(speak(*engine, Sentence).result.ok);
}

void TestVoicePico::voicesAreListed()
{
    REQUIRE_PICO(engine);
    QCOMPARE(engine->name(), QStringLiteral("SVOX Pico"));
    const QList<VoiceInfo> voices = engine->voices();
    const QList<qint32> ours{1033, 2057, 1031, 3082, 1036, 1040};
    QVERIFY(!voices.isEmpty());
    QList<qint32> seen;
    for (const VoiceInfo& voice : voices) {
        QCOMPARE(voice.engine, engine->name());
        QCOMPARE(voice.languages.size(), 1);
        const qint32 lcid = voice.languages.first();
        QVERIFY(ours.contains(lcid));
        QVERIFY(!seen.contains(lcid));
        seen.append(lcid);
        QVERIFY(engine->supportsLanguage(lcid));
        QVERIFY(voice.label.contains(voice.id));
        QCOMPARE(voice.gender, VoiceGender::Female);
        QCOMPARE(voice.quality, VoiceRanking::Pico);
    }
    // Debian's libttspico-data has all six.
    if (QFileInfo::exists(QStringLiteral("/usr/share/pico/lang/it-IT_ta.bin"))) {
        QCOMPARE(voices.size(), 6);
    }
    QVERIFY(!engine->supportsLanguage(1041));
    QCOMPARE(PicoEngine::installed().get(), engine.get());
}

void TestVoicePico::speaksEachLanguage_data()
{
    QTest::addColumn<qint32>("lcid");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("words");
    auto row = [](qint32 lcid, const char* name, const char* text, const char* words) {
        QTest::newRow(name) << lcid << QString::fromUtf8(text) << QString::fromUtf8(words);
    };
    row(1033, "1033 en-US", "Hello there my friend, how are you today?",
        "Hello there my friend how are you today");
    row(2057, "2057 en-GB", "Good afternoon, lovely weather we are having.",
        "Good afternoon lovely weather we are having");
    row(1031, "1031 de-DE", "Guten Tag, wie geht es Ihnen heute?",
        "Guten Tag wie geht es Ihnen heute");
    row(3082, "3082 es-ES", "Buenos días, ¿cómo está usted hoy?",
        "Buenos días cómo está usted hoy");
    row(1036, "1036 fr-FR", "Bonjour, comment allez-vous aujourd'hui ?",
        "Bonjour comment allez-vous aujourd'hui");
    row(1040, "1040 it-IT", "Buongiorno, come sta oggi?", "Buongiorno come sta oggi");
}

void TestVoicePico::speaksEachLanguage()
{
    QFETCH(qint32, lcid);
    QFETCH(QString, text);
    QFETCH(QString, words);
    REQUIRE_PICO(engine);
    if (!engine->supportsLanguage(lcid)) {
        QSKIP("this Pico language is not installed");
    }
    const Spoken spoken = speak(*engine, text, lcid);
    QVERIFY2(spoken.result.ok, qPrintable(spoken.result.error));
    const CollectingSink& sink = spoken.sink;
    QCOMPARE(sink.rate, Rate);
    QVERIFY2(WavCodec::rms(sink.audio) > 0.02,
             qPrintable(QString::number(WavCodec::rms(sink.audio))));
    QVERIFY2(sink.durationMs() > 1000 && sink.durationMs() < 6000,
             qPrintable(QString::number(sink.durationMs())));
    // Pico's half second of silence at the end was cut to a short pause.
    QVERIFY(rmsOf(sink.audio, Rate, sink.durationMs() - 300, sink.durationMs()) > 0.001);

    QCOMPARE(spokenWords(sink, text).join(QLatin1Char(' ')), words);
    qint64 last = -1;
    for (const WordTiming& word : sink.words) {
        QVERIFY(word.timeMs >= last);
        QVERIFY(word.timeMs < sink.durationMs());
        // Each word is placed on sound, not inside a pause.
        QVERIFY2(rmsOf(sink.audio, Rate, word.timeMs, word.timeMs + 60) > 0.006,
                 qPrintable(text.mid(word.textOffset, word.textLength)));
        last = word.timeMs;
    }
    QVERIFY(sink.words.last().timeMs > sink.durationMs() / 2);

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
    QCOMPARE(sink.mouths.last().shape, 0);
}

void TestVoicePico::rateAndPitchFollowTheSettings()
{
    REQUIRE_PICO(engine);
    const CollectingSink slow = speak(*engine, Sentence, 1033, 0).sink;
    const CollectingSink normal = speak(*engine, Sentence, 1033, 50).sink;
    const CollectingSink fast = speak(*engine, Sentence, 1033, 100).sink;
    QVERIFY(normal.durationMs() > 1000);
    QVERIFY2(slow.durationMs() > normal.durationMs() * 3 / 2,
             qPrintable(QStringLiteral("%1 %2").arg(slow.durationMs()).arg(normal.durationMs())));
    QVERIFY2(fast.durationMs() < normal.durationMs() * 3 / 4,
             qPrintable(QStringLiteral("%1 %2").arg(fast.durationMs()).arg(normal.durationMs())));

    const double low = medianPitchHz(speak(*engine, Sentence, 1033, 50, 0).sink.audio, Rate);
    const double middle = medianPitchHz(normal.audio, Rate);
    const double high = medianPitchHz(speak(*engine, Sentence, 1033, 50, 100).sink.audio, Rate);
    QVERIFY2(low > 0 && low < middle * 0.85 && high > middle * 1.2,
             qPrintable(QStringLiteral("%1 %2 %3").arg(low).arg(middle).arg(high)));
}

void TestVoicePico::picoTagsAreReadNotObeyed()
{
    REQUIRE_PICO(engine);
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("written.wav"));
    const QString plainText = QStringLiteral("Hello there my friend.");
    const Spoken before = speak(*engine, plainText);
    QVERIFY(before.result.ok);

    // A tag that would write a file.
    const Spoken genfile =
        speak(*engine, QStringLiteral("<genfile file=\"%1\">Hello</genfile>").arg(target));
    QVERIFY2(genfile.result.ok, qPrintable(genfile.result.error));
    QVERIFY(!QFileInfo::exists(target));
    QVERIFY(!genfile.sink.audio.isEmpty()); // the audio came to us
    const Spoken spaced =
        speak(*engine, QStringLiteral("< genfile file=\"%1\">Hello</ genfile>").arg(target));
    QVERIFY(spaced.result.ok);
    QVERIFY(!QFileInfo::exists(target));

    // A tag that would double the pitch sounds like its visible form.
    const QString pitchTag = QStringLiteral("<pitch level=\"200\">") + plainText;
    const QString visible = QString(pitchTag).replace(QLatin1Char('<'), QChar(0x2039));
    const Spoken raised = speak(*engine, pitchTag);
    QVERIFY(raised.result.ok);
    QVERIFY(sameSpeech(raised.sink.audio, speak(*engine, visible).sink.audio));
    const double plainPitch = medianPitchHz(before.sink.audio, Rate);
    const double taggedPitch = medianPitchHz(raised.sink.audio, Rate);
    QVERIFY2(std::abs(taggedPitch - plainPitch) < plainPitch * 0.15,
             qPrintable(QStringLiteral("%1 %2").arg(plainPitch).arg(taggedPitch)));

    // An unclosed speed tag neither slows this text nor the next one.
    const QString speedTag = QStringLiteral("<speed level=\"20\">") + plainText;
    QVERIFY(sameSpeech(
        speak(*engine, speedTag).sink.audio,
        speak(*engine, QString(speedTag).replace(QLatin1Char('<'), QChar(0x2039))).sink.audio));
    QVERIFY(sameSpeech(speak(*engine, plainText).sink.audio, before.sink.audio));
}

void TestVoicePico::cancelStopsAndLeavesNothingBehind()
{
    REQUIRE_PICO(engine);
    const Spoken reference = speak(*engine, Sentence);
    QVERIFY(reference.result.ok);

    std::atomic_bool cancel{true};
    CollectingSink sink;
    const SynthesisResult result = engine->synthesize({Sentence, 1033, 50, 50, {}}, sink, cancel);
    QVERIFY(result.cancelled);
    QVERIFY(!result.ok);
    QVERIFY(sink.audio.isEmpty());
    QVERIFY(sink.words.isEmpty());

    // A line stopped as its first audio arrives: at most 50 ms follows.
    QString line;
    for (int i = 0; i < 6; ++i) {
        line += QStringLiteral("This is sentence number %1 of the line. ").arg(i);
    }
    auto stopping = std::make_shared<CancelOnFirstAudio>(engine);
    const VoiceCatalog catalog(std::static_pointer_cast<SpeechEngine>(stopping));
    LineStream stream;
    LineSynthesis::run(catalog, {line, 1033, 50, 50, {}, {}}, stream, stopping->flag);
    const LineStream::Update update = stream.take(1 << 24);
    QVERIFY(update.finished);
    QVERIFY(!update.ok);
    QVERIFY(stopping->calls >= 1);
    QVERIFY(stopping->samplesAfterCancel <= Rate / 20);
    QVERIFY(!update.audio.isEmpty());

    // Nothing of the stopped text is left in the engine.
    QVERIFY(sameSpeech(speak(*engine, Sentence).sink.audio, reference.sink.audio));
}

void TestVoicePico::badInputFailsQuietly()
{
    REQUIRE_PICO(engine);
    const Spoken empty = speak(*engine, QString());
    QVERIFY(empty.result.ok);
    QVERIFY(empty.sink.audio.isEmpty());
    QVERIFY(speak(*engine, QStringLiteral(" \n\t ")).sink.audio.isEmpty());
    // Marks alone give silence, not seconds of near-silence.
    const Spoken marks = speak(*engine, QStringLiteral("...!!!???"));
    QVERIFY(marks.result.ok);
    QVERIFY2(marks.sink.durationMs() < 1000, qPrintable(QString::number(marks.sink.durationMs())));
    QVERIFY(speak(*engine, QStringLiteral("<<<<<<<<")).result.ok);

    QString lone = QStringLiteral("Hello world");
    lone[2] = QChar(0xD800);
    lone[8] = QChar(0xDC00);
    const QString inputs[] = {
        QStringLiteral("Hello") + QChar(u'\0') + QStringLiteral("world") + QChar(u'\0'),
        lone,
        QStringLiteral("end ") + QChar(0xD83D),
        QStringLiteral("\U0001F600 caf\u00e9 \u4e2d\u6587 ok."),
        QString(engine->maxChunkLength(), QChar(0x0b95)),
    };
    for (const QString& input : inputs) {
        const Spoken spoken = speak(*engine, input);
        QVERIFY2(spoken.result.ok, qPrintable(spoken.result.error));
        QVERIFY(spoken.sink.durationMs() < 120000);
        for (const WordTiming& word : spoken.sink.words) {
            QVERIFY(word.textOffset >= 0 && word.textOffset + word.textLength <= input.size());
        }
    }
    // A run of digits too long for Pico fails with a reason (espeak-ng then
    // reads it), and Pico works on afterwards.
    const Spoken digits = speak(*engine, QString(engine->maxChunkLength(), QLatin1Char('7')));
    QVERIFY(digits.result.ok || digits.result.error.startsWith(QLatin1String("SVOX Pico")));
    QVERIFY(digits.sink.durationMs() < 120000);
    QVERIFY(speak(*engine, Sentence).result.ok);
    // The NUL does not end the text early.
    const Spoken both =
        speak(*engine, QStringLiteral("Hello") + QChar(u'\0') + QStringLiteral(" world"));
    QCOMPARE(both.sink.words.size(), 2);

    const Spoken tooLong = speak(*engine, QString(engine->maxChunkLength() + 1, u'a'));
    QVERIFY(!tooLong.result.ok);
    QVERIFY(tooLong.result.error.contains(QLatin1String("too long")));
    const Spoken unknownVoice =
        speak(*engine, QStringLiteral("Hello"), 1033, 50, 50, QStringLiteral("xx-XX"));
    QVERIFY(!unknownVoice.result.ok);
    QVERIFY(unknownVoice.result.error.contains(QLatin1String("xx-XX")));
    const Spoken japanese = speak(*engine, QStringLiteral("こんにちは"), 1041);
    QVERIFY(!japanese.result.ok);
    QVERIFY(japanese.sink.audio.isEmpty());
}

void TestVoicePico::languagesCanBeSwitchedOften()
{
    REQUIRE_PICO(engine);
    const QList<VoiceInfo> voices = engine->voices();
    const Spoken first = speak(*engine, Sentence, 0, 50, 50, voices.first().id);
    QVERIFY(first.result.ok);
    for (int round = 0; round < 4; ++round) {
        for (const VoiceInfo& voice : voices) {
            const Spoken spoken = speak(*engine, Sentence, voice.languages.first());
            QVERIFY2(spoken.result.ok, qPrintable(spoken.result.error));
            QVERIFY(WavCodec::rms(spoken.sink.audio) > 0.02);
        }
    }
    QVERIFY(sameSpeech(speak(*engine, Sentence, 0, 50, 50, voices.first().id).sink.audio,
                       first.sink.audio));
}

void TestVoicePico::callsFromTwoThreadsAreSerialised()
{
    REQUIRE_PICO(engine);
    const QList<VoiceInfo> voices = engine->voices();
    const QString first = voices.first().id;
    const QString second = voices.last().id;
    const QByteArray firstAlone = speak(*engine, Sentence, 0, 50, 50, first).sink.audio;
    const QByteArray secondAlone = speak(*engine, Sentence, 0, 50, 50, second).sink.audio;
    QVERIFY(!firstAlone.isEmpty() && !secondAlone.isEmpty());
    QList<QByteArray> secondTogether;
    std::thread other([&] {
        for (int i = 0; i < 5; ++i) {
            secondTogether.append(speak(*engine, Sentence, 0, 50, 50, second).sink.audio);
        }
    });
    QList<QByteArray> firstTogether;
    for (int i = 0; i < 5; ++i) {
        firstTogether.append(speak(*engine, Sentence, 0, 50, 50, first).sink.audio);
    }
    other.join();
    for (const QByteArray& audio : std::as_const(firstTogether)) {
        QVERIFY(sameSpeech(audio, firstAlone));
    }
    for (const QByteArray& audio : std::as_const(secondTogether)) {
        QVERIFY(sameSpeech(audio, secondAlone));
    }
}

void TestVoicePico::hugeLineIsCutAndCanBeStopped()
{
    REQUIRE_PICO(engine);
    QString huge;
    huge.reserve(1 << 20);
    while (huge.size() < (1 << 20)) {
        huge += QStringLiteral("a very long line <speed level=\"20\"> without an end ");
    }
    const auto catalog =
        std::make_shared<VoiceCatalog>(std::static_pointer_cast<SpeechEngine>(engine));
    auto stream = std::make_shared<LineStream>();
    const CancelFlag cancel = makeCancelFlag();
    LineSynthesis::start(catalog, {huge, 1033, 50, 50, {}, {}}, stream, cancel);
    qsizetype audio = 0;
    qsizetype words = 0;
    QElapsedTimer deadline;
    deadline.start();
    bool finished = false;
    while (!finished && deadline.elapsed() < WaitMs) {
        const LineStream::Update update = stream->take(1 << 24);
        audio += update.audio.size();
        words += update.words.size();
        finished = update.finished;
        if (PcmAudio::durationMs(audio, OutputSampleRate) > 3000) {
            cancel->store(true);
        }
        QThread::yieldCurrentThread();
    }
    QVERIFY(finished);
    QVERIFY(words > 5);
    QVERIFY(PcmAudio::durationMs(audio, OutputSampleRate) > 3000);
}

QTEST_GUILESS_MAIN(TestVoicePico)
#include "PicoEngineTest.moc"
