// For every speech engine installed, with its most natural voice for English
// (or for the first language it speaks): the time from the clipboard tick to
// the first audio of the line through the whole program path (the tick, the
// speak pipeline, the character engine's queue, the character's voice and the
// speaker), side by side with the bare engine's own time to its first audio
// for the same line; and the engine's real-time factor (time to make a
// paragraph over the time it lasts).

#include "agent/acs/AcsWriter.h"
#include "agent/acs/testing/SampleCharacter.h"
#include "agent/desktop/CatalogVoiceDirectory.h"
#include "agent/desktop/SpeakerSpeechOutput.h"
#include "agent/engine/CharacterPartsFactory.h"
#include "agent/engine/CharacterView.h"
#include "agent/engine/EngineAgentService.h"
#include "agent/ui/ServiceSettings.h"
#include "agent/voice/AudioOutput.h"
#include "agent/voice/Speaker.h"
#include "agent/voice/SpeechEngine.h"
#include "agent/voice/VoiceCatalog.h"
#include "bench/BenchmarkMain.h"
#include "platform/Clipboard.h"
#include "speech/ClipboardWatcher.h"
#include "speech/SpeakPipeline.h"
#include "speech/SpeechLanguages.h"

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

// The voice an engine is measured with.
struct Subject
{
    QString engine;
    agent::voice::VoiceInfo voice;
    qint32 lcid = 0;
    QString line;
};

QString lineFor(qint32 lcid)
{
    if (lcid == 1033 || lcid == 2057)
        return kEnglish;
    if (lcid == 1041)
        return kJapanese;
    return agent::desktop::CatalogVoiceDirectory::sampleText(lcid);
}

// Each engine's most natural voice for US English, else for the first of our
// languages it speaks.
QList<Subject> subjects()
{
    const auto catalog = agent::voice::VoiceCatalog::system();
    QList<Subject> found;
    QList<qint32> order{1033, 1041};
    for (const speech::SpeechLanguage& language : speech::SpeechLanguages)
        order.append(language.lcid);
    for (const qint32 lcid : order) {
        for (const agent::voice::VoiceInfo& voice : catalog->voicesFor(lcid)) {
            const bool seen = std::any_of(found.begin(), found.end(), [&voice](const Subject& s) {
                return s.engine == voice.engine;
            });
            if (!seen)
                found.append({voice.engine, voice, lcid, lineFor(lcid)});
        }
    }
    return found;
}

int pickerIndexFor(qint32 lcid)
{
    for (std::size_t i = 0; i < speech::SpeechLanguages.size(); ++i) {
        if (speech::SpeechLanguages[i].lcid == lcid)
            return static_cast<int>(i) + 1;
    }
    return 0;
}

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

void fromClipboardTick(benchmark::State& state, const Subject& subject)
{
    ProgramPath path;
    const QString& text = subject.line;
    const int index = pickerIndexFor(subject.lcid);
    agent::ui::ServiceOptions options = path.settings.options();
    options.voices.insert(subject.lcid, subject.voice.key());
    path.settings.setOptions(options);
    state.SetLabel(subject.voice.key().toStdString());
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

void bareEngine(benchmark::State& state, const Subject& subject)
{
    agent::voice::SpeechEngine* engine =
        agent::voice::VoiceCatalog::system()->engineNamed(subject.engine);
    state.SetLabel(subject.voice.key().toStdString());
    for (auto _ : state) {
        std::atomic_bool cancel = false;
        FirstSamples sink(cancel);
        QElapsedTimer clock;
        clock.start();
        engine->synthesize({subject.line, subject.lcid, 50, 50, subject.voice.id}, sink, cancel);
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
}

// Keeps count of the audio of a whole piece.
class AllSamples final : public agent::voice::SynthesisSink
{
public:
    void format(int rate) override { sampleRate = rate; }
    void samples(const QByteArray& pcm) override { bytes += pcm.size(); }
    void word(const agent::voice::WordTiming&) override {}
    void mouth(const agent::voice::MouthTiming&) override {}
    int sampleRate = 0;
    qint64 bytes = 0;
};

void realTimeFactor(benchmark::State& state, const Subject& subject)
{
    agent::voice::SpeechEngine* engine =
        agent::voice::VoiceCatalog::system()->engineNamed(subject.engine);
    const QString paragraph = QStringList{subject.line, subject.line, subject.line}.join(u' ');
    state.SetLabel(subject.voice.key().toStdString());
    double audioSeconds = 0;
    double madeSeconds = 0;
    for (auto _ : state) {
        std::atomic_bool cancel = false;
        AllSamples sink;
        QElapsedTimer clock;
        clock.start();
        engine->synthesize({paragraph, subject.lcid, 50, 50, subject.voice.id}, sink, cancel);
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        madeSeconds += seconds;
        if (sink.sampleRate > 0)
            audioSeconds += static_cast<double>(sink.bytes) / 2.0 / sink.sampleRate;
    }
    state.counters["rtf"] = audioSeconds > 0 ? madeSeconds / audioSeconds : -1.0;
    state.counters["audio_s"] = audioSeconds / static_cast<double>(state.iterations());
}

void registerEngineBenchmarks()
{
    for (const Subject& subject : subjects()) {
        const std::string name = subject.engine.toStdString();
        const int iterations = subject.lcid == 1041 ? 5 : 10;
        benchmark::RegisterBenchmark(("bareEngine/" + name).c_str(), bareEngine, subject)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(iterations);
        benchmark::RegisterBenchmark(("fromClipboardTick/" + name).c_str(), fromClipboardTick,
                                     subject)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(iterations);
        benchmark::RegisterBenchmark(("realTimeFactor/" + name).c_str(), realTimeFactor, subject)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
    }
}

// The engines are listed once the application exists.
const bool engineBenchmarksRegistered =
    clipvoice::bench::registerWhenStarted(registerEngineBenchmarks);

} // namespace
