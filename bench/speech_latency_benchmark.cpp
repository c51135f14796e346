// From the clipboard tick to the first audio of the line, through the whole
// program path (the tick, the speak pipeline, the character engine's queue,
// the character's voice and the speaker), side by side with the bare engine's
// own time to its first audio for the same line. English goes to espeak-ng,
// Japanese to Open JTalk where it is installed.

#include "agent/acs/AcsWriter.h"
#include "agent/acs/testing/SampleCharacter.h"
#include "agent/desktop/SpeakerSpeechOutput.h"
#include "agent/engine/CharacterPartsFactory.h"
#include "agent/engine/CharacterView.h"
#include "agent/engine/EngineAgentService.h"
#include "agent/ui/ServiceSettings.h"
#include "agent/voice/AudioOutput.h"
#include "agent/voice/Speaker.h"
#include "agent/voice/SpeechEngine.h"
#include "agent/voice/VoiceCatalog.h"
#include "platform/Clipboard.h"
#include "speech/ClipboardWatcher.h"
#include "speech/SpeakPipeline.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <atomic>

using namespace clipvoice;

namespace {

const QString kEnglish = QStringLiteral("Hello, this is a line copied from another program.");
const QString kJapanese = QStringLiteral("今日は良い天気ですね。");

// A clipboard that holds one text until it is cleared.
class OneTextClipboard final : public platform::Clipboard
{
public:
    QString text() override { return m_text; }
    void clear() override { m_text.clear(); }
    void set(const QString& text) { m_text = text; }

private:
    QString m_text;
};

class NoView final : public agent::engine::CharacterView
{
public:
    void showFrame(const QImage&) override {}
    void setVisible(bool) override {}
    void setCommands(const QList<agent::engine::CommandEntry>&) override {}
};

// Parts with the real voice, whose speaker the benchmark listens to.
class BenchParts final : public agent::engine::CharacterPartsFactory
{
public:
    explicit BenchParts(agent::ui::ServiceSettings& settings)
        : m_settings(settings)
    {}
    agent::engine::CharacterParts create(const QString&,
                                         const agent::engine::CharacterSource&) override
    {
        // The clock output keeps real time without a sound device.
        auto speaker = std::make_unique<agent::voice::Speaker>(
            agent::voice::VoiceCatalog::system(), std::make_unique<agent::voice::ClockOutput>());
        speakerSeen = speaker.get();
        agent::engine::CharacterParts parts;
        parts.view = std::make_unique<NoView>();
        parts.speech =
            std::make_unique<agent::desktop::SpeakerSpeechOutput>(std::move(speaker), m_settings);
        return parts;
    }
    agent::voice::Speaker* speakerSeen = nullptr;

private:
    agent::ui::ServiceSettings& m_settings;
};

struct ProgramPath
{
    QTemporaryDir folder;
    agent::ui::ServiceSettings settings{folder.filePath(QStringLiteral("agent.ini"))};
    std::shared_ptr<BenchParts> parts = std::make_shared<BenchParts>(settings);
    std::unique_ptr<agent::engine::EngineAgentService> service;
    platform::agent::CharacterPtr character;

    ProgramPath()
    {
        agent::acs::AcsWriter::writeFile(agent::acs::testing::SampleCharacter::build(),
                                         folder.filePath(QStringLiteral("sample.acs")), nullptr);
        agent::engine::EngineEnvironment environment;
        environment.parts = parts;
        service = std::make_unique<agent::engine::EngineAgentService>(std::move(environment),
                                                                      folder.path());
        (void)service->characters().load(QStringLiteral("clipvoice"), QStringLiteral("sample.acs"));
        character = service->characters().item(QStringLiteral("clipvoice")).value();
        auto shown = character->show().value();
        while (shown->status() != platform::agent::RequestStatus::Done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
};

// Waits for the speaker's first audio of a line; returns the seconds it took.
double waitForFirstAudio(agent::voice::Speaker& speaker, const QElapsedTimer& clock)
{
    QEventLoop loop;
    double seconds = -1;
    auto connection = QObject::connect(&speaker, &agent::voice::Speaker::lineStarted, &loop, [&] {
        seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        loop.quit();
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(connection);
    return seconds;
}

void fromClipboardTick(benchmark::State& state, const QString& text, qint32 lcid, int index)
{
    ProgramPath path;
    OneTextClipboard clipboard;
    platform::agent::RequestPtr last;
    for (auto _ : state) {
        clipboard.set(text);
        speech::SpeakContext context;
        context.character = path.character;
        context.selectedLanguage = index;
        context.lastRequest = &last;
        QElapsedTimer clock;
        clock.start();
        speech::clipboardTick(clipboard, true,
                              [&](const QString& t) { speech::SpeakText(t, context); });
        const double seconds = waitForFirstAudio(*path.parts->speakerSeen, clock);
        state.SetIterationTime(seconds);
        (void)path.character->stop();
        QCoreApplication::processEvents();
        if (seconds < 0)
            state.SkipWithError("no audio");
    }
    (void)lcid;
}

// The bare engine: synthesise the same line and stop at its first samples.
class FirstSamples final : public agent::voice::SynthesisSink
{
public:
    explicit FirstSamples(std::atomic_bool& cancel)
        : m_cancel(cancel)
    {}
    void format(int) override {}
    void samples(const QByteArray&) override { m_cancel = true; }
    void word(const agent::voice::WordTiming&) override {}
    void mouth(const agent::voice::MouthTiming&) override {}

private:
    std::atomic_bool& m_cancel;
};

void bareEngine(benchmark::State& state, const QString& text, qint32 lcid)
{
    agent::voice::SpeechEngine* engine = agent::voice::VoiceCatalog::system()->engineFor(lcid);
    if (engine == nullptr) {
        state.SkipWithError("no engine");
        return;
    }
    state.SetLabel(engine->name().toStdString());
    for (auto _ : state) {
        std::atomic_bool cancel = false;
        FirstSamples sink(cancel);
        QElapsedTimer clock;
        clock.start();
        engine->synthesize({text, lcid, 50, 50, {}}, sink, cancel);
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
}

} // namespace

BENCHMARK_CAPTURE(bareEngine, english, kEnglish, 1033)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK_CAPTURE(fromClipboardTick, english, kEnglish, 1033, 2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK_CAPTURE(bareEngine, japanese, kJapanese, 1041)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(fromClipboardTick, japanese, kJapanese, 1041, 1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
