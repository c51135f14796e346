// Character file speed: opening and indexing, decoding every image, composing
// every frame, for a generated character of realistic size (1,000 cartoon-style
// images of 128 x 128). A plain memcpy of the same bytes is the ceiling.

#include "agent/acs/AcsReader.h"
#include "agent/acs/AcsWriter.h"
#include "agent/acs/Compression.h"
#include "agent/acs/ImageDecoder.h"
#include "agent/acs/testing/HostileCharacter.h"
#include "agent/acs/testing/SampleCharacter.h"

#include <QFile>
#include <QTemporaryFile>

#include <benchmark/benchmark.h>

#include <cstring>
#include <malloc.h>
#include <vector>

using namespace clipvoice::agent::acs;

namespace {

struct Fixture
{
    Character character;
    QByteArray file;
    QTemporaryFile temp;
    qint64 argbBytes = 0; // bytes of every image as ARGB
    qint64 frameCount = 0;

    Fixture()
    {
        testing::SampleCharacter::Options o;
        o.side = 128;
        o.imageCount = 1000;
        o.animationCount = 60;
        o.framesPerAnimation = 12;
        o.patchEvery = 0;
        character = testing::SampleCharacter::build(o);
        file = AcsWriter::write(character).data;
        temp.open();
        temp.write(file);
        temp.flush();
        for (const IndexedImage& img : character.images)
            argbBytes += qint64(img.width) * img.height * 4;
        for (const Animation& a : character.animations)
            frameCount += a.frames.size();
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_Open(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        AcsReader reader;
        if (!reader.openFile(f.temp.fileName()))
            state.SkipWithError("open failed");
        benchmark::DoNotOptimize(reader.imageCount());
    }
    state.counters["file_MB"] = double(f.file.size()) / 1e6;
    state.counters["images"] = double(f.character.images.size());
}

void BM_DecodeAllImages(benchmark::State& state)
{
    Fixture& f = fixture();
    AcsReader reader;
    reader.openFile(f.temp.fileName());
    reader.setCacheLimit(0); // measure decoding, not the cache
    for (auto _ : state)
        for (qsizetype i = 0; i < reader.imageCount(); ++i)
            benchmark::DoNotOptimize(reader.image(i).constBits());
    state.SetBytesProcessed(state.iterations() * f.argbBytes);
}

void BM_DecompressAllImages(benchmark::State& state)
{
    // The decompressor alone: palette indices out, before conversion to ARGB.
    Fixture& f = fixture();
    std::vector<QByteArray> streams;
    qint64 bytes = 0;
    for (const IndexedImage& img : f.character.images) {
        streams.push_back(
            Compression::compress(ImageDecoder::toStoredRows(img.pixels, img.width, img.height)));
        bytes += ImageDecoder::stride(img.width) * img.height;
    }
    std::vector<uchar> out(size_t(ImageDecoder::stride(128) * 128));
    for (auto _ : state)
        for (const QByteArray& s : streams)
            benchmark::DoNotOptimize(
                Compression::decompress(reinterpret_cast<const uchar*>(s.constData()), s.size(),
                                        out.data(), qsizetype(out.size()))
                    .ok);
    state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_ComposeAllFrames(benchmark::State& state)
{
    // Frames composed from decoded images (images cached, frames not).
    Fixture& f = fixture();
    AcsReader reader;
    reader.openFile(f.temp.fileName());
    reader.setCacheLimit(f.argbBytes * 2);
    QList<QImage> images;
    for (qsizetype i = 0; i < reader.imageCount(); ++i)
        images.append(reader.image(i));
    const QSize canvas(reader.info().width, reader.info().height);
    for (auto _ : state) {
        for (const Animation& a : reader.animations()) {
            for (const Frame& fr : a.frames) {
                QList<PlacedImage> layers;
                for (const FrameImage& fi : fr.images)
                    layers.append({images.value(qsizetype(fi.imageIndex)), fi.x, fi.y});
                benchmark::DoNotOptimize(ImageDecoder::compose(canvas, layers).constBits());
            }
        }
    }
    state.SetBytesProcessed(state.iterations() * f.frameCount * canvas.width() * canvas.height() *
                            4);
    state.counters["frames"] = double(f.frameCount);
}

void BM_FramesColdCache(benchmark::State& state)
{
    // What a client sees on first play: decode the images a frame needs, compose.
    Fixture& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        AcsReader reader;
        reader.openFile(f.temp.fileName());
        state.ResumeTiming();
        for (qsizetype a = 0; a < reader.animations().size(); ++a)
            for (qsizetype i = 0; i < reader.animations()[a].frames.size(); ++i)
                benchmark::DoNotOptimize(reader.frame(a, i).constBits());
    }
    state.SetBytesProcessed(state.iterations() * f.frameCount * 128 * 128 * 4);
}

void BM_MemcpyCeiling(benchmark::State& state)
{
    // The same number of bytes as all images in ARGB, copied once.
    Fixture& f = fixture();
    std::vector<char> src(size_t(f.argbBytes), 1);
    std::vector<char> dst(size_t(f.argbBytes));
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * f.argbBytes);
}

void BM_Write(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(AcsWriter::write(f.character).data.size());
    state.SetBytesProcessed(state.iterations() * f.argbBytes / 4);
}

// A field of /proc/self/status in kilobytes (VmRSS, VmHWM).
qint64 statusKilobytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field)) + 1)
                .trimmed()
                .split(' ')
                .value(0)
                .toLongLong();
    return -1;
}

// Files of 1024 x 1024 characters: a normal one, and one whose 1,000 image
// entries all point at one 4096 x 4096 block listed by its first frame.
QByteArray bigFrameFile(bool sharedImage)
{
    if (sharedImage) {
        testing::HostileCharacter::SharedImage o;
        o.side = 1024;
        o.imageSide = 4096;
        o.entries = 1000;
        o.layers = 1000;
        return testing::HostileCharacter::sharedImageFile(o);
    }
    testing::SampleCharacter::Options o;
    o.side = 1024;
    o.imageCount = 16;
    o.animationCount = 3;
    o.framesPerAnimation = 4;
    return AcsWriter::write(testing::SampleCharacter::build(o)).data;
}

void BM_BigFrameOpenAndFirstFrame(benchmark::State& state, bool sharedImage)
{
    QTemporaryFile temp;
    temp.open();
    temp.write(bigFrameFile(sharedImage));
    temp.flush();
    double peakMB = 0;
    for (auto _ : state) {
        state.PauseTiming();
        malloc_trim(0);
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5"); // the peak starts again from here
        clear.close();
        const qint64 before = statusKilobytes("VmRSS:");
        state.ResumeTiming();
        AcsReader reader;
        if (!reader.openFile(temp.fileName()) || reader.frame(0, 0).isNull())
            state.SkipWithError("the first frame did not compose");
        state.PauseTiming();
        peakMB = std::max(peakMB, double(statusKilobytes("VmHWM:") - before) * 1024 / 1e6);
        state.ResumeTiming();
    }
    state.counters["file_MB"] = double(temp.size()) / 1e6;
    state.counters["peak_MB"] = peakMB;
}

} // namespace

BENCHMARK_CAPTURE(BM_BigFrameOpenAndFirstFrame, normal, false)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_BigFrameOpenAndFirstFrame, sharedImage, true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeAllImages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecompressAllImages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComposeAllFrames)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FramesColdCache)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyCeiling)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();
