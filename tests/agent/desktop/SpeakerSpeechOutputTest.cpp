// A character's voice with the user's reading settings: the engine is given
// the line as the rules and the dictionary say it, the character is told
// words of the line as written, and changes apply from the next utterance.

#include "agent/desktop/SpeakerSpeechOutput.h"
#include "../voice/ManualPlayback.h"
#include "../voice/VoiceTestUtil.h"
#include "agent/engine/SpeechOutput.h"
#include "agent/ui/ServiceSettings.h"
#include "agent/ui/UserDictionary.h"
#include "agent/voice/Speaker.h"

#include <QTemporaryDir>
#include <QTest>

using namespace clipvoice::agent;
using voice::testing::FakeEngine;
using voice::testing::ManualPlayback;

namespace {

constexpr qint64 PlaybackLimitMs = 60000;

class Listener final : public engine::SpeechListener
{
public:
    void wordReached(int offset, int length) override { words.append({offset, length}); }
    void mouthShape(int) override {}
    void finished() override { ++finishedCount; }

    QStringList wordsOf(const QString& text) const
    {
        QStringList said;
        for (const auto& [offset, length] : words)
            said.append(text.mid(offset, length));
        return said;
    }

    QList<std::pair<int, int>> words;
    int finishedCount = 0;
};

} // namespace

class SpeakerSpeechOutputTest : public QObject
{
    Q_OBJECT

private slots:
    void readingSettingsReachTheEngineAndWordsStayWritten()
    {
        QTemporaryDir dir;
        ui::ServiceSettings settings(dir.filePath(QStringLiteral("agent.ini")));
        ui::UserDictionary dictionary(dir.filePath(QStringLiteral("dictionary.tsv")));
        dictionary.loadNow();
        ManualPlayback playback;
        auto engine = std::make_shared<FakeEngine>(400, 20);
        auto speaker = std::make_unique<voice::Speaker>(
            std::make_shared<voice::VoiceCatalog>(
                std::static_pointer_cast<voice::SpeechEngine>(engine)),
            std::make_unique<voice::ClockOutput>(playback.scheduler), playback.scheduler);
        QStringList trace;
        desktop::SpeakerSpeechOutput output(
            std::move(speaker), settings, [&trace](const QString& line) { trace.append(line); },
            &dictionary);

        // Off by default: the engine hears exactly what was written.
        const QString line = QStringLiteral("SQL wwwwww mail ann@example.org");
        Listener first;
        output.speak(line, 1033, first);
        QVERIFY(playback.runUntil([&] { return first.finishedCount == 1; }, PlaybackLimitMs));
        QCOMPARE(engine->texts(), QStringList({line}));
        QVERIFY(trace.filter(QStringLiteral("speech reading")).isEmpty());

        ui::ServiceOptions options;
        options.readingRules = {true, true};
        QVERIFY(settings.setOptions(options));
        QString error;
        QVERIFY(dictionary.save({{QStringLiteral("sql"), QStringLiteral("sequel"), {}}}, &error));
        Listener second;
        output.speak(line, 1033, second);
        QVERIFY(playback.runUntil([&] { return second.finishedCount == 1; }, PlaybackLimitMs));
        QCOMPARE(engine->texts().last(), QStringLiteral("sequel www mail example.org"));
        QCOMPARE(trace.filter(QStringLiteral("speech reading")),
                 QStringList({QStringLiteral("speech reading: sequel www mail example.org")}));
        QCOMPARE(second.wordsOf(line),
                 QStringList({QStringLiteral("SQL"), QStringLiteral("wwwwww"),
                              QStringLiteral("mail"), QStringLiteral("ann@example.org")}));

        // Turned off again, and the dictionary emptied: as written once more.
        QVERIFY(settings.setOptions(ui::ServiceOptions()));
        QVERIFY(dictionary.save({}, &error));
        Listener third;
        output.speak(line, 1033, third);
        QVERIFY(playback.runUntil([&] { return third.finishedCount == 1; }, PlaybackLimitMs));
        QCOMPARE(engine->texts().last(), line);
    }
};

QTEST_GUILESS_MAIN(SpeakerSpeechOutputTest)
#include "SpeakerSpeechOutputTest.moc"
