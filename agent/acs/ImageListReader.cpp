#include "ImageListReader.h"

#include "AcsLimits.h"
#include "ByteCursor.h"

#include <map>
#include <tuple>

namespace clipvoice::agent::acs {

namespace {

// Reads the header of the image block `e.block` (which lies inside the file):
// the size, and where the pixel and region data lie. A fault is kept in
// `e.error`.
void indexImage(FileView file, int maxSide, ImageEntry& e)
{
    // A single zero byte is an empty image.
    if (e.block.size == 1 && *file.at(e.block.offset) == 0)
        return;
    ByteCursor c(file.bytes, e.block.offset, e.block.size, QStringLiteral("image block"));
    e.unknownByte = c.u8("first byte");
    const qint64 sizeAt = c.position();
    e.width = c.u16("width");
    e.height = c.u16("height");
    e.compressed = c.u8("compressed flag") != 0;
    e.pixels.size = c.u32("pixel data size");
    e.pixels.offset = c.position();
    c.skip("pixel data", e.pixels.size);
    if (c.ok() && (e.width > maxSide || e.height > maxSide))
        c.failAt(sizeAt, QStringLiteral("image size %1 x %2 is larger than %3 x %3")
                             .arg(e.width)
                             .arg(e.height)
                             .arg(maxSide));
    // Region data follows; a block that ends after the pixels has none.
    if (c.ok() && c.remaining() > 0) {
        e.regionStored = c.u32("region stored size");
        e.regionSize = c.u32("region size");
        e.region.offset = c.position();
        e.region.size = e.regionStored ? e.regionStored : e.regionSize;
        c.skip("region data", e.region.size);
    }
    if (!c.ok()) {
        e.error = c.error();
        e.region = {};
        e.regionSize = 0;
        // A damaged image reads as transparent; only a plausible size is kept for it.
        if (e.width > maxSide || e.height > maxSide)
            e.width = e.height = 0;
    }
}

// Entries whose blocks hold the same pixel data (or region data) decode to the
// same bytes, since the palette is the character's: each is linked to the
// first of them. Damaged entries read as transparent and link nowhere.
void linkSources(QList<ImageEntry>& images)
{
    std::map<std::tuple<qint64, qint64, int, int, bool>, qsizetype> pixelOwners;
    std::map<std::tuple<qint64, qint64, quint32, quint32>, qsizetype> regionOwners;
    for (qsizetype i = 0; i < images.size(); ++i) {
        ImageEntry& e = images[i];
        if (e.isDamaged())
            continue;
        if (e.width > 0 && e.height > 0)
            e.pixelSource =
                pixelOwners
                    .try_emplace({e.pixels.offset, e.pixels.size, e.width, e.height, e.compressed},
                                 i)
                    .first->second;
        if (e.region.size > 0 || e.regionSize > 0)
            e.regionSource =
                regionOwners
                    .try_emplace({e.region.offset, e.region.size, e.regionStored, e.regionSize}, i)
                    .first->second;
    }
}

} // namespace

bool readImageList(FileView file, const Locator& list, CharacterIndex& index, QString* error)
{
    ByteCursor c(file.bytes, list.offset, list.size, QStringLiteral("image list"));
    const quint32 count = c.u32("image count");
    if (!c.checkCount("image count", count, 12)) {
        *error = c.error();
        return false;
    }
    const int maxSide = limits::maxImageSide(index.info);
    index.images.reserve(count);
    int damaged = 0;
    for (quint32 i = 0; i < count; ++i) {
        ImageEntry e;
        const qint64 at = c.position();
        e.block.offset = c.u32("image offset");
        e.block.size = c.u32("image size");
        c.u32("image checksum");
        QString outside;
        if (!file.contains(e.block, QStringLiteral("image %1").arg(i), &outside))
            e.error = QStringLiteral("image list at offset %1: %2").arg(hexOffset(at), outside);
        else
            indexImage(file, maxSide, e);
        if (e.isDamaged()) {
            index.warnings.append(QStringLiteral("image %1: %2").arg(i).arg(e.error));
            ++damaged;
        }
        index.images.append(e);
    }
    if (count > 0 && damaged == qint64(count)) {
        *error = QStringLiteral("none of the %1 images can be read (%2)")
                     .arg(count)
                     .arg(index.images.first().error);
        return false;
    }
    linkSources(index.images);
    return true;
}

} // namespace clipvoice::agent::acs
