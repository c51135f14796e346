// Prints the voice layer's figures: time to first audio, real-time factor and
// stop latency. Not a test: run it by hand (a sound device is used if there is
// one, otherwise the clock). With --say TEXT [LCID] it speaks TEXT, lines split at '|'.

#include <QAudioSink>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

#include "agent/voice/AudioOutput.h"
#include "agent/voice/EspeakEngine.h"
#include "agent/voice/FliteEngine.h"
#include "agent/voice/LanguageVoices.h"
#include "agent/voice/LineStream.h"
#include "agent/voice/LineSynthesis.h"
#include "agent/voice/PcmAudio.h"
#include "agent/voice/PicoEngine.h"
#include "agent/voice/RhvoiceEngine.h"
#include "agent/voice/Speaker.h"
#include "agent/voice/VoiceCatalog.h"

using namespace clipvoice::agent::voice;

namespace {

void print(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// Milliseconds from posting a line until its first audio is in the stream,
// and the synthesis time over the audio's length.
void measureSynthesis(const std::shared_ptr<VoiceCatalog>& catalog, const QString& label,
                      const QString& text, qint32 lcid)
{
    auto stream = std::make_shared<LineStream>();
    QElapsedTimer timer;
    timer.start();
    LineSynthesis::start(catalog, {text, lcid, 50, 50, {}, {}}, stream, makeCancelFlag());
    qint64 firstMs = -1;
    qsizetype bytes = 0;
    QString engine;
    while (true) {
        const LineStream::Update update = stream->take(1 << 26);
        if (!update.audio.isEmpty() && firstMs < 0) {
            firstMs = timer.nsecsElapsed() / 1000;
        }
        bytes += update.audio.size();
        engine = update.engine;
        if (update.finished) {
            break;
        }
    }
    const double totalMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const double audioMs = static_cast<double>(PcmAudio::durationMs(bytes, OutputSampleRate));
    print(QStringLiteral("%1 [%2]: first audio %3 ms, synthesis %4 ms for %5 ms of audio, "
                         "real-time factor %6")
              .arg(label, engine)
              .arg(static_cast<double>(firstMs) / 1000.0, 0, 'f', 1)
              .arg(totalMs, 0, 'f', 1)
              .arg(audioMs, 0, 'f', 0)
              .arg(totalMs / audioMs, 0, 'f', 3));
}

// Sets the cancel flag at the first audio and notes when.
class StoppingSink final : public SynthesisSink
{
public:
    explicit StoppingSink(std::atomic_bool& cancel)
        : m_cancel(cancel)
    {}
    void format(int sampleRate) override { rate = sampleRate; }
    void samples(const QByteArray& pcm) override
    {
        if (m_cancel.load()) {
            samplesAfter += pcm.size() / 2;
            return;
        }
        m_cancel.store(true);
        stopped.start();
    }
    void word(const WordTiming&) override {}
    void mouth(const MouthTiming&) override {}

    int rate = 0;
    qsizetype samplesAfter = 0;
    QElapsedTimer stopped;

private:
    std::atomic_bool& m_cancel;
};

// How long an engine takes to return once asked to stop, and how much audio
// it still gives.
void measureEngineStop(SpeechEngine& engine, const QString& text, qint32 lcid)
{
    std::atomic_bool cancel{false};
    StoppingSink sink(cancel);
    const SynthesisResult result = engine.synthesize({text, lcid, 50, 50, {}}, sink, cancel);
    const double returnMs =
        sink.stopped.isValid() ? static_cast<double>(sink.stopped.nsecsElapsed()) / 1e6 : -1.0;
    print(
        QStringLiteral("%1 stop: returned %2 ms after the flag, %3 ms of audio after it%4")
            .arg(engine.name())
            .arg(returnMs, 0, 'f', 2)
            .arg(sink.rate > 0 ? static_cast<double>(sink.samplesAfter) * 1000.0 / sink.rate : 0.0,
                 0, 'f', 1)
            .arg(result.cancelled ? QString()
                                  : QStringLiteral(" (the whole piece was made already)")));
}

// The engines found at run time, each alone, so their figures are their own.
void measureInstalledEngines(const QString& english, const QString& paragraph)
{
    struct Row
    {
        std::shared_ptr<SpeechEngine> engine;
        qint32 lcid;
        QString label;
        QString text;
    };
    const QString russian = QStringLiteral("Добрый день, я читаю скопированный текст.");
    const QString german = QStringLiteral("Guten Tag, ich lese den kopierten Text vor.");
    std::vector<Row> rows;
    if (auto rhvoice = RhvoiceEngine::installed()) {
        rows.push_back({rhvoice, 1033, QStringLiteral("short English"), english});
        rows.push_back({rhvoice, 1049, QStringLiteral("short Russian"), russian});
        rows.push_back({rhvoice, 1033, QStringLiteral("English paragraph"), paragraph});
    } else {
        print(QStringLiteral("RHVoice: not installed"));
    }
    if (auto pico = PicoEngine::installed()) {
        rows.push_back({pico, 1033, QStringLiteral("short English"), english});
        rows.push_back({pico, 1031, QStringLiteral("short German"), german});
        rows.push_back({pico, 1033, QStringLiteral("English paragraph"), paragraph});
    } else {
        print(QStringLiteral("SVOX Pico: not installed"));
    }
    for (int round = 0; round < 2; ++round) {
        for (const Row& row : rows) {
            const auto alone = std::make_shared<VoiceCatalog>(row.engine);
            measureSynthesis(alone, QStringLiteral("%1 %2").arg(row.engine->name(), row.label),
                             row.text, row.lcid);
        }
    }
    for (const Row& row : rows) {
        if (row.text == paragraph) {
            measureEngineStop(*row.engine, paragraph.left(row.engine->maxChunkLength()), row.lcid);
        }
    }
}

void measureStop()
{
    Speaker speaker;
    print(QStringLiteral("output: %1").arg(speaker.output().description()));
    QEventLoop loop;
    QObject::connect(&speaker, &Speaker::wordReached, &loop, [&] {
        if (speaker.positionMs() > 300) {
            loop.quit();
        }
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    QElapsedTimer toStart;
    toStart.start();
    qint64 startedMs = -1;
    QObject::connect(&speaker, &Speaker::lineStarted, &loop,
                     [&] { startedMs = toStart.nsecsElapsed() / 1000; });
    speaker.speak(QStringLiteral("This line is stopped while it is being spoken, to see how long "
                                 "the stop takes to silence the output."));
    loop.exec();
    print(QStringLiteral("speaker: speak() to lineStarted %1 ms")
              .arg(static_cast<double>(startedMs) / 1000.0, 0, 'f', 1));
    QElapsedTimer timer;
    timer.start();
    speaker.stop();
    const double stopMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    QString sinkState = QStringLiteral("no sink");
    if (auto* device = dynamic_cast<DeviceOutput*>(&speaker.output()); device && device->sink()) {
        sinkState = QStringLiteral("sink state %1").arg(int{device->sink()->state()});
    }
    print(QStringLiteral("stop(): returned after %1 ms, output active %2, %3")
              .arg(stopMs, 0, 'f', 3)
              .arg(speaker.output().isActive() ? QStringLiteral("yes") : QStringLiteral("no"),
                   sinkState));
}

// Times one engine's voice directly: first audio, real-time factor, and a stop
// at the first audio (wall time to return, audio after the stop).
class TimingSink final : public SynthesisSink
{
public:
    explicit TimingSink(std::atomic_bool* stopAtFirstAudio = nullptr)
        : m_stop(stopAtFirstAudio)
    {
        timer.start();
    }
    void format(int sampleRate) override { rate = sampleRate; }
    void samples(const QByteArray& pcm) override
    {
        if (firstNs < 0) {
            firstNs = timer.nsecsElapsed();
        }
        (stoppedNs >= 0 ? bytesAfterStop : bytes) += pcm.size();
        if (m_stop && stoppedNs < 0) {
            m_stop->store(true);
            stoppedNs = timer.nsecsElapsed();
        }
    }
    void word(const WordTiming&) override { ++words; }
    void mouth(const MouthTiming&) override {}

    QElapsedTimer timer;
    int rate = 0;
    qint64 firstNs = -1;
    qint64 stoppedNs = -1;
    qsizetype bytes = 0;
    qsizetype bytesAfterStop = 0;
    int words = 0;

private:
    std::atomic_bool* m_stop;
};

void measureVoice(SpeechEngine& engine, const QString& voice, const QString& text, qint32 lcid)
{
    const SynthesisRequest request{text, lcid, 50, 50, voice};
    std::atomic_bool cancel{false};
    TimingSink sink;
    const SynthesisResult result = engine.synthesize(request, sink, cancel);
    const double totalMs = static_cast<double>(sink.timer.nsecsElapsed()) / 1e6;
    const double audioMs =
        sink.rate > 0 ? static_cast<double>(sink.bytes / 2) * 1000.0 / sink.rate : 0.0;
    std::atomic_bool stop{false};
    TimingSink stopped(&stop);
    engine.synthesize(request, stopped, stop);
    const double stopMs =
        static_cast<double>(stopped.timer.nsecsElapsed() - stopped.stoppedNs) / 1e6;
    print(QStringLiteral("%1/%2: %3, %4 Hz, first audio %5 ms, synthesis %6 ms for %7 ms of "
                         "audio (%8 words), real-time factor %9; stop at first audio: returned "
                         "after %10 ms, %11 ms of audio after it")
              .arg(engine.name(), voice, result.ok ? QStringLiteral("ok") : result.error)
              .arg(sink.rate)
              .arg(static_cast<double>(sink.firstNs) / 1e6, 0, 'f', 1)
              .arg(totalMs, 0, 'f', 1)
              .arg(audioMs, 0, 'f', 0)
              .arg(sink.words)
              .arg(audioMs > 0 ? totalMs / audioMs : 0.0, 0, 'f', 4)
              .arg(stopMs, 0, 'f', 2)
              .arg(stopped.rate > 0
                       ? static_cast<double>(stopped.bytesAfterStop / 2) * 1000.0 / stopped.rate
                       : 0.0,
                   0, 'f', 1));
}

// Flite's voices and a few MBROLA voices, when installed.
void measureInstalledVoices(const QString& paragraph)
{
    if (auto flite = FliteEngine::installed()) {
        for (const VoiceInfo& voice : flite->voices()) {
            measureVoice(*flite, voice.id, paragraph, 1033);
        }
    } else {
        print(QStringLiteral("Flite: not installed"));
    }
    auto mbrola = MbrolaEngine::installed();
    if (!mbrola) {
        print(QStringLiteral("MBROLA: not installed"));
        return;
    }
    for (const VoiceInfo& voice : mbrola->voices()) {
        if (voice.id == QStringLiteral("us1") || voice.id == QStringLiteral("de5")) {
            measureVoice(*mbrola, voice.id, paragraph, voice.languages.first());
        }
    }
    // A short line with the voice already selected, and with it selected
    // anew each time (alternating with another voice).
    const QString line = QStringLiteral("Short line.");
    for (const bool alternate : {false, true}) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 20; ++i) {
            std::atomic_bool cancel{false};
            TimingSink sink;
            const bool other = alternate && i % 2 == 1;
            mbrola->synthesize({line, other ? 1031 : 1033, 50, 50,
                                other ? QStringLiteral("de1") : QStringLiteral("us1")},
                               sink, cancel);
        }
        print(QStringLiteral("MBROLA short line, %1: %2 ms each")
                  .arg(alternate ? QStringLiteral("voice changing every line")
                                 : QStringLiteral("same voice"))
                  .arg(static_cast<double>(timer.nsecsElapsed()) / 1e6 / 20, 0, 'f', 2));
    }
}

// Speaks `text` to the end on the machine's output and reports the timing.
int say(const QString& text, qint32 lcid)
{
    Speaker speaker;
    print(QStringLiteral("output: %1").arg(speaker.output().description()));
    QElapsedTimer timer;
    QEventLoop loop;
    qint64 lastProgress = 0;
    int words = 0;
    QObject::connect(&speaker, &Speaker::lineStarted, &loop, [&](int, const QString& engine) {
        print(QStringLiteral("started after %1 ms with %2").arg(timer.elapsed()).arg(engine));
    });
    QObject::connect(&speaker, &Speaker::wordReached, &loop, [&] { ++words; });
    QObject::connect(&speaker, &Speaker::progress, &loop,
                     [&](int, qint64, qint64 length) { lastProgress = length; });
    QObject::connect(&speaker, &Speaker::lineFinished, &loop,
                     [&](int, Speaker::Outcome outcome, const QString& detail) {
                         print(QStringLiteral("finished after %1 ms (%2 ms of audio, %3 words), "
                                              "outcome %4 %5")
                                   .arg(timer.elapsed())
                                   .arg(lastProgress)
                                   .arg(words)
                                   .arg(static_cast<int>(outcome))
                                   .arg(detail));
                         if (!speaker.isSpeaking()) {
                             loop.quit();
                         }
                     });
    timer.start();
    // Lines are separated by '|'.
    for (const QString& line : text.split(QLatin1Char('|'))) {
        speaker.speak(line, lcid);
    }
    loop.exec();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc >= 3 && qstrcmp(argv[1], "--say") == 0) {
        return say(QString::fromLocal8Bit(argv[2]), argc >= 4 ? QByteArray(argv[3]).toInt() : 1033);
    }
    const auto system = VoiceCatalog::system();
    // No other engines: English is espeak-ng's here.
    const auto espeakOnly = std::make_shared<VoiceCatalog>(
        OpenJTalkSetup::unavailable(QStringLiteral("measuring espeak-ng")),
        std::vector<std::shared_ptr<SpeechEngine>>{});
    print(QStringLiteral("Japanese: %1").arg(system->japaneseEngineStatus()));
    const QString english = QStringLiteral("Hello, I am reading your copied text.");
    const QString japanese = QStringLiteral("今日は良い天気ですね。");
    QString paragraph;
    QString japaneseParagraph;
    for (int i = 0; i < 6; ++i) {
        paragraph +=
            QStringLiteral("The quick brown fox jumps over the lazy dog again and again. ");
        japaneseParagraph +=
            QStringLiteral("吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。");
    }
    // The first call loads espeak-ng's data; measure after it.
    measureSynthesis(espeakOnly, QStringLiteral("warm-up"), english, 1033);
    for (int round = 0; round < 2; ++round) {
        measureSynthesis(espeakOnly, QStringLiteral("short English"), english, 1033);
        measureSynthesis(espeakOnly, QStringLiteral("short Japanese"), japanese, 1041);
        measureSynthesis(system, QStringLiteral("short Japanese"), japanese, 1041);
        measureSynthesis(espeakOnly, QStringLiteral("English paragraph"), paragraph, 1033);
        measureSynthesis(system, QStringLiteral("English paragraph"), paragraph, 1033);
        measureSynthesis(system, QStringLiteral("Japanese paragraph"), japaneseParagraph, 1041);
    }
    measureInstalledEngines(english, paragraph);
    measureInstalledVoices(paragraph);
    measureStop();
    return 0;
}
