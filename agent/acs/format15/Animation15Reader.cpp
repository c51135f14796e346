#include "Animation15Reader.h"

#include "Block15.h"
#include "agent/acs/ByteCursor.h"

namespace clipvoice::agent::acs {

namespace {

class Parser
{
public:
    Parser(const QByteArray& block, int width, int height, const QString& blockName,
           QStringList* warnings)
        : c(reinterpret_cast<const uchar*>(block.constData()), 0, block.size(), blockName)
        , m_name(blockName)
        , m_imageBytes(stride15(width) * qint64(height))
        , m_warnings(warnings)
    {}

    bool run(Animation15* out, QString* error)
    {
        readSounds();
        readImages();
        readFrames();
        if (c.ok() && c.remaining() > 0)
            c.fail(
                QStringLiteral("%1 bytes are left after the animation block").arg(c.remaining()));
        if (!c.ok()) {
            if (error)
                *error = c.error();
            return false;
        }
        checkIndices();
        *out = std::move(m_animation);
        return true;
    }

private:
    void warn(qint64 at, const QString& what)
    {
        if (m_warnings)
            m_warnings->append(
                QStringLiteral("%1 at offset %2: %3").arg(m_name, hexOffset(at), what));
    }

    void readSounds()
    {
        const quint16 count = quint16(readCount15(c, "sound count", 2, 4));
        if (!c.ok())
            return;
        m_animation.sounds.reserve(count);
        for (quint16 i = 0; i < count && c.ok(); ++i) {
            const quint32 size = c.u32("sound size");
            const uchar* p = c.bytes("sound", size);
            if (c.ok())
                m_animation.sounds.append(
                    QByteArray(reinterpret_cast<const char*>(p), qsizetype(size)));
        }
    }

    void readImages()
    {
        const quint16 count = quint16(readCount15(c, "image count", 2, 4));
        if (!c.ok())
            return;
        m_animation.images.reserve(count);
        for (quint16 i = 0; i < count && c.ok(); ++i) {
            Image15 image;
            const qint64 at = c.position();
            const quint32 n = c.u32("image size");
            if (!c.ok())
                return;
            if (n != 0) {
                if (qint64(n) != m_imageBytes) {
                    c.failAt(at, QStringLiteral("image %1 has %2 pixel bytes, the character's "
                                                "size needs %3")
                                     .arg(i)
                                     .arg(n)
                                     .arg(m_imageBytes));
                    return;
                }
                const qint64 flagAt = c.position();
                image.unknownByte = c.u8("image flag");
                if (c.ok() && image.unknownByte != 0)
                    warn(flagAt, QStringLiteral("image %1 has flag %2 where 0 was expected")
                                     .arg(i)
                                     .arg(image.unknownByte));
                const uchar* pixels = c.bytes("image pixels", n);
                const qint64 regionAt = c.position();
                const quint32 r = c.u32("region size");
                const uchar* region = c.bytes("region", r);
                if (!c.ok())
                    return;
                if (r < 32) {
                    c.failAt(regionAt, QStringLiteral("region of image %1 has %2 bytes, less "
                                                      "than its 32-byte header")
                                           .arg(i)
                                           .arg(r));
                    return;
                }
                const quint32 rects = quint32(region[8]) | (quint32(region[9]) << 8) |
                                      (quint32(region[10]) << 16) | (quint32(region[11]) << 24);
                if (qint64(r) != 32 + 16 * qint64(rects)) {
                    c.failAt(regionAt, QStringLiteral("region of image %1 has %2 bytes but "
                                                      "%3 rectangles")
                                           .arg(i)
                                           .arg(r)
                                           .arg(rects));
                    return;
                }
                image.pixels = QByteArray(reinterpret_cast<const char*>(pixels), n);
                image.region = QByteArray(reinterpret_cast<const char*>(region), r);
            }
            m_animation.images.append(std::move(image));
        }
    }

    void readOverlays(Frame15& frame, quint16 frameIndex)
    {
        // An overlay is at least its shape and pixel count.
        const quint8 count = quint8(readCount15(c, "overlay count", 1, 5));
        if (!c.ok())
            return;
        frame.overlays.reserve(count);
        for (quint8 k = 0; k < count && c.ok(); ++k) {
            Overlay15 overlay;
            const qint64 shapeAt = c.position();
            overlay.shape = c.u8("overlay mouth shape");
            if (c.ok() && overlay.shape >= MouthShapeCount)
                warn(shapeAt, QStringLiteral("frame %1 has an overlay for mouth shape %2")
                                  .arg(frameIndex)
                                  .arg(overlay.shape));
            const qint64 sizeAt = c.position();
            const quint32 n = c.u32("overlay size");
            if (!c.ok())
                return;
            if (n != 0) {
                const qint64 flagAt = c.position();
                overlay.unknownByte = c.u8("overlay flag");
                if (c.ok() && overlay.unknownByte != 0)
                    warn(flagAt, QStringLiteral("an overlay of frame %1 has flag %2 where 0 "
                                                "was expected")
                                     .arg(frameIndex)
                                     .arg(overlay.unknownByte));
                overlay.x = c.i16("overlay x");
                overlay.y = c.i16("overlay y");
                overlay.width = c.u16("overlay width");
                overlay.height = c.u16("overlay height");
                if (!c.ok())
                    return;
                const qint64 expected = stride15(overlay.width) * qint64(overlay.height);
                if (qint64(n) != expected) {
                    c.failAt(sizeAt, QStringLiteral("an overlay of frame %1 has %2 pixel bytes, "
                                                    "its size %3 x %4 needs %5")
                                         .arg(frameIndex)
                                         .arg(n)
                                         .arg(overlay.width)
                                         .arg(overlay.height)
                                         .arg(expected));
                    return;
                }
                const uchar* pixels = c.bytes("overlay pixels", n);
                if (!c.ok())
                    return;
                overlay.pixels = QByteArray(reinterpret_cast<const char*>(pixels), n);
            }
            frame.overlays.append(std::move(overlay));
        }
    }

    void readFrames()
    {
        const quint16 count = quint16(readCount15(c, "frame count", 2, 12));
        if (!c.ok())
            return;
        m_animation.frames.reserve(count);
        m_frameOffsets.reserve(count);
        for (quint16 i = 0; i < count && c.ok(); ++i) {
            Frame15 frame;
            m_frameOffsets.append(c.position());
            frame.imageIndex = c.u16("frame image");
            frame.soundIndex = c.u16("frame sound");
            frame.duration = c.u16("frame duration");
            const qint64 unknownAt = c.position();
            frame.unknown = c.u32("frame reserved bytes");
            if (c.ok() && frame.unknown != 0)
                warn(unknownAt, QStringLiteral("frame %1 has 0x%2 where 0 was expected")
                                    .arg(i)
                                    .arg(frame.unknown, 0, 16));
            const quint8 branches = quint8(readCount15(c, "branch count", 1, 4));
            if (!c.ok())
                return;
            frame.branches.reserve(branches);
            for (quint8 b = 0; b < branches; ++b) {
                Branch branch;
                branch.targetFrame = c.u16("branch target");
                branch.probability = c.u16("branch probability");
                frame.branches.append(branch);
            }
            readOverlays(frame, i);
            if (c.ok())
                m_animation.frames.append(std::move(frame));
        }
    }

    void checkIndices()
    {
        const auto& a = m_animation;
        for (qsizetype i = 0; i < a.frames.size(); ++i) {
            const Frame15& f = a.frames[i];
            const qint64 at = m_frameOffsets[i];
            if (f.imageIndex != NoImage15 && f.imageIndex >= a.images.size())
                warn(at, QStringLiteral("frame %1 names image %2 of %3 (drawn as none)")
                             .arg(i)
                             .arg(f.imageIndex)
                             .arg(a.images.size()));
            if (f.soundIndex != NoSound15 && f.soundIndex >= a.sounds.size())
                warn(at + 2, QStringLiteral("frame %1 names sound %2 of %3 (played as none)")
                                 .arg(i)
                                 .arg(f.soundIndex)
                                 .arg(a.sounds.size()));
            for (const Branch& b : f.branches)
                if (b.targetFrame >= a.frames.size())
                    warn(at + 11, QStringLiteral("frame %1 branches to frame %2 of %3 (ignored)")
                                      .arg(i)
                                      .arg(b.targetFrame)
                                      .arg(a.frames.size()));
        }
    }

    ByteCursor c;
    QString m_name;
    qint64 m_imageBytes;
    QStringList* m_warnings;
    Animation15 m_animation;
    QList<qint64> m_frameOffsets;
};

} // namespace

bool readAnimationBlock15(const QByteArray& block, int width, int height, const QString& blockName,
                          Animation15* animation, QString* error, QStringList* warnings)
{
    Parser parser(block, width, height, blockName, warnings);
    return parser.run(animation, error);
}

} // namespace clipvoice::agent::acs
