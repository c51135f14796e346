// Feeds arbitrary bytes to the character file reader and exercises everything
// it can decode. Inputs that do not start with the file signature go to the
// decompressor directly.

#include "agent/acs/AcsReader.h"
#include "agent/acs/AcsWriter.h"
#include "agent/acs/Compression.h"
#include "agent/acs/DibCodec.h"
#include "agent/acs/ImageDecoder.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace clipvoice::agent::acs;

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
    for (qsizetype i = 0; i < images; ++i) {
        reader.image(i);
        reader.imageRegion(i);
    }
    int frames = 0;
    for (qsizetype a = 0; a < reader.animations().size() && frames < 64; ++a) {
        const Animation& anim = reader.animations()[a];
        for (qsizetype f = 0; f < anim.frames.size() && frames < 64; ++f, ++frames) {
            reader.frame(a, f);
            reader.frame(a, f, int(f % MouthShapeCount));
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
    qint64 pixels = 0;
    for (qsizetype i = 0; i < reader.imageCount(); ++i)
        pixels += qint64(reader.readImage(i).image.pixels.size());
    if (reader.imageCount() <= 256 && pixels <= 4 * 1024 * 1024) {
        Character first = reader.character();
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
