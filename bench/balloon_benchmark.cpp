// The word balloon's own work on long texts (offscreen): wrapping a line
// without spaces (base64, minified JSON) and a line of ordinary words, and a
// speech balloon revealing a 1 MB line the way a voice does, piece by piece,
// then all at once at its end.

#include "agent/ui/BalloonLayout.h"
#include "agent/ui/BalloonStyle.h"
#include "agent/ui/SpeechBalloon.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>

#include <benchmark/benchmark.h>

#include <algorithm>

using namespace clipvoice::agent::ui;

namespace {

QString lineWithoutSpaces(int size)
{
    const QString alphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
    QString text;
    text.reserve(size);
    for (int i = 0; i < size; ++i)
        text.append(alphabet.at((i * 7 + i / 64) % alphabet.size()));
    return text;
}

QString lineWithSpaces(int size)
{
    const QString words = QStringLiteral("The quick brown fox jumps over the lazy dog. ");
    QString text;
    text.reserve(size);
    while (text.size() < size)
        text.append(words);
    text.truncate(size);
    return text;
}

// As wide as a balloon of the default style: 32 average characters.
int defaultLineWidth(const QFontMetrics& metrics)
{
    const QString sample = QStringLiteral("The quick brown fox jumps over the lazy dog");
    return std::max(1, metrics.horizontalAdvance(sample) / static_cast<int>(sample.size())) * 32;
}

void wrap(benchmark::State& state, const QString& text)
{
    const QFontMetrics metrics(BalloonStyle().font(text));
    const int width = defaultLineWidth(metrics);
    qsizetype lines = 0;
    for (auto _ : state) {
        const QList<WrappedLine> wrapped = wrapText(text, metrics, width);
        lines = wrapped.size();
        benchmark::DoNotOptimize(wrapped.data());
    }
    state.counters["characters"] = static_cast<double>(text.size());
    state.counters["lines"] = static_cast<double>(lines);
}

void wrapWithoutSpaces(benchmark::State& state)
{
    wrap(state, lineWithoutSpaces(static_cast<int>(state.range(0))));
}
BENCHMARK(wrapWithoutSpaces)->Arg(10000)->Arg(40000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void wrapWithSpaces(benchmark::State& state)
{
    wrap(state, lineWithSpaces(static_cast<int>(state.range(0))));
}
BENCHMARK(wrapWithSpaces)->Arg(10000)->Arg(40000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// A speech balloon shows a 1 MB line and reveals it in 600-character pieces
// (as the voice speaks it), drawing after each; shown again, it jumps from
// its first piece to the end (the voice ended early). Reports the showing, the
// longest single reveal and the jump to the end.
void balloonRevealsLongLine(benchmark::State& state)
{
    const QString text = lineWithoutSpaces(1000000);
    const int step = 600;
    QElapsedTimer clock;
    const auto milliseconds = [&clock] { return static_cast<double>(clock.nsecsElapsed()) / 1e6; };
    double show = 0;
    double longestReveal = 0;
    double toTheEnd = 0;
    for (auto _ : state) {
        SpeechBalloon balloon;
        clock.start();
        balloon.showSpeech(text);
        show = std::max(show, milliseconds());
        for (int i = 1; i * step < text.size(); ++i) {
            clock.start();
            balloon.revealUpTo(i * step);
            benchmark::DoNotOptimize(balloon.visibleLines());
            longestReveal = std::max(longestReveal, milliseconds());
        }
        // The voice ends early: from its first words to the end at once.
        balloon.showSpeech(text);
        balloon.revealUpTo(step);
        clock.start();
        balloon.revealUpTo(static_cast<int>(text.size()));
        benchmark::DoNotOptimize(balloon.visibleLines());
        toTheEnd = std::max(toTheEnd, milliseconds());
    }
    state.counters["show_ms"] = show;
    state.counters["longest_reveal_ms"] = longestReveal;
    state.counters["jump_to_end_ms"] = toTheEnd;
}
BENCHMARK(balloonRevealsLongLine)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
