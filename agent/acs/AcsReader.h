#pragma once

#include "Character.h"
#include "IndexedPixels.h"

#include <QByteArray>
#include <QCache>
#include <QFile>
#include <QImage>
#include <QMutex>
#include <QRect>
#include <QStringList>

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>

namespace clipvoice::agent::acs {

// Reads an Agent 2.0 character file (.acs).
//
// Opening indexes the file: the header, the character block, every animation and
// the position of every image and sound are read and checked against the file
// size. Image pixels are decoded only when asked for, and decoded images and
// composed frames are kept in a cache bounded in bytes (least recently used
// entries go first).
//
// Image list entries that point at the same pixel data are decoded once and
// cached once. A frame decodes only the images it draws (those on the canvas,
// within the coverage limit), and of a large image only the part it shows; at
// most MaxImagesPerFrame images of FramePixelFactor times the canvas area in
// all (or one image of the largest size allowed) are decoded for one frame, and
// layers past that are left out with a warning (category "clipvoice.acs").
//
// A damaged image or animation gives a warning and the rest of the character
// loads (the image reads as transparent, the animation is left out). A file
// whose core blocks cannot be read fails to open with a message that says what
// was wrong and at which offset.
//
// Threads: open*(), close() and setCacheLimit() must not run at the same time as
// any other call. Once a file is open, every const function may be called from
// any thread, including several at once: the index does not change after
// opening and the cache is guarded by a mutex. References returned by info(),
// animations(), animation() and state() stay valid until the next open or close.
class AcsReader
{
public:
    static constexpr quint32 Signature = 0xABCDABC3;
    static constexpr quint32 WebSignature = 0xABCDABC4;
    static constexpr int MaxCharacterSide = 2048;
    static constexpr int MaxImageSide = 4096;
    // Images may be at most four times the character's larger side (at least 256),
    // and never more than MaxImageSide, so a file cannot make decoding costly.
    static int maxImageSide(const CharacterInfo& info)
    {
        return std::min(MaxImageSide, std::max(256, 4 * int(std::max(info.width, info.height))));
    }
    // Bytes a compressed image may decode past its end, or refer before its start,
    // and still load (third-party tools wrote such streams).
    static constexpr qsizetype ImageSlack = 64;
    static constexpr qint64 DefaultCacheLimit = 64 * 1024 * 1024;
    // Limits of the images decoded to compose one frame (see framePixelLimit()).
    static constexpr int MaxImagesPerFrame = 128;
    static constexpr int FramePixelFactor = 16;
    // Images larger than this many stored bytes are decoded only in the part a
    // frame shows; smaller ones are decoded whole, so that other frames can
    // reuse them from the cache.
    static constexpr qint64 WholeImageLimit = 4 * 1024 * 1024;
    // character() refuses to decode more than CharacterBudgetFactor times the
    // file size, or CharacterBudgetFloor bytes if that is more.
    static constexpr qint64 CharacterBudgetFactor = 64;
    static constexpr qint64 CharacterBudgetFloor = 128 * 1024 * 1024;

    AcsReader();
    ~AcsReader();
    AcsReader(const AcsReader&) = delete;
    AcsReader& operator=(const AcsReader&) = delete;

    // The file is memory-mapped (or read once if it cannot be mapped) and must not
    // change while it is open.
    bool openFile(const QString& path);
    bool openData(const QByteArray& data);
    void close();

    bool isOpen() const { return m_open; }
    QString errorString() const { return m_error; }
    // Problems that did not stop the file from loading.
    QStringList warnings() const { return m_warnings; }

    const CharacterInfo& info() const { return m_info; }
    const LocalizedInfo* localized(quint16 languageId) const;

    // Animations in file order; damaged ones are left out.
    const QList<Animation>& animations() const { return m_animations; }
    // Letter case is ignored. With duplicate names the first one wins.
    const Animation* animation(QStringView name) const;
    qsizetype animationIndex(QStringView name) const;
    const State* state(QStringView name) const;

    qsizetype imageCount() const { return m_images.size(); }
    qsizetype soundCount() const { return m_sounds.size(); }

    struct ImageResult
    {
        IndexedImage image;
        QString error; // empty when the image decoded cleanly
    };
    // Decodes one image's palette indices and region data (not cached). A damaged
    // image comes back transparent with `error` set; an index out of range gives
    // an empty image and an error.
    ImageResult readImage(qsizetype index) const;

    // The image's width and height as indexed, without decoding anything (0 x 0
    // for a bad index, an empty or a damaged image whose size is implausible).
    QSize imageSize(qsizetype index) const;
    // The image as premultiplied ARGB (cached). Null for an empty image or a bad
    // index.
    QImage image(qsizetype index) const;
    // The image's region rectangles (image coordinates, y down), when it has valid
    // region data.
    QList<QRect> imageRegion(qsizetype index) const;

    // A composed frame as premultiplied ARGB of the character size (cached). With
    // `mouthShape` 0..6 the matching mouth overlay is applied. Null for bad indices.
    QImage frame(qsizetype animationIndex, qsizetype frameIndex, int mouthShape = -1) const;

    // The sound's bytes: a RIFF/WAVE file as stored. Empty for a bad index.
    QByteArray sound(qsizetype index) const;

    // Decodes everything into an in-memory character (the form AcsWriter takes).
    // Entries that share their image pixels, region or sound bytes share one
    // buffer. Before decoding anything, the bytes needed (each shared buffer
    // counted once) are checked against `budget` (characterBudget() when
    // negative): past it, nothing is decoded, an empty character is returned
    // and `error` says why.
    Character character(QString* error = nullptr, qint64 budget = -1) const;
    qint64 characterBudget() const;

    // The per-frame decoding limits: MaxImagesPerFrame images, and their pixels
    // (width * height summed) at most FramePixelFactor times the canvas area or
    // the area of the largest image allowed, whichever is more.
    qint64 framePixelLimit() const;

    // Counts of the decoding work done since the file was opened; cheap to read.
    struct DecodeStatistics
    {
        qint64 imageDecodes = 0;  // image pixel data decoded (whole or in part)
        qint64 decodedBytes = 0;  // bytes those decodes allocated for pixels
        qint64 layersLeftOut = 0; // frame layers left out by the per-frame limits
    };
    DecodeStatistics decodeStatistics() const;

    void setCacheLimit(qint64 bytes);
    qint64 cacheLimit() const;
    qint64 cacheUsed() const;

private:
    struct Locator
    {
        qint64 offset = 0;
        qint64 size = 0;
    };
    struct ImageEntry
    {
        Locator block;
        QString error; // set when the block's header could not be read
        quint8 unknownByte = 0;
        quint16 width = 0;
        quint16 height = 0;
        bool compressed = false;
        Locator pixels;
        quint32 regionStored = 0;
        quint32 regionSize = 0;
        Locator region;
        // The first entry with the same pixel data (or region data): entries that
        // share a source are decoded and cached once. -1 when there is nothing to
        // decode (a damaged or empty image, or no region data).
        qsizetype pixelSource = -1;
        qsizetype regionSource = -1;
    };
    struct CacheItem
    {
        QImage image;
        IndexedPixels pixels;
    };
    struct PixelsResult
    {
        QByteArray pixels; // top row first, no padding
        QString error;     // set when the pixels are transparent for a fault
    };

    bool openBytes();
    bool fail(const QString& message);
    bool parseHeader(Locator locators[4]);
    bool parseCharacter(const Locator& block);
    bool parseAnimations(const Locator& block);
    bool parseImages(const Locator& block);
    bool parseSounds(const Locator& block);
    void indexImage(ImageEntry& entry) const;
    void linkSources();
    bool checkLocator(const Locator& l, const QString& what, QString* error) const;
    PixelsResult decodeIndexed(qsizetype index) const;
    QByteArray decodeRegionData(qsizetype index, QString* error) const;
    IndexedPixels decodePixels(qsizetype source, const QRect& part) const;
    IndexedPixels pixels(qsizetype source, const QRect& part, bool keep = true) const;
    qint64 characterBytes() const;
    void countDecode(qint64 bytes) const;
    QImage cached(quint64 key) const;
    void store(quint64 key, const QImage& image) const;
    void store(quint64 key, const IndexedPixels& pixels) const;

    std::unique_ptr<QFile> m_file;
    QByteArray m_data;
    const uchar* m_bytes = nullptr;
    qint64 m_size = 0;
    bool m_open = false;
    QString m_error;
    QStringList m_warnings;

    CharacterInfo m_info;
    QList<Animation> m_animations;
    QHash<QString, qsizetype> m_animationByName;
    QList<ImageEntry> m_images;
    QList<Locator> m_sounds;
    std::array<QRgb, 256> m_colours{};

    mutable QMutex m_cacheMutex;
    mutable QCache<quint64, CacheItem> m_cache;
    mutable std::atomic<qint64> m_imageDecodes{0};
    mutable std::atomic<qint64> m_decodedBytes{0};
    mutable std::atomic<qint64> m_layersLeftOut{0};
};

} // namespace clipvoice::agent::acs
