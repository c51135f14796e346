// Every language identifier reaches a working voice, and Japanese goes to
// Open JTalk when it is installed and to espeak-ng when it is not.

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>
#include <QTest>

#include "VoiceTestUtil.h"
#include "agent/voice/EspeakEngine.h"
#include "agent/voice/LanguageVoices.h"
#include "agent/voice/LineStream.h"
#include "agent/voice/LineSynthesis.h"
#include "agent/voice/OpenJTalkEngine.h"
#include "agent/voice/PcmAudio.h"
#include "agent/voice/VoiceCatalog.h"

using namespace clipvoice::agent::voice;
using clipvoice::agent::voice::testing::CollectingSink;

namespace {

const QString JapaneseKanji = QStringLiteral("今日は良い天気です。");

OpenJTalkSetup forcedUnavailable()
{
    return OpenJTalkSetup::unavailable(QStringLiteral("Open JTalk not installed"));
}

} // namespace

class TestVoiceLanguages : public QObject
{
    Q_OBJECT

private slots:
    void everyLanguageSpeaks_data();
    void everyLanguageSpeaks();
    void unknownLanguagesAreRefused();
    void everyLanguageHasItsOwnTag();
    void japaneseKanjiGoesToOpenJTalkWhenInstalled();
    void japaneseUsesEspeakWhenOpenJTalkIsUnavailable();
    void failingOpenJTalkFallsBackToEspeak();
    void openJTalkSetupReportsWhatIsMissing();
};

void TestVoiceLanguages::everyLanguageSpeaks_data()
{
    QTest::addColumn<qint32>("lcid");
    QTest::addColumn<QString>("voice");
    QTest::addColumn<QString>("text");

    const struct
    {
        qint32 lcid;
        const char* voice;
        const char* text;
    } rows[] = {
        {1025, "ar", "مرحبا، كيف حالك اليوم؟"},
        {1028, "cmn-latn-pinyin", "今天天氣很好，我們去公園散步。"},
        {1029, "cs", "Dobrý den, jak se dnes máte?"},
        {1030, "da", "Goddag, hvordan har du det i dag?"},
        {1031, "de", "Guten Tag, wie geht es Ihnen heute?"},
        {1032, "el", "Καλημέρα, τι κάνετε σήμερα;"},
        {1033, "en-us", "Hello, how are you today?"},
        {1035, "fi", "Hyvää päivää, mitä kuuluu tänään?"},
        {1036, "fr", "Bonjour, comment allez-vous aujourd'hui ?"},
        {1037, "he", "שלום, מה שלומך היום?"},
        {1038, "hu", "Jó napot, hogy van ma?"},
        {1040, "it", "Buongiorno, come sta oggi?"},
        {1041, "ja", "こんにちは、今日はいい天気ですね。"},
        {1042, "ko", "안녕하세요, 오늘 기분이 어떠세요?"},
        {1043, "nl", "Goedendag, hoe gaat het vandaag met u?"},
        {1044, "nb", "God dag, hvordan har du det i dag?"},
        {1045, "pl", "Dzień dobry, jak się pan dzisiaj czuje?"},
        {1046, "pt-br", "Bom dia, como você está hoje?"},
        {1048, "ro", "Bună ziua, ce mai faceți astăzi?"},
        {1049, "ru", "Добрый день, как у вас дела сегодня?"},
        {1050, "hr", "Dobar dan, kako ste danas?"},
        {1051, "sk", "Dobrý deň, ako sa dnes máte?"},
        {1053, "sv", "God dag, hur mår du i dag?"},
        {1054, "th", "สวัสดีครับ วันนี้คุณเป็นอย่างไรบ้าง"},
        {1055, "tr", "İyi günler, bugün nasılsınız?"},
        {1060, "sl", "Dober dan, kako ste danes?"},
        {1069, "eu", "Egun on, zer moduz zaude gaur?"},
        {2052, "cmn-latn-pinyin", "今天天气很好，我们去公园散步。"},
        {2057, "en", "Good afternoon, lovely weather we are having."},
        {2070, "pt", "Bom dia, como está hoje?"},
        {3082, "es", "Buenos días, ¿cómo está usted hoy?"},
    };
    for (const auto& row : rows) {
        QTest::addRow("%d %s", row.lcid, row.voice)
            << row.lcid << QString::fromLatin1(row.voice) << QString::fromUtf8(row.text);
    }
    QCOMPARE(LanguageVoices::supportedLanguages().size(), qsizetype{std::size(rows)});
}

void TestVoiceLanguages::everyLanguageSpeaks()
{
    QFETCH(qint32, lcid);
    QFETCH(QString, voice);
    QFETCH(QString, text);

    QCOMPARE(LanguageVoices::espeakVoice(lcid), voice);
    // espeak-ng alone, without the engines this machine may have installed.
    const VoiceCatalog catalog(forcedUnavailable(), {});
    QVERIFY(catalog.supportsLanguage(lcid));
    SpeechEngine* engine = catalog.engineFor(lcid);
    QVERIFY(engine);
    QCOMPARE(engine->name(), QStringLiteral("espeak-ng"));

    CollectingSink sink;
    std::atomic_bool cancel{false};
    const SynthesisResult result = engine->synthesize({text, lcid, 50, 50, {}}, sink, cancel);
    QVERIFY2(result.ok, qPrintable(result.error));
    QVERIFY(sink.rate > 0);
    const double rms = WavCodec::rms(sink.audio);
    QVERIFY2(rms > 0.02, qPrintable(QString::number(rms)));
    // A short sentence takes about one to six seconds at normal speed.
    QVERIFY2(sink.durationMs() > 700 && sink.durationMs() < 8000,
             qPrintable(QString::number(sink.durationMs())));

    QVERIFY(!sink.words.isEmpty());
    QVERIFY(!sink.mouths.isEmpty());
    qint64 lastTime = -1;
    for (const WordTiming& word : std::as_const(sink.words)) {
        QVERIFY(word.textOffset >= 0);
        QVERIFY(word.textLength >= 0);
        QVERIFY(word.textOffset + word.textLength <= text.size());
        QVERIFY(word.timeMs >= lastTime);
        QVERIFY(word.timeMs <= sink.durationMs());
        lastTime = word.timeMs;
    }
}

void TestVoiceLanguages::unknownLanguagesAreRefused()
{
    const VoiceCatalog catalog(forcedUnavailable());
    for (const qint32 lcid : {0, -1, 1027, 1034, 1041 + 0x10000}) {
        QVERIFY2(!catalog.supportsLanguage(lcid), qPrintable(QString::number(lcid)));
        QVERIFY(!catalog.engineFor(lcid));
    }
    // The line fails with a reason instead of playing.
    LineStream stream;
    std::atomic_bool cancel{false};
    LineSynthesis::run(catalog, {QStringLiteral("Hola"), 1027, 50, 50, {}, {}}, stream, cancel);
    const LineStream::Update update = stream.take(1 << 20);
    QVERIFY(update.finished);
    QVERIFY(!update.ok);
    QVERIFY(update.audio.isEmpty());
    QVERIFY(update.error.contains(QStringLiteral("1027")));
}

void TestVoiceLanguages::everyLanguageHasItsOwnTag()
{
    // The tags the pronunciation dictionary names languages by: one per
    // language, lower case, and the country only where the program has two
    // kinds of the language.
    const QRegularExpression tag(QStringLiteral("^[a-z]{2,3}(-[a-z]{2})?$"));
    QSet<QString> seen;
    for (const qint32 lcid : LanguageVoices::supportedLanguages()) {
        const QString name = LanguageVoices::languageTag(lcid);
        QVERIFY2(tag.match(name).hasMatch(), qPrintable(QString::number(lcid) + name));
        QVERIFY2(!seen.contains(name), qPrintable(name));
        seen.insert(name);
    }
    QCOMPARE(LanguageVoices::languageTag(LanguageVoices::Japanese), QStringLiteral("ja"));
    QCOMPARE(LanguageVoices::languageTag(1033), QStringLiteral("en-us"));
    QCOMPARE(LanguageVoices::languageTag(2057), QStringLiteral("en-gb"));
    QCOMPARE(LanguageVoices::languageTag(2052), QStringLiteral("zh-cn"));
    QCOMPARE(LanguageVoices::languageTag(1027), QString());
}

void TestVoiceLanguages::japaneseKanjiGoesToOpenJTalkWhenInstalled()
{
    const VoiceCatalog catalog(OpenJTalkSetup::locate());
    SpeechEngine* engine = catalog.engineFor(LanguageVoices::Japanese);
    QVERIFY(engine);
    if (!catalog.openJTalkSetup().isUsable()) {
        QCOMPARE(engine->name(), QStringLiteral("espeak-ng"));
        QCOMPARE(catalog.japaneseEngineStatus(),
                 QStringLiteral("espeak-ng (%1)").arg(catalog.openJTalkSetup().problem));
        QSKIP("Open JTalk or its voice is not installed here (run scripts/fetch-voices ja)");
    }
    QCOMPARE(engine->name(), QStringLiteral("Open JTalk"));
    QCOMPARE(catalog.japaneseEngineStatus(), QStringLiteral("Open JTalk (nitech-jp-atr503-m001)"));

    CollectingSink sink;
    std::atomic_bool cancel{false};
    const SynthesisResult result =
        engine->synthesize({JapaneseKanji, LanguageVoices::Japanese, 50, 50, {}}, sink, cancel);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(sink.rate, 48000);
    QVERIFY(WavCodec::rms(sink.audio) > 0.02);
    QVERIFY(sink.durationMs() > 800 && sink.durationMs() < 5000);

    // The kanji words are found in the text and timed in speaking order.
    QList<QString> spoken;
    qint64 lastTime = -1;
    for (const WordTiming& word : std::as_const(sink.words)) {
        spoken.append(JapaneseKanji.mid(word.textOffset, word.textLength));
        QVERIFY(word.timeMs > lastTime);
        QVERIFY(word.timeMs < sink.durationMs());
        lastTime = word.timeMs;
    }
    QCOMPARE(spoken,
             (QList<QString>{QStringLiteral("今日"), QStringLiteral("は"), QStringLiteral("良い"),
                             QStringLiteral("天気"), QStringLiteral("です")}));
    QVERIFY(sink.words.first().timeMs > 0); // after the leading silence
    QVERIFY(sink.mouths.size() > 4);

    // The whole line path uses it too.
    LineStream stream;
    LineSynthesis::run(catalog, {JapaneseKanji, LanguageVoices::Japanese, 50, 50, {}, {}}, stream,
                       cancel);
    const LineStream::Update update = stream.take(1 << 24);
    QVERIFY(update.ok);
    QCOMPARE(update.engine, QStringLiteral("Open JTalk"));
}

void TestVoiceLanguages::japaneseUsesEspeakWhenOpenJTalkIsUnavailable()
{
    const VoiceCatalog catalog(forcedUnavailable());
    QCOMPARE(catalog.japaneseEngineStatus(),
             QStringLiteral("espeak-ng (Open JTalk not installed)"));
    LineStream stream;
    std::atomic_bool cancel{false};
    LineSynthesis::run(catalog, {JapaneseKanji, LanguageVoices::Japanese, 50, 50, {}, {}}, stream,
                       cancel);
    const LineStream::Update update = stream.take(1 << 24);
    QVERIFY2(update.ok, qPrintable(update.error));
    QCOMPARE(update.engine, QStringLiteral("espeak-ng"));
    QVERIFY(WavCodec::rms(update.audio) > 0.02);
}

void TestVoiceLanguages::failingOpenJTalkFallsBackToEspeak()
{
    const QString dictionary = QStringLiteral("/var/lib/mecab/dic/open-jtalk/naist-jdic");
    if (!QFileInfo::exists(dictionary + QStringLiteral("/sys.dic"))) {
        QSKIP("the Open JTalk dictionary is not installed");
    }
    // A program that fails at once stands in for a broken Open JTalk.
    const OpenJTalkSetup broken = OpenJTalkSetup::fromPaths(
        QStringLiteral("/bin/false"), dictionary, QCoreApplication::applicationFilePath());
    QVERIFY(broken.isUsable());
    const VoiceCatalog catalog(broken);
    QCOMPARE(catalog.engineFor(LanguageVoices::Japanese)->name(), QStringLiteral("Open JTalk"));

    LineStream stream;
    std::atomic_bool cancel{false};
    LineSynthesis::run(catalog, {JapaneseKanji, LanguageVoices::Japanese, 50, 50, {}, {}}, stream,
                       cancel);
    const LineStream::Update update = stream.take(1 << 24);
    QVERIFY2(update.ok, qPrintable(update.error));
    QCOMPARE(update.engine, QStringLiteral("espeak-ng"));
    QVERIFY(WavCodec::rms(update.audio) > 0.02);
}

void TestVoiceLanguages::openJTalkSetupReportsWhatIsMissing()
{
    const QString self = QCoreApplication::applicationFilePath();
    QCOMPARE(OpenJTalkSetup::fromPaths({}, QStringLiteral("/nonexistent"), self).problem,
             QStringLiteral("Open JTalk not installed"));
    QCOMPARE(
        OpenJTalkSetup::fromPaths(QStringLiteral("/bin/true"), QStringLiteral("/nonexistent"), self)
            .problem,
        QStringLiteral("Open JTalk dictionary not installed"));

    // The environment variable, when set, is the only place looked at.
    const QByteArray saved = qgetenv("CLIPVOICE_HTS_VOICE");
    qputenv("CLIPVOICE_HTS_VOICE", "/nonexistent/voice.htsvoice");
    const OpenJTalkSetup located = OpenJTalkSetup::locate();
    if (saved.isNull()) {
        qunsetenv("CLIPVOICE_HTS_VOICE");
    } else {
        qputenv("CLIPVOICE_HTS_VOICE", saved);
    }
    QVERIFY(!located.isUsable());
    QCOMPARE(located.voice, QStringLiteral("/nonexistent/voice.htsvoice"));
    const VoiceCatalog catalog(located);
    QCOMPARE(catalog.engineFor(LanguageVoices::Japanese)->name(), QStringLiteral("espeak-ng"));
    QVERIFY(catalog.japaneseEngineStatus().startsWith(QStringLiteral("espeak-ng (Open JTalk")));
}

QTEST_GUILESS_MAIN(TestVoiceLanguages)
#include "VoiceLanguagesTest.moc"
