// A character speaks in its own voice: its file's gender chooses among the
// voices of the engine that speaks the language, and its speed and pitch set
// the line's, with the user's settings as a step from there. Values no voice
// could mean, and the files' "default" markers, leave the engine's defaults.

#include "VoiceTestUtil.h"

#include "agent/voice/CharacterVoice.h"
#include "agent/voice/Speaker.h"
#include "agent/voice/VoiceCatalog.h"

#include <QtTest>

using namespace clipvoice::agent::voice;
using testing::listedEngine;
using testing::voiceOf;

namespace {

constexpr qint32 English = 1033;
constexpr qint32 Russian = 1049;
constexpr qint32 German = 1031;
constexpr qint32 Finnish = 1035;
constexpr auto F = VoiceGender::Female;
constexpr auto M = VoiceGender::Male;
constexpr auto N = VoiceGender::Unspecified;

// English: Flite with a woman (the most natural) and a man. Russian: RHVoice
// with a woman only. German: MBROLA with a man (most natural) and a woman.
// Finnish: espeak-ng alone.
std::shared_ptr<VoiceCatalog> machine()
{
    return std::make_shared<VoiceCatalog>(
        OpenJTalkSetup::unavailable(QStringLiteral("not in this test")),
        std::vector<std::shared_ptr<SpeechEngine>>{
            listedEngine("Flite", {voiceOf("Flite", "clara", English, F, 70),
                                   voiceOf("Flite", "mark", English, M, 60)}),
            listedEngine("RHVoice", {voiceOf("RHVoice", "Anna", Russian, F, 80)}),
            listedEngine("MBROLA", {voiceOf("MBROLA", "de2", German, M, 50),
                                    voiceOf("MBROLA", "de1", German, F, 45)})});
}

CharacterVoice character(VoiceGender gender, std::optional<int> wpm = {},
                         std::optional<int> pitch = {})
{
    return CharacterVoice{gender, wpm, pitch};
}

} // namespace

class CharacterVoiceTest : public QObject
{
    Q_OBJECT

private slots:
    void storedValuesAndTheirDefaults_data()
    {
        QTest::addColumn<quint32>("speed");
        QTest::addColumn<quint16>("pitch");
        QTest::addColumn<quint16>("gender");
        QTest::addColumn<int>("wantSpeed"); // -1: default
        QTest::addColumn<int>("wantPitch"); // -1: default
        QTest::addColumn<int>("wantGender");
        QTest::newRow("default markers")
            << 0xFFFFFFFFu << quint16(0xFFFF) << quint16(0) << -1 << -1 << int(N);
        QTest::newRow("zeros") << 0u << quint16(0) << quint16(0) << -1 << -1 << int(N);
        QTest::newRow("a woman") << 160u << quint16(220) << quint16(1) << 160 << 220 << int(F);
        QTest::newRow("a man") << 130u << quint16(95) << quint16(2) << 130 << 95 << int(M);
        QTest::newRow("an unknown gender")
            << 160u << quint16(100) << quint16(7) << 160 << 100 << int(N);
        QTest::newRow("4294967294 wpm")
            << 0xFFFFFFFEu << quint16(100) << quint16(2) << -1 << 100 << int(M);
        QTest::newRow("65534 Hz") << 160u << quint16(0xFFFE) << quint16(1) << 160 << -1 << int(F);
        QTest::newRow("lowest") << 50u << quint16(50) << quint16(1) << 50 << 50 << int(F);
        QTest::newRow("below") << 49u << quint16(49) << quint16(1) << -1 << -1 << int(F);
        QTest::newRow("highest") << 500u << quint16(600) << quint16(2) << 500 << 600 << int(M);
        QTest::newRow("above") << 501u << quint16(601) << quint16(2) << -1 << -1 << int(M);
    }
    void storedValuesAndTheirDefaults()
    {
        QFETCH(quint32, speed);
        QFETCH(quint16, pitch);
        QFETCH(quint16, gender);
        QFETCH(int, wantSpeed);
        QFETCH(int, wantPitch);
        QFETCH(int, wantGender);
        const CharacterVoice v = CharacterVoice::fromStored(speed, pitch, gender);
        QCOMPARE(v.wordsPerMinute.value_or(-1), wantSpeed);
        QCOMPARE(v.pitchHz.value_or(-1), wantPitch);
        QCOMPARE(int(v.gender), wantGender);
    }

    void genderChoosesWithinTheLanguagesEngine_data()
    {
        QTest::addColumn<qint32>("language");
        QTest::addColumn<int>("gender");
        QTest::addColumn<QString>("userChoice");
        QTest::addColumn<QString>("voice"); // the key planned; empty: the default
        QTest::newRow("English, a woman") << English << int(F) << QString() << QString();
        QTest::newRow("English, a man") << English << int(M) << QString() << "Flite/mark";
        QTest::newRow("English, neutral") << English << int(N) << QString() << QString();
        QTest::newRow("Russian, a man: no man in RHVoice")
            << Russian << int(M) << QString() << QString();
        QTest::newRow("German, a woman") << German << int(F) << QString() << "MBROLA/de1";
        QTest::newRow("German, a man") << German << int(M) << QString() << QString();
        QTest::newRow("Finnish, a woman: espeak-ng's variant")
            << Finnish << int(F) << QString() << "espeak-ng/fi+f3";
        QTest::newRow("Finnish, a man") << Finnish << int(M) << QString() << QString();
        QTest::newRow("the user's choice stands") << English << int(F) << "Flite/mark"
                                                  << "Flite/mark";
        QTest::newRow("a choice not installed") << English << int(M) << "Flite/gone"
                                                << "Flite/mark";
    }
    void genderChoosesWithinTheLanguagesEngine()
    {
        QFETCH(qint32, language);
        QFETCH(int, gender);
        QFETCH(QString, userChoice);
        QFETCH(QString, voice);
        const auto catalog = machine();
        const VoicePlan plan =
            planVoice(*catalog, language, userChoice, character(VoiceGender(gender)), 50, 50);
        QCOMPARE(plan.voiceKey, voice);
        QCOMPARE(plan.speed, 50);
        QCOMPARE(plan.pitch, 50);
        // What speaks is of the engine that speaks the language without a
        // character.
        const VoiceSelection planned = catalog->select(language, plan.voiceKey);
        QCOMPARE(planned.engine, catalog->select(language, userChoice).engine);
    }

    void speedAndPitchFollowTheCharacterAndTheUser_data()
    {
        QTest::addColumn<int>("gender");
        QTest::addColumn<int>("wpm"); // 0: none
        QTest::addColumn<int>("hz");  // 0: none
        QTest::addColumn<int>("userSpeed");
        QTest::addColumn<int>("userPitch");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("pitch");
        QTest::newRow("defaults") << int(N) << 0 << 0 << 50 << 50 << 50 << 50;
        QTest::newRow("the user alone") << int(N) << 0 << 0 << 70 << 30 << 70 << 30;
        QTest::newRow("normal rate, a woman's usual pitch")
            << int(F) << 175 << 210 << 50 << 50 << 50 << 50;
        QTest::newRow("twice as fast, an octave up")
            << int(F) << 350 << 420 << 50 << 50 << 100 << 100;
        QTest::newRow("half as fast, an octave down") << int(M) << 88 << 60 << 50 << 50 << 0 << 0;
        QTest::newRow("the user's step on top") << int(M) << 210 << 150 << 40 << 60 << 53 << 92;
        QTest::newRow("clamped") << int(F) << 500 << 600 << 90 << 90 << 100 << 100;
    }
    void speedAndPitchFollowTheCharacterAndTheUser()
    {
        QFETCH(int, gender);
        QFETCH(int, wpm);
        QFETCH(int, hz);
        QFETCH(int, userSpeed);
        QFETCH(int, userPitch);
        QFETCH(int, speed);
        QFETCH(int, pitch);
        const auto catalog = machine();
        const CharacterVoice wanted =
            character(VoiceGender(gender), wpm ? std::optional(wpm) : std::nullopt,
                      hz ? std::optional(hz) : std::nullopt);
        const VoicePlan plan = planVoice(*catalog, English, {}, wanted, userSpeed, userPitch);
        QCOMPARE(plan.speed, speed);
        QCOMPARE(plan.pitch, pitch);
    }

    // A pitch is measured against the voice that says it: the same 160 Hz is
    // high for a man's voice and low for a woman's.
    void pitchDependsOnTheVoicesGender()
    {
        QCOMPARE(pitchForVoice(120, M), 50);
        QCOMPARE(pitchForVoice(210, F), 50);
        QVERIFY(pitchForVoice(160, M) > 50);
        QVERIFY(pitchForVoice(160, F) < 50);
        QCOMPARE(pitchForVoice(160, N), 50);
        QCOMPARE(pitchForVoice(0, M), 50);
        // A woman's pitch asked of a language whose only voice is a man's
        // raises that voice, and the reverse.
        const auto catalog = machine();
        const VoicePlan high = planVoice(*catalog, Russian, {}, character(M, {}, 110), 50, 50);
        QVERIFY2(high.pitch < 50, qPrintable(QString::number(high.pitch)));
    }

    void theSpeakerPlansEachLineForItsCharacter()
    {
        Speaker speaker(machine(), std::make_unique<ClockOutput>());
        LineRequest plain = speaker.requestFor(QStringLiteral("Hello"), English);
        QCOMPARE(plain.voice, QString());
        QCOMPARE(plain.speed, 50);
        speaker.setCharacterVoice(character(M, 263, 120));
        speaker.setSpeed(60);
        const LineRequest line = speaker.requestFor(QStringLiteral("Hello"), English);
        QCOMPARE(line.voice, QStringLiteral("Flite/mark"));
        QCOMPARE(line.speed, 89); // 263 wpm is 1.5 times the normal rate, and the user's step
        QCOMPARE(line.pitch, 50);
        speaker.setCharacterVoice({});
        QCOMPARE(speaker.requestFor(QStringLiteral("Hello"), English).voice, QString());
    }
};

QTEST_GUILESS_MAIN(CharacterVoiceTest)
#include "CharacterVoiceTest.moc"
