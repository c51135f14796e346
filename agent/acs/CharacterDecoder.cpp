#include "CharacterDecoder.h"

#include "AcsLimits.h"

#include <map>

namespace clipvoice::agent::acs {

CharacterDecoder::CharacterDecoder(const LoadedCharacter& character)
    : m_character(character)
    , m_decoder(character)
{}

qint64 CharacterDecoder::defaultBudget() const
{
    return limits::characterBudget(m_character.file().size);
}

qint64 CharacterDecoder::bytesNeeded() const
{
    // The buffers decode() makes: one per pixel source, per region source and
    // per transparent image size, and one per distinct sound block.
    qint64 bytes = 0;
    std::map<std::pair<int, int>, bool> transparentSizes;
    const QList<ImageEntry>& images = m_character.index.images;
    for (qsizetype i = 0; i < images.size(); ++i) {
        const ImageEntry& e = images[i];
        const qint64 area = qint64(e.width) * e.height;
        if (e.pixelSource == i ||
            (e.pixelSource < 0 && transparentSizes.try_emplace({e.width, e.height}, true).second))
            bytes += area;
        if (e.regionSource == i)
            bytes += std::min<qint64>(limits::MaxRegionBytes, e.regionSize);
    }
    std::map<std::pair<qint64, qint64>, bool> sounds;
    for (const Locator& l : m_character.index.sounds)
        if (sounds.try_emplace({l.offset, l.size}, true).second)
            bytes += l.size;
    return bytes;
}

Character CharacterDecoder::decode(QString* error, qint64 budget) const
{
    const qint64 needed = bytesNeeded();
    if (needed > budget) {
        const QString message =
            QStringLiteral("decoding the whole character needs %1 bytes, more than the %2 "
                           "allowed for a file of %3 bytes")
                .arg(needed)
                .arg(budget)
                .arg(m_character.file().size);
        m_character.report.report(message);
        if (error)
            *error = message;
        return {};
    }
    if (error)
        error->clear();
    Character c;
    c.info = m_character.index.info;
    c.animations = m_character.index.animations;
    c.images = decodeImages();
    c.sounds = copySounds();
    return c;
}

QList<IndexedImage> CharacterDecoder::decodeImages() const
{
    const QList<ImageEntry>& entries = m_character.index.images;
    QList<IndexedImage> images;
    images.reserve(entries.size());
    // Shared sources decode once; QByteArray copies then share the bytes.
    QHash<qsizetype, ImageEntryDecoder::WholePixels> pixelsBySource;
    QHash<qsizetype, QByteArray> regionsBySource;
    std::map<std::pair<int, int>, QByteArray> transparent;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const ImageEntry& e = entries[i];
        IndexedImage img;
        img.unknownByte = e.unknownByte;
        img.width = e.width;
        img.height = e.height;
        // As readImage(): a damaged image is transparent and has no region.
        bool damaged = e.isDamaged();
        if (e.pixelSource < 0) {
            // Damaged or empty: transparent pixels, one buffer per size.
            auto it = transparent.find({e.width, e.height});
            if (it == transparent.end())
                it = transparent
                         .emplace(std::pair<int, int>(e.width, e.height),
                                  m_decoder.decodeWhole(i).pixels)
                         .first;
            img.pixels = it->second;
        } else {
            auto pixels = pixelsBySource.find(e.pixelSource);
            if (pixels == pixelsBySource.end())
                pixels = pixelsBySource.insert(e.pixelSource, m_decoder.decodeWhole(e.pixelSource));
            img.pixels = pixels->pixels;
            damaged = !pixels->error.isEmpty();
        }
        if (!damaged && e.regionSource >= 0) {
            auto region = regionsBySource.find(e.regionSource);
            if (region == regionsBySource.end()) {
                QString regionError;
                region = regionsBySource.insert(
                    e.regionSource, m_decoder.decodeRegion(e.regionSource, &regionError));
            }
            img.region = *region;
        }
        images.append(img);
    }
    return images;
}

QList<QByteArray> CharacterDecoder::copySounds() const
{
    const QList<Locator>& locators = m_character.index.sounds;
    QList<QByteArray> sounds;
    sounds.reserve(locators.size());
    // Entries naming the same block share one copy.
    std::map<std::pair<qint64, qint64>, QByteArray> copies;
    for (const Locator& l : locators) {
        auto it = copies.find({l.offset, l.size});
        if (it == copies.end())
            it = copies.emplace(std::pair<qint64, qint64>(l.offset, l.size), m_character.copyOf(l))
                     .first;
        sounds.append(it->second);
    }
    return sounds;
}

} // namespace clipvoice::agent::acs
