#pragma once

#include "agent/acs/Character.h"
#include "agent/acs/DamageReport.h"
#include "agent/acs/format15/Character15.h"

#include <QByteArray>
#include <QCache>
#include <QHash>
#include <QImage>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QWaitCondition>

#include <array>
#include <memory>
#include <vector>

namespace clipvoice::agent::acs {

// Plays an older-format (1.5) character through the same description the 2.0
// reader gives: animations as acs::Animation, composed frames, sounds.
//
// Nothing is decoded up front. An animation is read from the source the first
// time it is asked for and mapped to an acs::Animation, which is then kept for
// the reader's life. Each animation carries its own images and sounds; those
// (the pixel and sound data) are kept in a cache bounded in bytes and read
// again from the source when they were pushed out. Composed frames are kept in
// a second bounded cache.
//
// Mapping: every frame shows its one full-size image at (0, 0) when the image
// exists, is not empty and has the character's size; mouth overlays become
// MouthOverlay entries whose imageIndex is the overlay's position in the frame.
// Branches to frames that do not exist are dropped and probabilities are
// clamped so that a frame's total never passes 100 (a branch that would pass
// it keeps the rest, later ones are dropped). Sounds get reader-wide numbers,
// handed out in the order animations are first decoded; an out-of-range sound
// index becomes NoSound. An animation that names a return animation has the
// transition ReturnAnimation, any other None.
//
// An animation that cannot be read is damaged: animation() gives null for it
// from then on without reading it again, its reason goes to the log (category
// "clipvoice.acs", naming the file) once and into warnings().
//
// Threads: every const function may be called from several threads at once.
// Pointers returned by animation() stay valid for the reader's life.
class Acs15Reader
{
public:
    static constexpr qint64 DefaultCacheLimit = 64 * 1024 * 1024;
    static constexpr qint64 DefaultFrameCacheLimit = 32 * 1024 * 1024;

    Acs15Reader(std::unique_ptr<Animation15Source> source, QString fileName);
    ~Acs15Reader();

    // Opens an older character file (Acs15File) for playing. On failure returns
    // null with `error` saying what is wrong and where. The file is
    // memory-mapped when it can be and must not change while it is open.
    static std::unique_ptr<Acs15Reader> openFile(const QString& path, QString* error);
    // `name` names the data in log messages.
    static std::unique_ptr<Acs15Reader> openData(const QByteArray& data, const QString& name,
                                                 QString* error);
    Acs15Reader(const Acs15Reader&) = delete;
    Acs15Reader& operator=(const Acs15Reader&) = delete;

    const CharacterInfo& info() const;
    const QString& fileName() const { return m_damage.fileName(); }
    // Problems met so far, including every animation found damaged.
    QStringList warnings() const;

    // In list order; nothing is decoded.
    QStringList animationNames() const { return m_names; }
    qsizetype animationCount() const { return m_names.size(); }
    // Letter case is ignored; with duplicate names the first one wins. -1 when none.
    qsizetype animationIndex(QStringView name) const;
    // Decodes on first use; null for a damaged animation or a bad index/name.
    const Animation* animation(QStringView name) const;
    const Animation* animation(qsizetype index) const;

    // The frame composed at the character's size as premultiplied ARGB (cached).
    // With `mouthShape` 0..6 the frame's overlay for that shape is drawn on top.
    // Null for bad indices or a damaged animation.
    QImage frame(qsizetype animationIndex, qsizetype frameIndex, int mouthShape = -1) const;
    // The sound numbered `index` as in Frame::soundIndex: a RIFF/WAVE file whose
    // size field is clamped to the bytes there are. Empty for a bad index.
    QByteArray sound(qsizetype index) const;
    // Sounds numbered so far (animations not decoded yet have none).
    qsizetype soundCount() const;
    // One image of an animation drawn alone at the character's size (not
    // cached). Null for an empty image or bad indices.
    QImage image(qsizetype animationIndex, qsizetype imageIndex) const;

    struct Statistics
    {
        qint64 animationReads = 0;    // reads from the source, re-reads included
        qint64 animationsDecoded = 0; // animations mapped (kept for good)
        qint64 framesComposed = 0;    // frames composed (cache misses)
    };
    Statistics statistics() const;

    // The byte bounds of the data and frame caches; lowering one drops entries.
    void setCacheLimit(qint64 bytes);
    qint64 cacheLimit() const;
    qint64 cacheUsed() const;
    void setFrameCacheLimit(qint64 bytes);
    qint64 frameCacheLimit() const;
    qint64 frameCacheUsed() const;

private:
    struct Slot;
    using Data = std::shared_ptr<const Animation15>;

    Data readData(qsizetype index, QString* error) const;
    // The animation's images and sounds, from the cache or read again.
    Data data(qsizetype index) const;
    Animation map(qsizetype index, const Animation15& data) const;
    void markDamaged(qsizetype index, const QString& error) const;
    bool imageUsable(const Image15& image) const;
    void drawImage(QImage& canvas, const Image15& image) const;
    void drawOverlay(QImage& canvas, const Overlay15& overlay) const;

    std::unique_ptr<Animation15Source> m_source;
    DamageReport m_damage;
    QStringList m_names;
    QHash<QString, qsizetype> m_index; // case-folded name -> first index
    std::array<QRgb, 256> m_colours{};

    mutable QMutex m_mutex; // guards everything below
    mutable QWaitCondition m_decoded;
    mutable std::vector<std::unique_ptr<Slot>> m_slots;
    mutable QList<QPair<qsizetype, qsizetype>> m_sounds; // number -> (animation, local index)
    mutable QStringList m_warnings;
    mutable QCache<qsizetype, Data> m_data;
    mutable QCache<quint64, QImage> m_frames;
    mutable Statistics m_statistics;
};

} // namespace clipvoice::agent::acs
