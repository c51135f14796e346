// Older (1.5) character files against 2.0 files of the same character: a
// generated character of 100 animations of 250 x 250, written in both formats.
// The goal is the first frame of a 1.5 file within twice the time of the 2.0
// file, and no single step on the window's thread (opening, or the first
// frame of any one animation, which decodes that animation's stream) over
// 50 ms.

#include "agent/acs/AcsReader.h"
#include "agent/acs/AcsWriter.h"
#include "agent/acs/format15/Acs15Reader.h"
#include "agent/acs/testing/Acs15Writer.h"
#include "agent/acs/testing/Character15Conversion.h"
#include "agent/acs/testing/SampleCharacter.h"

#include <QElapsedTimer>
#include <QTemporaryFile>

#include <benchmark/benchmark.h>

#include <algorithm>

using namespace clipvoice::agent::acs;

namespace {

struct Fixture
{
    QTemporaryFile file20;
    QTemporaryFile file15;
    qsizetype animationCount = 0;
    qint64 frames = 0;

    Fixture()
    {
        testing::SampleCharacter::Options o;
        o.side = 250;
        o.imageCount = 400;
        o.animationCount = 100;
        o.framesPerAnimation = 7;
        o.patchEvery = 0;
        const Character character = testing::SampleCharacter::build(o);
        const testing::Converted15 converted = testing::toCharacter15(character);
        animationCount = converted.animations.size();
        for (const Animation15& a : converted.animations)
            frames += a.frames.size();
        file20.open();
        file20.write(AcsWriter::write(character).data);
        file20.flush();
        file15.open();
        file15.write(testing::writeAcs15(converted.character, converted.animations));
        file15.flush();
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_OpenAndFirstFrame20(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        AcsReader reader;
        if (!reader.openFile(f.file20.fileName()) || reader.frame(0, 0).isNull())
            state.SkipWithError("the first frame did not compose");
    }
    state.counters["file_MB"] = double(f.file20.size()) / 1e6;
}

void BM_OpenAndFirstFrame15(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        QString error;
        const auto reader = Acs15Reader::openFile(f.file15.fileName(), &error);
        if (!reader || reader->frame(0, 0).isNull())
            state.SkipWithError("the first frame did not compose");
    }
    state.counters["file_MB"] = double(f.file15.size()) / 1e6;
    state.counters["animations"] = double(f.animationCount);
}

// The longest the window's thread waits for one animation's first frame, over
// every animation of a freshly opened file.
void BM_WorstFirstFrame15(benchmark::State& state)
{
    Fixture& f = fixture();
    double worstMs = 0;
    for (auto _ : state) {
        QString error;
        const auto reader = Acs15Reader::openFile(f.file15.fileName(), &error);
        if (!reader) {
            state.SkipWithError("open failed");
            break;
        }
        for (qsizetype a = 0; a < f.animationCount; ++a) {
            QElapsedTimer timer;
            timer.start();
            benchmark::DoNotOptimize(reader->animation(a));
            benchmark::DoNotOptimize(reader->frame(a, 0).constBits());
            worstMs = std::max(worstMs, double(timer.nsecsElapsed()) / 1e6);
        }
    }
    state.counters["worst_ms"] = worstMs;
}

// Every frame of every animation, composed once from a cold start.
void BM_AllFrames15(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        QString error;
        const auto reader = Acs15Reader::openFile(f.file15.fileName(), &error);
        if (!reader) {
            state.SkipWithError("open failed");
            break;
        }
        for (qsizetype a = 0; a < f.animationCount; ++a) {
            const Animation* animation = reader->animation(a);
            for (qsizetype k = 0; animation && k < animation->frames.size(); ++k)
                benchmark::DoNotOptimize(reader->frame(a, k).constBits());
        }
    }
    state.counters["frames"] = double(f.frames);
}

} // namespace

BENCHMARK(BM_OpenAndFirstFrame20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndFirstFrame15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorstFirstFrame15)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_AllFrames15)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
