// A character's sound effects: 100 MS ADPCM sounds of 1 s at 22,050 Hz,
// decoded one after another by the decoder alone, and all asked for at once
// from the library the desktop plays them through, which decodes them on
// workers while the window's thread goes on: the total time, the longest
// stall of that thread, what the library keeps and the peak memory.

#include "agent/voice/SoundDecoder.h"
#include "agent/voice/SoundEffectLibrary.h"
#include "agent/voice/testing/EncodedSounds.h"
#include "bench/BenchmarkMain.h"
#include "bench/ProcessMeasures.h"

#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <malloc.h>

using namespace clipvoice;
using namespace clipvoice::agent::voice;

namespace {

constexpr int SoundCount = 100;

const QList<QByteArray>& characterSounds()
{
    static const QList<QByteArray> sounds = [] {
        QList<QByteArray> list;
        for (int i = 0; i < SoundCount; ++i) {
            testing::SoundSpec spec;
            spec.encoding = testing::SoundEncoding::MsAdpcm;
            spec.sampleRate = 22050;
            spec.milliseconds = 1000;
            spec.frequency = 220.0 + i * 5;
            list.append(testing::encodeSound(spec));
        }
        return list;
    }();
    return sounds;
}

void decodeEverySound(benchmark::State& state)
{
    const QList<QByteArray>& sounds = characterSounds();
    qint64 samples = 0;
    for (auto _ : state) {
        for (const QByteArray& wave : sounds) {
            const DecodedSound sound = decodeSound(wave);
            samples += sound.audio.samples.size() / 2;
            benchmark::DoNotOptimize(sound.audio.samples.constData());
        }
    }
    state.counters["sounds"] = SoundCount;
    state.counters["samples_per_run"] =
        static_cast<double>(samples) / static_cast<double>(state.iterations());
}
BENCHMARK(decodeEverySound)->Unit(benchmark::kMillisecond);

void libraryDecodesEverySound(benchmark::State& state)
{
    const QList<QByteArray>& sounds = characterSounds();
    double longestStall = 0;
    double peakMegabytes = 0;
    double keptMegabytes = 0;
    for (auto _ : state) {
        malloc_trim(0);
        bench::resetPeakMemory();
        const qint64 before = bench::statusKilobytes("VmRSS:");
        {
            SoundEffectLibrary library(QStringLiteral("bench"),
                                       [&sounds](int index) { return sounds.value(index); });
            int done = 0;
            QObject::connect(&library, &SoundEffectLibrary::decoded, &library, [&done] { ++done; });
            bench::StallMeter stall;
            for (int i = 0; i < SoundCount; ++i)
                library.prepare(i);
            if (!bench::runUntil([&] { return done == SoundCount; })) {
                state.SkipWithError("the sounds were not all decoded within 60 s");
                return;
            }
            longestStall = std::max(longestStall, stall.longestMilliseconds());
            keptMegabytes = static_cast<double>(library.cachedBytes()) / 1e6;
            const qint64 peak = bench::statusKilobytes("VmHWM:") - before;
            peakMegabytes = std::max(peakMegabytes, static_cast<double>(peak) * 1024 / 1e6);
        }
    }
    state.counters["longest_stall_ms"] = longestStall;
    state.counters["kept_MB"] = keptMegabytes;
    state.counters["peak_MB"] = peakMegabytes;
}
BENCHMARK(libraryDecodesEverySound)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
