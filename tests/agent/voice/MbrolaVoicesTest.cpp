// MBROLA voices through espeak-ng: only complete voices are offered, each
// speaks at its own sample rate with every word and mouth timed, a voice that
// cannot be selected never speaks, and plain espeak-ng voices are unchanged.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

#include "VoiceTestUtil.h"
#include "agent/voice/EspeakEngine.h"
#include "agent/voice/LanguageVoices.h"
#include "agent/voice/LineStream.h"
#include "agent/voice/LineSynthesis.h"
#include "agent/voice/MbrolaVoices.h"
#include "agent/voice/PcmAudio.h"
#include "agent/voice/VoiceCatalog.h"
#include "agent/voice/VoiceRanking.h"

using namespace clipvoice::agent::voice;
using namespace clipvoice::agent::voice::testing;

namespace {

// Skips the test, saying what is missing, unless MBROLA and `voice` (if
// given) are usable here.
#define REQUIRE_MBROLA(engine, voice)                                                              \
    const std::shared_ptr<MbrolaEngine> engine = MbrolaEngine::installed();                        \
    if (!engine) {                                                                                 \
        QSKIP(qPrintable(QStringLiteral("MBROLA is not usable here: %1 (scripts/fetch-voices)")    \
                             .arg(whyNoMbrola())));                                                \
    }                                                                                              \
    if (!QString(voice).isEmpty() && !hasVoice(*engine, voice)) {                                  \
        QSKIP(qPrintable(QStringLiteral("the MBROLA voice %1 is not installed here").arg(voice))); \
    }

QString whyNoMbrola()
{
    QString problem;
    MbrolaVoices::usable(MbrolaVoices::systemPlaces(EspeakEngine::dataPath()), &problem);
    return problem;
}

bool hasVoice(const MbrolaEngine& engine, const QString& id)
{
    const QList<VoiceInfo> voices = engine.voices();
    return std::any_of(voices.begin(), voices.end(),
                       [&id](const VoiceInfo& voice) { return voice.id == id; });
}

SynthesisResult speak(SpeechEngine& engine, const QString& text, qint32 lcid, const QString& voice,
                      CollectingSink& sink, int speed = 50)
{
    std::atomic_bool cancel{false};
    return engine.synthesize({text, lcid, speed, 50, voice}, sink, cancel);
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
        QVERIFY(word.timeMs <= sink.durationMs());
        lastTime = word.timeMs;
        lastEnd = word.textOffset + word.textLength;
    }
    lastTime = -1;
    for (const MouthTiming& mouth : sink.mouths) {
        QVERIFY(mouth.shape >= 0 && mouth.shape < MouthShapeCount);
        QVERIFY(mouth.timeMs >= lastTime);
        QVERIFY(mouth.timeMs <= sink.durationMs());
        lastTime = mouth.timeMs;
    }
}

// A fake espeak-ng data folder and database folder for MbrolaVoices.
struct FakeInstall
{
    QTemporaryDir root;
    MbrolaPlaces places;

    FakeInstall()
    {
        QDir(root.path()).mkpath(QStringLiteral("data/voices/mb"));
        QDir(root.path()).mkpath(QStringLiteral("data/mbrola_ph"));
        QDir(root.path()).mkpath(QStringLiteral("mbrola"));
        places.espeakData = root.filePath(QStringLiteral("data"));
        places.databasePatterns = {root.filePath(QStringLiteral("mbrola/%1")),
                                   root.filePath(QStringLiteral("mbrola/%1/%1"))};
        places.program = QStringLiteral("/bin/true");
    }
    void write(const QString& path, const QByteArray& contents) const
    {
        QDir(root.path()).mkpath(QFileInfo(root.filePath(path)).path());
        QFile file(root.filePath(path));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
};

} // namespace

class TestVoiceMbrola : public QObject
{
    Q_OBJECT

private slots:
    void voiceFilesAreRead();
    void onlyCompleteVoicesAreOffered();
    void wordsAreRebuiltFromPhonemePositions();
    void listsItsVoices();
    void eachVoiceSpeaks_data();
    void eachVoiceSpeaks();
    void everyWordIsTimed();
    void sampleRateFollowsTheVoice();
    void cancelStopsWithinFiftyMilliseconds();
    void failedSelectionNeverSpeaks();
    void markupIsReadNotObeyed();
    void badInputIsQuiet();
    void hugeLineIsCutAndStops();
    void sharesEspeakNgInTurns();
};

void TestVoiceMbrola::voiceFilesAreRead()
{
    QCOMPARE(MbrolaVoices::parseVoiceFile("name german-mbrola-5\n"
                                          "language de 7\n"
                                          "mbrola de5 de6_phtrans 22050\n")
                 .phonemeTable,
             QStringLiteral("de6_phtrans"));
    const MbrolaVoiceFile us = MbrolaVoices::parseVoiceFile("  mbrola   us1\tus_phtrans\r\n");
    QCOMPARE(us.database, QStringLiteral("us1"));
    QCOMPARE(us.phonemeTable, QStringLiteral("us_phtrans"));
    // No line, a line too short, and names that would leave the folder.
    for (const QByteArray& bad :
         {QByteArray("name x\nlanguage en\n"), QByteArray("mbrola us1\n"),
          QByteArray("mbrola ../../etc passwd\n"), QByteArray("mbrola us1 ../us_phtrans\n"),
          QByteArray("\0\xff\xfe mbrola", 10), QByteArray()}) {
        const MbrolaVoiceFile file = MbrolaVoices::parseVoiceFile(bad);
        QVERIFY2(file.database.isEmpty() && file.phonemeTable.isEmpty(), bad.constData());
    }
}

void TestVoiceMbrola::onlyCompleteVoicesAreOffered()
{
    FakeInstall install;
    QVERIFY(install.root.isValid());
    // us1: complete. us2: its phoneme table is missing (like cn1, which
    // crashes espeak-ng). us3: its database is missing. en1: database in a
    // folder of its name. ar1: a voice file far too large to be one.
    install.write(QStringLiteral("data/voices/mb/mb-us1"), "mbrola us1 us_phtrans\n");
    install.write(QStringLiteral("data/voices/mb/mb-us2"), "mbrola us2 zh_phtrans\n");
    install.write(QStringLiteral("data/voices/mb/mb-us3"), "mbrola us3 us3_phtrans\n");
    install.write(QStringLiteral("data/voices/mb/mb-en1"), "gender male\nmbrola en1 en1_phtrans\n");
    install.write(QStringLiteral("data/voices/mb/mb-ar1"),
                  QByteArray(1 << 20, ' ') + "\nmbrola ar1 ar1_phtrans\n");
    for (const char* table : {"us_phtrans", "us3_phtrans", "en1_phtrans", "ar1_phtrans"}) {
        install.write(QStringLiteral("data/mbrola_ph/") + QLatin1String(table), "table");
    }
    install.write(QStringLiteral("mbrola/us1"), "database");
    install.write(QStringLiteral("mbrola/us2"), "database");
    install.write(QStringLiteral("mbrola/en1/en1"), "database");
    install.write(QStringLiteral("mbrola/ar1"), "database");
    install.write(QStringLiteral("mbrola/us3"), ""); // empty: not a database

    QString problem;
    QList<QString> ids;
    for (const MbrolaVoice& voice : MbrolaVoices::usable(install.places, &problem)) {
        ids.append(voice.id);
    }
    QCOMPARE(ids, (QList<QString>{QStringLiteral("us1"), QStringLiteral("en1")}));

    // Without the program nothing is usable, and the reason says so.
    install.places.program.clear();
    QVERIFY(MbrolaVoices::usable(install.places, &problem).isEmpty());
    QVERIFY2(problem.contains(QStringLiteral("mbrola program")), qPrintable(problem));
    install.places.program = QStringLiteral("/bin/true");
    install.places.espeakData = install.root.filePath(QStringLiteral("nowhere"));
    QVERIFY(MbrolaVoices::usable(install.places, &problem).isEmpty());

    // Every known voice reads a language of the program's table, and Mandarin
    // is not among them.
    const QList<qint32> languages = LanguageVoices::supportedLanguages();
    for (const MbrolaVoice& voice : MbrolaVoices::known()) {
        QVERIFY2(languages.contains(voice.language), qPrintable(voice.id));
        QVERIFY(voice.gender != VoiceGender::Unspecified);
        QVERIFY(voice.id != QStringLiteral("cn1"));
    }
}

void TestVoiceMbrola::wordsAreRebuiltFromPhonemePositions()
{
    // The positions espeak-ng gave with mb-us1 (code points from 0, -1 for
    // none): the first phoneme of each word but "the", which it says with
    // "of"; clause positions (27, 28) between; and out-of-range noise.
    const QString text = QStringLiteral("This is a test of the voice, with twelve words in it.");
    const CodePoints codePoints(text);
    MbrolaTiming timing(codePoints);
    CollectingSink sink;
    const struct
    {
        int position;
        qint64 timeMs;
    } events[] = {{0, 62},    {-1, 127},  {5, 250},   {-1, 274},   {8, 339},
                  {10, 359},  {15, 677},  {-1, 704},  {22, 852},   {27, 1164},
                  {28, 1311}, {29, 1311}, {28, 1376}, {34, 1471},  {28, 1575},
                  {41, 1825}, {47, 2109}, {3, 2150},  {9999, 2160}};
    for (const auto& event : events) {
        timing.wordAt(event.position, event.timeMs);
        timing.mouthAt(event.timeMs, 1);
    }
    // Nothing is handed on before its audio has come.
    timing.release(700, sink);
    QCOMPARE(spokenWords(sink, text),
             (QStringList{QStringLiteral("This"), QStringLiteral("is"), QStringLiteral("a"),
                          QStringLiteral("test"), QStringLiteral("of")}));
    QVERIFY(std::all_of(sink.mouths.begin(), sink.mouths.end(),
                        [](const MouthTiming& m) { return m.timeMs <= 700; }));
    timing.mouthAt(2300, 0); // the final pause
    timing.finish(2400, sink);
    // Every word once, in order: "the" between "of" and "voice", and "it",
    // never reported, before the final pause.
    QCOMPARE(spokenWords(sink, text),
             (QStringList{QStringLiteral("This"), QStringLiteral("is"), QStringLiteral("a"),
                          QStringLiteral("test"), QStringLiteral("of"), QStringLiteral("the"),
                          QStringLiteral("voice"), QStringLiteral("with"), QStringLiteral("twelve"),
                          QStringLiteral("words"), QStringLiteral("in"), QStringLiteral("it")}));
    QVERIFY(sink.words.at(5).timeMs > 677 && sink.words.at(5).timeMs < 852);
    QVERIFY(sink.words.at(11).timeMs > 2109 && sink.words.at(11).timeMs < 2300);
    QCOMPARE(sink.words.at(6).timeMs, 852);
    sink.rate = 1000;
    sink.audio = QByteArray(2 * 2400, '\0'); // 2400 ms at the rate above
    verifyTiming(sink, text);

    // A position inside the last word (espeak-ng parting "aujourd'hui") is
    // not a word of its own; a text with no reported words still gets its
    // words, spread over the speech.
    const QString french = QStringLiteral("aujourd'hui encore");
    const CodePoints frenchPoints(french);
    MbrolaTiming frenchTiming(frenchPoints);
    CollectingSink frenchSink;
    frenchTiming.wordAt(0, 100);
    frenchTiming.wordAt(8, 300);
    frenchTiming.finish(1000, frenchSink);
    QCOMPARE(spokenWords(frenchSink, french),
             (QStringList{QStringLiteral("aujourd'hui"), QStringLiteral("encore")}));
    MbrolaTiming silent(frenchPoints);
    CollectingSink silentSink;
    silent.finish(1000, silentSink);
    QCOMPARE(silentSink.words.size(), 2);
    QCOMPARE(silentSink.words.at(0).timeMs, 0);
    QVERIFY(silentSink.words.at(1).timeMs > 0 && silentSink.words.at(1).timeMs <= 1000);
}

void TestVoiceMbrola::listsItsVoices()
{
    REQUIRE_MBROLA(engine, QString());
    QCOMPARE(engine->name(), QStringLiteral("MBROLA"));
    const QList<VoiceInfo> voices = engine->voices();
    QVERIFY(!voices.isEmpty());
    for (const VoiceInfo& voice : voices) {
        QCOMPARE(voice.engine, QStringLiteral("MBROLA"));
        QCOMPARE(voice.key(), QStringLiteral("MBROLA/") + voice.id);
        QVERIFY(voice.label.contains(voice.id));
        QCOMPARE(voice.quality, VoiceRanking::Mbrola);
        QCOMPARE(voice.languages.size(), 1);
        QVERIFY(engine->supportsLanguage(voice.languages.first()));
        // Only voices whose database is here.
        QVERIFY(QFileInfo::exists(QStringLiteral("/usr/share/mbrola/") + voice.id));
    }
    QVERIFY(!engine->supportsLanguage(1041));

    // The catalogue prefers it to espeak-ng, which stays the fallback.
    const VoiceInfo& first = voices.first();
    const qint32 lcid = first.languages.first();
    const VoiceCatalog catalog(OpenJTalkSetup::unavailable(QStringLiteral("not used")),
                               {std::static_pointer_cast<SpeechEngine>(engine)});
    QCOMPARE(catalog.select(lcid).engine, engine.get());
    QCOMPARE(catalog.select(lcid, first.key()).engine, engine.get());
    QCOMPARE(catalog.fallbackFor(lcid, engine.get())->name(), QStringLiteral("espeak-ng"));
    QCOMPARE(catalog.select(1041).engine->name(), QStringLiteral("espeak-ng"));
}

void TestVoiceMbrola::eachVoiceSpeaks_data()
{
    QTest::addColumn<QString>("voice");
    QTest::addColumn<qint32>("lcid");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("rate");

    const QHash<qint32, const char*> texts{
        {1033, "Hello, how are you today?"},
        {2057, "Good afternoon, lovely weather we are having."},
        {1025, "مرحبا، كيف حالك اليوم؟"},
        {1029, "Dobrý den, jak se dnes máte?"},
        {1031, "Guten Tag, wie geht es Ihnen heute?"},
        {1032, "Καλημέρα, τι κάνετε σήμερα;"},
        {1036, "Bonjour, comment allez-vous aujourd'hui ?"},
        {1037, "שלום, מה שלומך היום?"},
        {1038, "Jó napot, hogy van ma?"},
        {1040, "Buongiorno, come sta oggi?"},
        {1043, "Goedendag, hoe gaat het vandaag met u?"},
        {1045, "Dzień dobry, jak się pan dzisiaj czuje?"},
        {1046, "Bom dia, como você está hoje?"},
        {1048, "Bună ziua, ce mai faceți astăzi?"},
        {1050, "Dobar dan, kako ste danas?"},
        {1053, "God dag, hur mår du i dag?"},
        {1055, "İyi günler, bugün nasılsınız?"},
        {2070, "Bom dia, como está hoje?"},
        {3082, "Buenos días, ¿cómo está usted hoy?"},
    };
    // The databases recorded at 22050 Hz; the others are 16000 Hz.
    const QSet<QString> at22050{
        QStringLiteral("ar2"), QStringLiteral("de3"), QStringLiteral("de5"), QStringLiteral("de6"),
        QStringLiteral("de7"), QStringLiteral("gr2"), QStringLiteral("fr2"), QStringLiteral("fr4"),
        QStringLiteral("hb1"), QStringLiteral("hb2"), QStringLiteral("br2"), QStringLiteral("br3"),
        QStringLiteral("tr2"), QStringLiteral("pt1"), QStringLiteral("es2")};
    for (const MbrolaVoice& voice : MbrolaVoices::known()) {
        QVERIFY2(texts.contains(voice.language), qPrintable(voice.id));
        QTest::newRow(qPrintable(voice.id))
            << voice.id << voice.language << QString::fromUtf8(texts.value(voice.language))
            << (at22050.contains(voice.id) ? 22050 : 16000);
    }
}

void TestVoiceMbrola::eachVoiceSpeaks()
{
    QFETCH(QString, voice);
    QFETCH(qint32, lcid);
    QFETCH(QString, text);
    QFETCH(int, rate);
    REQUIRE_MBROLA(engine, voice);

    CollectingSink sink;
    const SynthesisResult result = speak(*engine, text, lcid, voice, sink);
    QVERIFY2(result.ok, qPrintable(result.error));
    // At the database's own rate: at any other its speech would play too fast
    // or too slow.
    QCOMPARE(sink.rate, rate);
    const double rms = WavCodec::rms(sink.audio);
    QVERIFY2(rms > 0.02, qPrintable(QString::number(rms)));
    QVERIFY2(sink.durationMs() > 700 && sink.durationMs() < 8000,
             qPrintable(QString::number(sink.durationMs())));

    // Most words are timed (espeak-ng alone names only the first of each
    // sentence with these voices), and the mouth moves.
    const int textWords = static_cast<int>(text.split(QLatin1Char(' ')).size());
    QVERIFY2(sink.words.size() * 2 >= textWords,
             qPrintable(spokenWords(sink, text).join(QLatin1Char('|'))));
    verifyTiming(sink, text);
    QSet<int> shapes;
    for (const MouthTiming& mouth : std::as_const(sink.mouths)) {
        shapes.insert(mouth.shape);
    }
    QVERIFY2(shapes.size() >= 3, qPrintable(QString::number(shapes.size())));
}

void TestVoiceMbrola::everyWordIsTimed()
{
    REQUIRE_MBROLA(engine, QStringLiteral("us1"));
    const QString text = QStringLiteral("This is a test of the voice, with twelve words in it. "
                                        "And aujourd'hui is one more.");
    CollectingSink sink;
    QVERIFY(speak(*engine, text, 1033, QStringLiteral("us1"), sink).ok);
    QCOMPARE(spokenWords(sink, text),
             (QStringList{QStringLiteral("This"), QStringLiteral("is"), QStringLiteral("a"),
                          QStringLiteral("test"), QStringLiteral("of"), QStringLiteral("the"),
                          QStringLiteral("voice"), QStringLiteral("with"), QStringLiteral("twelve"),
                          QStringLiteral("words"), QStringLiteral("in"), QStringLiteral("it"),
                          QStringLiteral("And"), QStringLiteral("aujourd'hui"),
                          QStringLiteral("is"), QStringLiteral("one"), QStringLiteral("more")}));
    verifyTiming(sink, text);
    // Spread over the audio, each after the one before.
    for (qsizetype i = 1; i < sink.words.size(); ++i) {
        QVERIFY(sink.words.at(i).timeMs > sink.words.at(i - 1).timeMs);
    }
    QVERIFY(sink.words.last().timeMs > sink.durationMs() / 2);

    // Every word plain espeak-ng reports of the first sentence is there too,
    // at the same place (it leaves out "the" after "of" itself).
    EspeakEngine espeak;
    const QString first = text.left(text.indexOf(QLatin1Char('.')) + 1);
    CollectingSink plain;
    QVERIFY(speak(espeak, first, 1033, {}, plain).ok);
    CollectingSink mbrola;
    QVERIFY(speak(*engine, first, 1033, QStringLiteral("us1"), mbrola).ok);
    QList<int> mbrolaStarts;
    for (const WordTiming& word : std::as_const(mbrola.words)) {
        mbrolaStarts.append(word.textOffset);
    }
    QVERIFY(plain.words.size() >= 10);
    for (const WordTiming& word : std::as_const(plain.words)) {
        QVERIFY2(mbrolaStarts.contains(word.textOffset),
                 qPrintable(QString::number(word.textOffset)));
    }
}

void TestVoiceMbrola::sampleRateFollowsTheVoice()
{
    REQUIRE_MBROLA(engine, QStringLiteral("us1"));
    if (!hasVoice(*engine, QStringLiteral("de5"))) {
        QSKIP("the MBROLA voice de5 is not installed here");
    }
    EspeakEngine espeak;
    const QString english = QStringLiteral("One two three.");
    const QString german = QStringLiteral("Eins zwei drei.");
    CollectingSink first;
    QVERIFY(speak(*engine, english, 1033, QStringLiteral("us1"), first).ok);
    QCOMPARE(first.rate, 16000);
    // Switching voices back and forth, the same voice twice in a row, and a
    // plain espeak-ng voice between them: each speaks at its own rate, the
    // same as the first time.
    const struct
    {
        SpeechEngine* engine;
        QString text;
        qint32 lcid;
        QString voice;
        int rate;
    } steps[] = {
        {engine.get(), german, 1031, QStringLiteral("de5"), 22050},
        {engine.get(), english, 1033, QStringLiteral("us1"), 16000},
        {engine.get(), english, 1033, QStringLiteral("us1"), 16000},
        {&espeak, english, 1033, {}, 22050},
        {engine.get(), english, 1033, QStringLiteral("us1"), 16000},
        {engine.get(), german, 1031, {}, -1}, // the language's default voice
    };
    for (const auto& step : steps) {
        CollectingSink sink;
        const SynthesisResult result = speak(*step.engine, step.text, step.lcid, step.voice, sink);
        QVERIFY2(result.ok, qPrintable(result.error));
        if (step.rate > 0) {
            QCOMPARE(sink.rate, step.rate);
        }
        QVERIFY(WavCodec::rms(sink.audio) > 0.02);
        if (step.voice == QStringLiteral("us1")) {
            QVERIFY(qAbs(sink.durationMs() - first.durationMs()) < 50);
            QCOMPARE(sink.words, first.words);
        }
    }
}

void TestVoiceMbrola::cancelStopsWithinFiftyMilliseconds()
{
    REQUIRE_MBROLA(engine, QStringLiteral("us1"));
    QString text;
    for (int i = 0; i < 6; ++i) {
        text += QStringLiteral("This sentence is long enough to take several seconds to say. ");
    }
    std::atomic_bool cancel{false};
    CancellingSink sink(cancel);
    const SynthesisResult result =
        engine->synthesize({text, 1033, 50, 50, QStringLiteral("us1")}, sink, cancel);
    QVERIFY(result.cancelled);
    QVERIFY(sink.bytesBefore > 0);
    // Measured in audio: at most 50 ms after the stop.
    QVERIFY2(sink.bytesAfterCancel <= PcmAudio::bytesFor(50, sink.rate),
             qPrintable(QString::number(sink.bytesAfterCancel)));

    // The voice then says a whole line as before, with nothing left over
    // from the stopped one.
    CollectingSink clean;
    QVERIFY(
        speak(*engine, QStringLiteral("Short text here."), 1033, QStringLiteral("us1"), clean).ok);
    CollectingSink again;
    QVERIFY(
        speak(*engine, QStringLiteral("Short text here."), 1033, QStringLiteral("us1"), again).ok);
    QVERIFY(qAbs(clean.durationMs() - again.durationMs()) < 50);
    QCOMPARE(clean.words.size(), 3);
}

void TestVoiceMbrola::failedSelectionNeverSpeaks()
{
    REQUIRE_MBROLA(engine, QStringLiteral("us1"));
    // A voice this engine does not offer is refused before espeak-ng is asked.
    CollectingSink sink;
    SynthesisResult result =
        speak(*engine, QStringLiteral("Hello."), 1033, QStringLiteral("cn1"), sink);
    QVERIFY(!result.ok);
    QVERIFY(result.error.contains(QStringLiteral("cn1")));
    QVERIFY(sink.audio.isEmpty());
    QCOMPARE(sink.rate, 0);
    // Plain espeak-ng refuses MBROLA voices: only MbrolaEngine checks them.
    EspeakEngine espeak;
    result = speak(espeak, QStringLiteral("Hello."), 1033, QStringLiteral("mb-us1"), sink);
    QVERIFY(!result.ok);
    QVERIFY(sink.audio.isEmpty());

    // A voice whose database is missing: espeak-ng's selection fails, and
    // nothing is synthesised after it (espeak-ng would play noise).
    const QString data = EspeakEngine::dataPath();
    if (!QFileInfo::exists(data + QStringLiteral("/voices/mb/mb-af1")) ||
        QFileInfo::exists(QStringLiteral("/usr/share/mbrola/af1"))) {
        QSKIP("needs espeak-ng's mb-af1 voice file without the af1 database");
    }
    auto broken = std::make_shared<MbrolaEngine>(
        QList<MbrolaVoice>{MbrolaVoice{QStringLiteral("af1"), 1033, VoiceGender::Male, QString()}});
    result = speak(*broken, QStringLiteral("Hello there."), 1033, {}, sink);
    QVERIFY(!result.ok);
    QVERIFY(!result.cancelled);
    QVERIFY(sink.audio.isEmpty());
    QCOMPARE(sink.rate, 0);

    // On the line path espeak-ng speaks instead; then MBROLA works again.
    const VoiceCatalog catalog(OpenJTalkSetup::unavailable(QStringLiteral("not used")),
                               {std::static_pointer_cast<SpeechEngine>(broken)});
    LineStream stream;
    std::atomic_bool cancel{false};
    LineSynthesis::run(catalog, {QStringLiteral("Hello there."), 1033, 50, 50, {}, {}}, stream,
                       cancel);
    const LineStream::Update update = stream.take(1 << 26);
    QVERIFY2(update.ok, qPrintable(update.error));
    QCOMPARE(update.engine, QStringLiteral("espeak-ng"));
    QVERIFY(WavCodec::rms(update.audio) > 0.02);
    CollectingSink after;
    QVERIFY(speak(*engine, QStringLiteral("Hello there."), 1033, QStringLiteral("us1"), after).ok);
    QCOMPARE(after.rate, 16000);
    QVERIFY(WavCodec::rms(after.audio) > 0.02);
}

void TestVoiceMbrola::markupIsReadNotObeyed()
{
    REQUIRE_MBROLA(engine, QStringLiteral("us1"));
    // SSML asking for a five-second pause and espeak-ng's own phoneme input:
    // read as text, with no long silence anywhere.
    const QString text = QStringLiteral(
        "Hello <break time=\"5s\"/> [[h@l'oU]] <prosody rate=\"x-slow\">world</prosody>");
    CollectingSink sink;
    const SynthesisResult result = speak(*engine, text, 1033, QStringLiteral("us1"), sink);
    QVERIFY2(result.ok, qPrintable(result.error));
    const QStringList words = spokenWords(sink, text);
    QVERIFY2(words.contains(QStringLiteral("break")) && words.contains(QStringLiteral("prosody")),
             qPrintable(words.join(QLatin1Char('|'))));
    for (qint64 at = 0; at + 1000 <= sink.durationMs(); at += 1000) {
        const QByteArray second =
            sink.audio.mid(PcmAudio::bytesFor(at, sink.rate), PcmAudio::bytesFor(1000, sink.rate));
        QVERIFY2(WavCodec::rms(second) > 0.01, qPrintable(QString::number(at)));
    }
    verifyTiming(sink, text);
}

void TestVoiceMbrola::badInputIsQuiet()
{
    REQUIRE_MBROLA(engine, QStringLiteral("us1"));
    const QString us1 = QStringLiteral("us1");
    QString withNul = QStringLiteral("Before");
    withNul.append(QChar(u'\0')).append(QStringLiteral(" after."));
    QString loneSurrogates = QStringLiteral("Left ");
    loneSurrogates.append(QChar(0xD800)).append(QStringLiteral(" right ")).append(QChar(0xDC00));
    for (const QString& text :
         {QString(), QStringLiteral("   "), QStringLiteral("?!... ,;:"), withNul, loneSurrogates}) {
        CollectingSink sink;
        const SynthesisResult result = speak(*engine, text, 1033, us1, sink);
        QVERIFY2(result.ok || !result.error.isEmpty(), qPrintable(text));
        QVERIFY(sink.durationMs() < 3000);
        verifyTiming(sink, text);
    }
    // A language without an MBROLA voice.
    CollectingSink sink;
    const SynthesisResult result = speak(*engine, QStringLiteral("Hei."), 1035, {}, sink);
    QVERIFY(!result.ok);
    QVERIFY(result.error.contains(QStringLiteral("1035")));
    QVERIFY(sink.audio.isEmpty());
}

void TestVoiceMbrola::hugeLineIsCutAndStops()
{
    REQUIRE_MBROLA(engine, QStringLiteral("us1"));
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
        LineSynthesis::run(catalog, {text, 1033, 50, 50, QStringLiteral("MBROLA/us1"), {}}, stream,
                           cancel);
        const LineStream::Update update = stream.take(1 << 26);
        QVERIFY(update.finished);
        QVERIFY(!update.ok);
        QCOMPARE(stopping->calls, 1);
        QVERIFY(stopping->longestPiece <= engine->maxChunkLength());
        QVERIFY(!update.audio.isEmpty());
        QVERIFY(update.audio.size() < PcmAudio::bytesFor(1000, OutputSampleRate));
    }
}

void TestVoiceMbrola::sharesEspeakNgInTurns()
{
    REQUIRE_MBROLA(engine, QStringLiteral("us1"));
    // MBROLA and plain espeak-ng from two threads at once: each line has its
    // own voice's rate and as much audio as when spoken alone.
    EspeakEngine espeak;
    const QString text = QStringLiteral("Two voices take turns with one library.");
    CollectingSink mbrolaAlone;
    CollectingSink espeakAlone;
    QVERIFY(speak(*engine, text, 1033, QStringLiteral("us1"), mbrolaAlone).ok);
    QVERIFY(speak(espeak, text, 1033, {}, espeakAlone).ok);
    std::atomic_int mismatches{0};
    auto work = [&](SpeechEngine* speaker, const QString& voice, const CollectingSink* alone) {
        for (int round = 0; round < 6; ++round) {
            CollectingSink sink;
            if (!speak(*speaker, text, 1033, voice, sink).ok || sink.rate != alone->rate ||
                qAbs(sink.durationMs() - alone->durationMs()) > 50 ||
                sink.words.size() != alone->words.size()) {
                ++mismatches;
            }
        }
    };
    std::thread first(work, engine.get(), QStringLiteral("us1"), &mbrolaAlone);
    std::thread second(work, &espeak, QString(), &espeakAlone);
    first.join();
    second.join();
    QCOMPARE(mismatches.load(), 0);
}

QTEST_GUILESS_MAIN(TestVoiceMbrola)
#include "MbrolaVoicesTest.moc"
