#pragma once

#include "AcsLimits.h"
#include "Character.h"
#include "CharacterIndexReader.h"
#include "DecodeCounters.h"
#include "DecodedImageCache.h"
#include "ImageEntryDecoder.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QStringList>

#include <memory>

namespace clipvoice::agent::acs {

struct LoadedCharacter;

// Reads an Agent 2.0 character file (.acs).
//
// Opening indexes the file (CharacterIndexReader): the header, the character
// block, every animation and the position of every image and sound are read
// and checked against the file size. Image pixels are decoded only when asked
// for (ImageEntryDecoder), and decoded images and composed frames are kept in a
// cache bounded in bytes (DecodedImageCache, see ImageRenderer for what a frame
// may decode). character() decodes everything within a budget
// (CharacterDecoder).
//
// A damaged image or animation gives a warning and the rest of the character
// loads (the image reads as transparent, the animation is left out). A file
// whose core blocks cannot be read fails to open with a message that says what
// was wrong and at which offset. Every such warning, and every damaged image
// or region met later while decoding, goes to the log (category
// "clipvoice.acs") once, naming the file.
//
// Threads: open*(), close() and setCacheLimit() must not run at the same time as
// any other call. Once a file is open, every const function may be called from
// any thread, including several at once: the index does not change after
// opening and the cache is guarded by a mutex. References returned by info(),
// animations(), animation() and state() stay valid until the next open or close.
class AcsReader
{
public:
    static constexpr quint32 Signature = CharacterIndexReader::Signature;
    static constexpr quint32 WebSignature = CharacterIndexReader::WebSignature;
    static constexpr int MaxCharacterSide = limits::MaxCharacterSide;
    static constexpr int MaxImageSide = limits::MaxImageSide;
    static int maxImageSide(const CharacterInfo& info) { return limits::maxImageSide(info); }
    static constexpr qsizetype ImageSlack = limits::ImageSlack;
    static constexpr qint64 DefaultCacheLimit = DecodedImageCache::DefaultLimit;
    static constexpr int MaxImagesPerFrame = limits::MaxImagesPerFrame;
    static constexpr int FramePixelFactor = limits::FramePixelFactor;
    static constexpr qint64 WholeImageLimit = limits::WholeImageLimit;
    static constexpr qint64 CharacterBudgetFactor = limits::CharacterBudgetFactor;
    static constexpr qint64 CharacterBudgetFloor = limits::CharacterBudgetFloor;

    AcsReader();
    ~AcsReader();
    AcsReader(const AcsReader&) = delete;
    AcsReader& operator=(const AcsReader&) = delete;

    // The file is memory-mapped (or read once if it cannot be mapped) and must not
    // change while it is open.
    bool openFile(const QString& path);
    // `name` names the data in log messages.
    bool openData(const QByteArray& data, const QString& name = QString());
    void close();

    bool isOpen() const { return m_loaded != nullptr; }
    QString errorString() const { return m_error; }
    // Problems that did not stop the file from loading.
    QStringList warnings() const;

    const CharacterInfo& info() const;
    const LocalizedInfo* localized(quint16 languageId) const;

    // Animations in file order; damaged ones are left out.
    const QList<Animation>& animations() const;
    // Letter case is ignored. With duplicate names the first one wins.
    const Animation* animation(QStringView name) const;
    qsizetype animationIndex(QStringView name) const;
    const State* state(QStringView name) const;

    qsizetype imageCount() const;
    qsizetype soundCount() const;

    using ImageResult = ImageReadResult;
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
    using DecodeStatistics = acs::DecodeStatistics;
    DecodeStatistics decodeStatistics() const;

    void setCacheLimit(qint64 bytes);
    qint64 cacheLimit() const;
    qint64 cacheUsed() const;

private:
    bool load(std::unique_ptr<LoadedCharacter> loaded);
    bool fail(const QString& message);
    const LoadedCharacter& loaded() const;

    std::unique_ptr<LoadedCharacter> m_loaded; // null while no file is open
    QString m_error;
    DecodedImageCache m_cache;
};

} // namespace clipvoice::agent::acs
