#include "ImageEntryDecoder.h"

#include "AcsLimits.h"
#include "ByteCursor.h"
#include "Compression.h"
#include "ImageDecoder.h"
#include "LoadedCharacter.h"

namespace clipvoice::agent::acs {

namespace {

QString rawPixelsTooShort(qsizetype index, const ImageEntry& e, qsizetype expected)
{
    return QStringLiteral("image %1 at offset %2: %3 bytes of raw pixels, %4 expected")
        .arg(index)
        .arg(hexOffset(e.pixels.offset))
        .arg(e.pixels.size)
        .arg(expected);
}

QString streamDamaged(qsizetype index, const ImageEntry& e, const Compression::Result& d)
{
    return QStringLiteral("image %1 at offset %2: %3")
        .arg(index)
        .arg(hexOffset(e.pixels.offset + d.errorOffset), d.error);
}

} // namespace

ImageEntryDecoder::ImageEntryDecoder(const LoadedCharacter& character)
    : m_character(character)
{}

void ImageEntryDecoder::reportPixels(qsizetype index, const QString& message) const
{
    // Entries sharing the pixels share the problem: it is reported once.
    const qsizetype source = m_character.index.images[index].pixelSource;
    m_character.report.report(QStringLiteral("pixels of image %1").arg(source), message);
}

ImageReadResult ImageEntryDecoder::readImage(qsizetype index) const
{
    ImageReadResult r;
    const QList<ImageEntry>& images = m_character.index.images;
    if (index < 0 || index >= images.size()) {
        r.error = QStringLiteral("image index %1 is out of range (%2 images)")
                      .arg(index)
                      .arg(images.size());
        return r;
    }
    const ImageEntry& e = images[index];
    IndexedImage& img = r.image;
    img.unknownByte = e.unknownByte;
    img.width = e.width;
    img.height = e.height;
    WholePixels pixels = decodeWhole(index);
    img.pixels = std::move(pixels.pixels);
    r.error = std::move(pixels.error);
    // A damaged image comes back without its region.
    if (r.error.isEmpty())
        img.region = decodeRegion(index, &r.error);
    return r;
}

ImageEntryDecoder::WholePixels ImageEntryDecoder::decodeWhole(qsizetype index) const
{
    WholePixels r;
    const ImageEntry& e = m_character.index.images[index];
    const qsizetype w = e.width;
    const qsizetype h = e.height;
    const auto transparent = [&](const QString& why) {
        r.error = why;
        r.pixels = QByteArray(w * h, char(m_character.index.info.transparentIndex));
        return r;
    };
    // A damaged entry was reported when the file was indexed.
    if (e.isDamaged())
        return transparent(e.error);
    const qsizetype expected = ImageDecoder::stride(int(w)) * h;
    if (expected == 0)
        return r;
    const uchar* src = m_character.file().at(e.pixels.offset);
    if (!e.compressed) {
        if (e.pixels.size < expected) {
            const QString why = rawPixelsTooShort(index, e, expected);
            reportPixels(index, why);
            return transparent(why);
        }
        m_character.counters.countDecode(w * h);
        r.pixels = ImageDecoder::fromStoredRows(src, int(w), int(h));
        return r;
    }
    QByteArray stored(expected, Qt::Uninitialized);
    m_character.counters.countDecode(expected + w * h);
    const Compression::Result d = Compression::decompress(
        src, e.pixels.size, reinterpret_cast<uchar*>(stored.data()), expected, limits::ImageSlack);
    if (!d.ok) {
        const QString why = streamDamaged(index, e, d);
        reportPixels(index, why);
        return transparent(why);
    }
    r.pixels = ImageDecoder::fromStoredRows(reinterpret_cast<const uchar*>(stored.constData()),
                                            int(w), int(h));
    return r;
}

QByteArray ImageEntryDecoder::decodeRegion(qsizetype index, QString* error) const
{
    const ImageEntry& e = m_character.index.images[index];
    if (e.isDamaged() || (e.region.size == 0 && e.regionSize == 0))
        return {};
    const qint64 cap =
        std::min<qint64>(limits::MaxRegionBytes, 32 + 16 * qint64(e.width) * e.height);
    const QString where =
        QStringLiteral("image %1 region at offset %2").arg(index).arg(hexOffset(e.region.offset));
    const QString problem = QStringLiteral("region of image %1").arg(e.regionSource);
    if (e.regionSize > cap) {
        *error = QStringLiteral("%1: %2 bytes claimed, at most %3 allowed")
                     .arg(where)
                     .arg(e.regionSize)
                     .arg(cap);
        m_character.report.report(problem, *error);
        return {};
    }
    const uchar* src = m_character.file().at(e.region.offset);
    if (e.regionStored == 0)
        return QByteArray(reinterpret_cast<const char*>(src), e.regionSize);
    QByteArray region(e.regionSize, Qt::Uninitialized);
    const Compression::Result d =
        Compression::decompress(src, e.region.size, reinterpret_cast<uchar*>(region.data()),
                                e.regionSize, limits::ImageSlack);
    if (d.ok)
        return region;
    *error = QStringLiteral("%1: %2 (at offset %3)")
                 .arg(where, d.error, hexOffset(e.region.offset + d.errorOffset));
    m_character.report.report(problem, *error);
    return {};
}

IndexedPixels ImageEntryDecoder::decodeForFrame(qsizetype source, const QRect& part) const
{
    const ImageEntry& e = m_character.index.images[source];
    const int w = e.width;
    const int h = e.height;
    const QRect whole(0, 0, w, h);
    const qsizetype stride = ImageDecoder::stride(w);
    const qsizetype expected = stride * h;
    const uchar* src = m_character.file().at(e.pixels.offset);
    const IndexedPixels transparent{{}, nullptr, 0, whole, true};
    IndexedPixels p;
    p.rect = whole;
    if (!e.compressed) {
        // Raw pixels are read where they are in the file, bottom row first.
        if (e.pixels.size < expected) {
            reportPixels(source, rawPixelsTooShort(source, e, expected));
            return transparent;
        }
        m_character.counters.countDecode(0);
        p.top = src + (h - 1) * stride;
        p.rowStep = -stride;
        return p;
    }
    if (expected <= limits::WholeImageLimit || part == whole) {
        p.storage = QByteArray(expected, Qt::Uninitialized);
        m_character.counters.countDecode(expected);
        const Compression::Result d =
            Compression::decompress(src, e.pixels.size, reinterpret_cast<uchar*>(p.storage.data()),
                                    expected, limits::ImageSlack);
        if (!d.ok) {
            reportPixels(source, streamDamaged(source, e, d));
            return transparent;
        }
        p.top = reinterpret_cast<const uchar*>(p.storage.constData()) + (h - 1) * stride;
        p.rowStep = -stride;
        return p;
    }
    // A large image of which a frame shows a part: only that part is kept,
    // bottom row first as stored.
    Compression::Part keep;
    keep.rowBytes = stride;
    keep.firstRow = h - 1 - part.bottom();
    keep.rowCount = part.height();
    keep.column = part.left();
    keep.width = part.width();
    p.storage = QByteArray(keep.rowCount * keep.width, Qt::Uninitialized);
    m_character.counters.countDecode(p.storage.size());
    const Compression::Result d =
        Compression::decompressPart(src, e.pixels.size, expected, keep,
                                    reinterpret_cast<uchar*>(p.storage.data()), limits::ImageSlack);
    if (!d.ok) {
        reportPixels(source, streamDamaged(source, e, d));
        return transparent;
    }
    p.rect = part;
    p.top =
        reinterpret_cast<const uchar*>(p.storage.constData()) + (keep.rowCount - 1) * keep.width;
    p.rowStep = -keep.width;
    return p;
}

} // namespace clipvoice::agent::acs
