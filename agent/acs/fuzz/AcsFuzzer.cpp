// Feeds arbitrary bytes to the character file reader and exercises everything
// it can decode. Inputs that do not start with the file signature go to the
// decompressor directly.
//
// Besides crashes it catches blow-ups: the reader's own counts of decoding
// work must stay within the per-frame limits, and scripts/fuzz-acs runs this
// with memory, single-allocation and time limits. The work asked of the reader
// is bounded here too, so that a slow input means a slow reader.

#include "agent/acs/AcsReader.h"
#include "agent/acs/AcsWriter.h"
#include "agent/acs/Compression.h"
#include "agent/acs/DibCodec.h"
#include "agent/acs/ImageDecoder.h"

#include <QByteArray>
#include <QLoggingCategory>

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace clipvoice::agent::acs;

namespace {

// Pixels of images converted to ARGB, and of canvases composed, per input.
constexpr qint64 kImagePixelBudget = 4 * 1024 * 1024;
constexpr qint64 kCanvasPixelBudget = 4 * 1024 * 1024;
// Bytes character() may decode for the writer round trip.
constexpr qint64 kRoundTripBudget = 4 * 1024 * 1024;

// Composes one frame and checks that the decoding it did stayed within the
// reader's per-frame limits.
void composeChecked(const AcsReader& reader, qsizetype animation, qsizetype frame, int mouth)
{
    const AcsReader::DecodeStatistics before = reader.decodeStatistics();
    reader.frame(animation, frame, mouth);
    const AcsReader::DecodeStatistics after = reader.decodeStatistics();
    // Stored rows are padded to 4 bytes: a decode holds at most 4 bytes per
    // pixel of a 1-pixel-wide image.
    if (after.imageDecodes - before.imageDecodes > AcsReader::MaxImagesPerFrame ||
        after.decodedBytes - before.decodedBytes > 4 * reader.framePixelLimit())
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Warnings about left-out layers or refused budgets are expected here.
    QLoggingCategory::setFilterRules(QStringLiteral("clipvoice.acs.warning=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (size < 4 || data[0] != 0xC3) {
        // Expected size from the first two bytes, the stream after them.
        if (size < 3)
            return 0;
        const qsizetype expected = data[0] | (data[1] << 8);
        std::vector<uchar> out(size_t(expected) + 1);
        Compression::decompress(data + 2, qsizetype(size - 2), out.data(), expected, 0);
        Compression::decompress(data + 2, qsizetype(size - 2), out.data(), expected, 16);
        return 0;
    }
    AcsReader reader;
    reader.setCacheLimit(4 * 1024 * 1024);
    if (!reader.openData(bytes))
        return 0;
    // Bound the work per input so that the fuzzer stays fast.
    const qsizetype images = std::min<qsizetype>(reader.imageCount(), 64);
    qint64 imagePixels = 0;
    for (qsizetype i = 0; i < images; ++i) {
        const QSize imageSize = reader.imageSize(i);
        const qint64 area = qint64(imageSize.width()) * imageSize.height();
        if (imagePixels + area <= kImagePixelBudget) {
            imagePixels += area;
            if (reader.image(i).size() != imageSize && area > 0)
                __builtin_trap();
        }
        reader.imageRegion(i);
    }
    const qint64 canvas = qint64(reader.info().width) * reader.info().height;
    qint64 canvasPixels = 0;
    int frames = 0;
    for (qsizetype a = 0; a < reader.animations().size() && frames < 64; ++a) {
        const Animation& anim = reader.animations()[a];
        for (qsizetype f = 0; f < anim.frames.size() && frames < 64; ++f, ++frames) {
            if (canvasPixels >= kCanvasPixelBudget)
                break;
            composeChecked(reader, a, f, -1);
            composeChecked(reader, a, f, int(f % MouthShapeCount));
            canvasPixels += 2 * canvas;
            for (const MouthOverlay& o : anim.frames[f].overlays)
                if (o.hasRegion)
                    ImageDecoder::decodeRegion(o.region, QRect(0, 0, o.width, o.height), nullptr);
        }
    }
    for (qsizetype s = 0; s < reader.soundCount(); ++s)
        reader.sound(s);
    if (reader.info().trayIcon)
        DibCodec::decodeTrayIcon(*reader.info().trayIcon);
    // Whatever loads must survive a round trip through the writer unchanged
    // (apart from the voice and balloon presence bits, which the writer sets).
    // Entries sharing a block share their bytes in memory but are written one
    // by one, so the writer's work is bounded by the pixels of all entries.
    QString error;
    Character first = reader.character(&error, kRoundTripBudget);
    qint64 pixels = 0;
    for (const IndexedImage& img : first.images)
        pixels += img.pixels.size();
    if (error.isEmpty() && first.images.size() <= 256 && pixels <= kRoundTripBudget) {
        const AcsWriter::Result written = AcsWriter::write(first);
        if (!written.ok())
            __builtin_trap();
        AcsReader again;
        if (!again.openData(written.data))
            __builtin_trap();
        Character second = again.character();
        constexpr quint32 presence = StyleFlag::VoiceNone | StyleFlag::VoiceEnabled |
                                     StyleFlag::BalloonNone | StyleFlag::BalloonEnabled;
        first.info.styleFlags &= ~presence;
        second.info.styleFlags &= ~presence;
        if (!(first == second))
            __builtin_trap();
    }
    reader.localized(0x0407);
    reader.animation(u"restpose");
    reader.state(u"speaking");
    return 0;
}
