// Feeds arbitrary bytes to the reader of older (1.5) character files and
// plays everything it can: every animation is decoded, and frames are
// composed with and without mouths, within a per-input budget.
//
// Besides crashes it catches blow-ups: scripts/fuzz-acs runs this with
// memory, single-allocation and time limits, so a file that makes the reader
// allocate or work out of proportion to its size is found like a crash.

#include "agent/acs/format15/Acs15Reader.h"

#include <QByteArray>
#include <QLoggingCategory>

#include <cstddef>
#include <cstdint>

using namespace clipvoice::agent::acs;

namespace {

// Pixels of canvases composed per input.
constexpr qint64 kCanvasPixelBudget = 8 * 1024 * 1024;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Warnings about damaged animations are expected here.
    QLoggingCategory::setFilterRules(QStringLiteral("clipvoice.acs.warning=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const std::unique_ptr<Acs15Reader> reader =
        Acs15Reader::openData(bytes, QStringLiteral("fuzz.acs"), &error);
    if (!reader) {
        if (error.isEmpty())
            __builtin_trap(); // a failure must say why
        return 0;
    }
    const qint64 canvas = qint64(reader->info().width) * reader->info().height;
    qint64 canvasPixels = 0;
    const QStringList names = reader->animationNames();
    for (qsizetype a = 0; a < names.size() && a < 64; ++a) {
        const Animation* animation = reader->animation(a);
        if (!animation)
            continue;
        if (reader->animation(names.at(a)) != animation)
            __builtin_trap(); // the same animation by name and by number
        for (qsizetype f = 0; f < animation->frames.size(); ++f) {
            if (canvasPixels + 2 * canvas > kCanvasPixelBudget)
                break;
            canvasPixels += 2 * canvas;
            const QImage plain = reader->frame(a, f);
            const QImage mouth = reader->frame(a, f, int(f % MouthShapeCount));
            if (plain.width() != reader->info().width && !plain.isNull())
                __builtin_trap();
            const Frame& frame = animation->frames.at(f);
            if (frame.hasSound())
                reader->sound(frame.soundIndex);
            Q_UNUSED(mouth);
        }
    }
    reader->animation(u"restpose");
    reader->sound(-1);
    reader->frame(-1, 0);
    return 0;
}
