// The program's own work on the desktop character service (offscreen):
// opening a large character and showing its first frame, and taking a 10 MB,
// 200,000-line copied text from the clipboard and handing it to the character.
// For the large text the benchmark also reports the peak memory it took and
// the longest time the event loop of the window's thread was held up.

#include "agent/acs/AcsWriter.h"
#include "agent/acs/testing/Acs15Writer.h"
#include "agent/acs/testing/Character15Conversion.h"
#include "agent/acs/testing/HostileCharacter.h"
#include "agent/acs/testing/SampleCharacter.h"
#include "agent/desktop/DesktopCharacterService.h"
#include "agent/ui/CharacterWindow.h"
#include "agent/ui/SpeechBalloon.h"
#include "bench/LargeCopiedText.h"
#include "bench/ProcessMeasures.h"
#include "platform/agent/AgentService.h"
#include "platform/qt/QtClipboard.h"
#include "speech/ClipboardWatcher.h"
#include "speech/SpeakFeed.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <malloc.h>
#include <memory>

using namespace clipvoice;
using bench::resetPeakMemory;
using bench::runUntil;
using bench::StallMeter;
using bench::statusKilobytes;

namespace {

const agent::ui::CharacterWindow* shownCharacterWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        const auto* window = qobject_cast<const agent::ui::CharacterWindow*>(widget);
        if (window != nullptr && window->isVisible() && !window->frame().isNull())
            return window;
    }
    return nullptr;
}

// A large character: 5,000 images of 256 x 256 in 100 animations (over 10 MB).
const QString& largeCharacterFile()
{
    static QTemporaryDir folder;
    static const QString path = [] {
        agent::acs::testing::SampleCharacter::Options options;
        options.side = 256;
        options.imageCount = 5000;
        options.animationCount = 100;
        options.framesPerAnimation = 20;
        const QString file = folder.filePath(QStringLiteral("large.acs"));
        agent::acs::AcsWriter::writeFile(agent::acs::testing::SampleCharacter::build(options), file,
                                         nullptr);
        return file;
    }();
    return path;
}

// Loads the character in `file` through the desktop service and shows it,
// timing until its first frame is on screen and measuring the longest stall
// of the window's thread meanwhile.
void openAndFirstFrame(benchmark::State& state, const QString& file)
{
    state.counters["file_MB"] = static_cast<double>(QFileInfo(file).size()) / 1e6;
    double longestStall = 0;
    for (auto _ : state) {
        auto service = agent::desktop::createDesktopCharacterService(QFileInfo(file).path());
        QElapsedTimer clock;
        clock.start();
        auto stall = std::make_unique<StallMeter>();
        const QString name = QFileInfo(file).baseName();
        if (!service->characters().load(name, file).ok()) {
            state.SkipWithError("the character did not load");
            return;
        }
        (void)service->characters().item(name).value()->show();
        const bool shown = runUntil([] { return shownCharacterWindow() != nullptr; });
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        longestStall = std::max(longestStall, stall->longestMilliseconds());
        if (!shown)
            state.SkipWithError("no frame was shown");
        stall.reset();
        service.reset();
        QCoreApplication::processEvents();
    }
    state.counters["longest_stall_ms"] = longestStall;
}

void characterOpenAndFirstFrame(benchmark::State& state)
{
    openAndFirstFrame(state, largeCharacterFile());
}
BENCHMARK(characterOpenAndFirstFrame)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// The same character, 100 animations of 250 x 250, as a 2.0 file and as an
// older 1.5 file (whose animations are decoded when first played).
const QString& sameCharacterFile(bool older)
{
    static QTemporaryDir folder;
    static const QStringList paths = [] {
        agent::acs::testing::SampleCharacter::Options options;
        options.side = 250;
        options.imageCount = 400;
        options.animationCount = 100;
        options.framesPerAnimation = 7;
        options.patchEvery = 0;
        const agent::acs::Character character =
            agent::acs::testing::SampleCharacter::build(options);
        const QString current = folder.filePath(QStringLiteral("current.acs"));
        agent::acs::AcsWriter::writeFile(character, current, nullptr);
        const agent::acs::testing::Converted15 converted =
            agent::acs::testing::toCharacter15(character);
        const QString olderFile = folder.filePath(QStringLiteral("older.acs"));
        QFile file(olderFile);
        if (file.open(QIODevice::WriteOnly))
            file.write(agent::acs::testing::writeAcs15(converted.character, converted.animations));
        return QStringList{current, olderFile};
    }();
    return paths.at(older ? 1 : 0);
}

void formatOpenAndFirstFrame(benchmark::State& state, bool older)
{
    openAndFirstFrame(state, sameCharacterFile(older));
}
BENCHMARK_CAPTURE(formatOpenAndFirstFrame, current, false)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(formatOpenAndFirstFrame, older, true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// Characters of 1024 x 1024: a normal one, and a hostile one whose 1,000 image
// entries all point at one 4096 x 4096 image block that its first frames list.
const QString& bigFrameCharacterFile(bool sharedImage)
{
    static QTemporaryDir folder;
    static const QString normal = [] {
        agent::acs::testing::SampleCharacter::Options options;
        options.side = 1024;
        options.imageCount = 16;
        options.animationCount = 3;
        options.framesPerAnimation = 4;
        const QString file = folder.filePath(QStringLiteral("normal.acs"));
        agent::acs::AcsWriter::writeFile(agent::acs::testing::SampleCharacter::build(options), file,
                                         nullptr);
        return file;
    }();
    static const QString shared = [] {
        agent::acs::testing::HostileCharacter::SharedImage options;
        options.side = 1024;
        options.imageSide = 4096;
        options.entries = 1000;
        options.layers = 1000;
        const QString file = folder.filePath(QStringLiteral("shared.acs"));
        QFile out(file);
        if (out.open(QIODevice::WriteOnly))
            out.write(agent::acs::testing::HostileCharacter::sharedImageFile(options));
        return file;
    }();
    return sharedImage ? shared : normal;
}

// Opening a character and showing its first frame, with the peak memory that
// took over what the process held before.
void bigFrameOpenAndFirstFrame(benchmark::State& state, bool sharedImage)
{
    const QString file = bigFrameCharacterFile(sharedImage);
    const QString name = QFileInfo(file).completeBaseName();
    state.counters["file_MB"] = static_cast<double>(QFileInfo(file).size()) / 1e6;
    double peak = 0;
    double peakTotal = 0;
    for (auto _ : state) {
        auto service = agent::desktop::createDesktopCharacterService(QFileInfo(file).path());
        QCoreApplication::processEvents();
        malloc_trim(0);
        resetPeakMemory();
        const qint64 before = statusKilobytes("VmRSS:");
        QElapsedTimer clock;
        clock.start();
        if (!service->characters().load(name, file).ok()) {
            state.SkipWithError("the character did not load");
            return;
        }
        (void)service->characters().item(name).value()->show();
        const bool shown = runUntil([] { return shownCharacterWindow() != nullptr; });
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        const qint64 high = statusKilobytes("VmHWM:");
        peak = std::max(peak, static_cast<double>(high - before) * 1024 / 1e6);
        peakTotal = std::max(peakTotal, static_cast<double>(high) * 1024 / 1e6);
        if (!shown)
            state.SkipWithError("no frame was shown");
        service.reset();
        QCoreApplication::processEvents();
    }
    state.counters["peak_MB"] = peak;
    state.counters["peak_total_MB"] = peakTotal;
}
BENCHMARK_CAPTURE(bigFrameOpenAndFirstFrame, normal, false)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(bigFrameOpenAndFirstFrame, sharedImage, true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

QString largeText()
{
    return largeCopiedText(QStringLiteral("\n"));
}

void queueLargeClipboardText(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("sample.acs"));
    agent::acs::AcsWriter::writeFile(agent::acs::testing::SampleCharacter::build(), file, nullptr);
    qputenv("CLIPVOICE_AUDIO_FILE", folder.filePath(QStringLiteral("audio.wav")).toUtf8());
    const qint64 textBytes = largeText().toUtf8().size();
    malloc_trim(0);

    for (auto _ : state) {
        state.PauseTiming();
        auto service = agent::desktop::createDesktopCharacterService(folder.path());
        (void)service->characters().load(QStringLiteral("clipvoice"), file);
        speech::SpeakContext context;
        context.character = service->characters().item(QStringLiteral("clipvoice")).value();
        context.selectedLanguage = 2; // English (US)
        platform::agent::RequestPtr last;
        context.lastRequest = &last;
        speech::SpeakFeed feed;
        platform::QtClipboard clipboard;
        QCoreApplication::processEvents();
        // The peak counts from before the text exists in this process, so it
        // includes the clipboard's own copy, which a real copy keeps in the
        // program the text was copied from.
        malloc_trim(0);
        resetPeakMemory();
        const qint64 before = statusKilobytes("VmRSS:");
        QGuiApplication::clipboard()->setText(largeText());
        state.ResumeTiming();

        QElapsedTimer clock;
        clock.start();
        StallMeter stall;
        bool ticked = false;
        QTimer::singleShot(0, [&] {
            speech::clipboardTick(clipboard, true,
                                  [&](const QString& text) { feed.speak(text, context); });
            ticked = true;
            state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        });
        // The text is taken and its first slice handed over within the tick;
        // the next two seconds show what the window's thread does while the
        // character starts speaking.
        const bool queued = runUntil([&] { return ticked; });
        QElapsedTimer after;
        after.start();
        runUntil([&] { return after.elapsed() > 2000; });
        const bool stillFeeding = feed.isFeeding();
        state.PauseTiming();
        if (!queued || !stillFeeding)
            state.SkipWithError("the text was not taken, or not kept for speaking");
        const qint64 peak = statusKilobytes("VmHWM:") - before;
        state.counters["text_MB"] = static_cast<double>(textBytes) / 1e6;
        state.counters["peak_MB"] = static_cast<double>(peak) * 1024 / 1e6;
        state.counters["peak_per_text"] =
            static_cast<double>(peak) * 1024 / static_cast<double>(textBytes);
        state.counters["longest_stall_ms"] = stall.longestMilliseconds();
        (void)context.character->stop();
        context = {};
        service.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(queueLargeClipboardText)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

// A line of 1,000,000 letters and digits without a space or a break.
QString longLineWithoutSpaces()
{
    const QString alphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
    QString line;
    line.reserve(1000000);
    for (int i = 0; i < 1000000; ++i)
        line.append(alphabet.at((i * 7 + i / 64) % alphabet.size()));
    return line;
}

const agent::ui::SpeechBalloon* shownBalloon()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        const auto* balloon = qobject_cast<const agent::ui::SpeechBalloon*>(widget);
        if (balloon != nullptr && balloon->isVisible())
            return balloon;
    }
    return nullptr;
}

// The longest stretch of CPU time the window's thread spends between two
// turns of its event loop: unlike the stall, it does not count the time the
// thread waits while other processes run.
class BusyMeter
{
public:
    BusyMeter()
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            const qint64 now = threadCpuNanoseconds();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_last = threadCpuNanoseconds();
        m_timer.start();
    }
    double longestMilliseconds() const { return static_cast<double>(m_longest) / 1e6; }

private:
    static qint64 threadCpuNanoseconds()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64{now.tv_sec} * 1000000000 + now.tv_nsec;
    }

    QTimer m_timer;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

// The 1 MB line spoken by a shown character with its balloon: the time from
// the request to the first words in the balloon, and the longest stall of the
// window's thread from the request through seconds of words revealed to the
// stop.
void speakLongLineWithBalloon(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("sample.acs"));
    agent::acs::AcsWriter::writeFile(agent::acs::testing::SampleCharacter::build(), file, nullptr);
    qputenv("CLIPVOICE_AUDIO_FILE", folder.filePath(QStringLiteral("audio.wav")).toUtf8());
    const QString line = longLineWithoutSpaces();
    double longestStall = 0;
    double longestBusy = 0;
    int revealed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto service = agent::desktop::createDesktopCharacterService(folder.path());
        (void)service->characters().load(QStringLiteral("clipvoice"), file);
        const platform::agent::CharacterPtr character =
            service->characters().item(QStringLiteral("clipvoice")).value();
        (void)character->show();
        const bool shown = runUntil([] { return shownCharacterWindow() != nullptr; });
        state.ResumeTiming();

        QElapsedTimer clock;
        clock.start();
        auto stall = std::make_unique<StallMeter>();
        auto busy = std::make_unique<BusyMeter>();
        (void)character->speak(line);
        const bool revealing = runUntil([] {
            const agent::ui::SpeechBalloon* balloon = shownBalloon();
            return balloon != nullptr && balloon->revealed() > 0;
        });
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        QElapsedTimer speaking;
        speaking.start();
        runUntil([&] { return speaking.elapsed() > 5000; });
        const agent::ui::SpeechBalloon* balloon = shownBalloon();
        revealed = balloon != nullptr ? balloon->revealed() : 0;
        (void)character->stop();
        const bool stopped = runUntil([] { return shownBalloon() == nullptr; });
        // The event loop turns a little longer, so that a hold-up by the stop counts.
        QElapsedTimer afterStop;
        afterStop.start();
        runUntil([&] { return afterStop.elapsed() > 500; });
        longestStall = std::max(longestStall, stall->longestMilliseconds());
        longestBusy = std::max(longestBusy, busy->longestMilliseconds());
        state.PauseTiming();
        if (!shown || !revealing || !stopped)
            state.SkipWithError("the character did not show, speak into its balloon, or stop");
        busy.reset();
        stall.reset();
        service.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["line_MB"] = static_cast<double>(line.toUtf8().size()) / 1e6;
    state.counters["revealed_characters"] = revealed;
    state.counters["longest_stall_ms"] = longestStall;
    state.counters["longest_busy_ms"] = longestBusy;
}
BENCHMARK(speakLongLineWithBalloon)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
