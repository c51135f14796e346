#include "AnimationBlockReader.h"

#include "ByteCursor.h"

namespace clipvoice::agent::acs {

namespace {

MouthOverlay readOverlay(ByteCursor& c)
{
    MouthOverlay o;
    o.shape = c.u8("overlay mouth shape");
    o.replaceTopImage = c.u8("overlay replace flag") != 0;
    o.imageIndex = c.u16("overlay image index");
    o.unknownByte = c.u8("overlay byte 4");
    o.hasRegion = c.u8("overlay region flag") != 0;
    o.x = c.i16("overlay x");
    o.y = c.i16("overlay y");
    o.width = c.u16("overlay width");
    o.height = c.u16("overlay height");
    if (o.hasRegion) {
        const quint32 n = c.u32("overlay region size");
        if (const uchar* p = c.bytes("overlay region", n))
            o.region = QByteArray(reinterpret_cast<const char*>(p), n);
    }
    return o;
}

// One frame: its images, sound, duration, exit frame, branches and mouth
// overlays. A fault is recorded in the cursor.
Frame readFrame(ByteCursor& c)
{
    Frame frame;
    const quint16 images = c.u16("frame image count");
    if (!c.checkCount("frame image count", images, 8))
        return frame;
    frame.images.reserve(images);
    for (quint16 k = 0; k < images; ++k) {
        FrameImage fi;
        fi.imageIndex = c.u32("frame image index");
        fi.x = c.i16("frame image x");
        fi.y = c.i16("frame image y");
        frame.images.append(fi);
    }
    frame.soundIndex = c.u16("sound index");
    frame.duration = c.u16("duration");
    frame.exitFrame = c.i16("exit frame");
    const quint8 branches = c.u8("branch count");
    if (!c.checkCount("branch count", branches, 4))
        return frame;
    for (quint8 k = 0; k < branches; ++k) {
        Branch b;
        b.targetFrame = c.u16("branch target");
        b.probability = c.u16("branch probability");
        frame.branches.append(b);
    }
    const quint8 overlays = c.u8("overlay count");
    if (!c.checkCount("overlay count", overlays, 14))
        return frame;
    for (quint8 k = 0; k < overlays && c.ok(); ++k)
        frame.overlays.append(readOverlay(c));
    return frame;
}

} // namespace

AnimationBlock readAnimationBlock(FileView file, const Locator& block, const QString& listName)
{
    AnimationBlock out;
    ByteCursor c(file.bytes, block.offset, block.size,
                 QStringLiteral("animation \"%1\"").arg(listName));
    Animation& a = out.animation;
    a.name = c.string("name");
    a.transitionType = c.u8("transition type");
    a.returnAnimation = c.string("return animation");
    const quint16 frameCount = c.u16("frame count");
    // A frame is at least 2 + 2 + 2 + 2 + 1 + 1 bytes.
    if (c.checkCount("frame count", frameCount, 10))
        a.frames.reserve(frameCount);
    for (quint16 f = 0; f < frameCount && c.ok(); ++f) {
        Frame frame = readFrame(c);
        if (!c.ok())
            break;
        a.frames.append(std::move(frame));
    }
    out.error = c.error();
    out.unusedBytes = c.remaining();
    return out;
}

} // namespace clipvoice::agent::acs
