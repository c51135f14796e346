#pragma once

#include "DecodedImageCache.h"
#include "FrameComposer.h"
#include "ImageEntryDecoder.h"
#include "LoadedCharacter.h"

#include <QImage>
#include <QList>

namespace clipvoice::agent::acs {

// Turns the images of an open file into premultiplied ARGB images and composed
// frames, keeping what it decodes in the cache.
//
// A frame decodes only the images it draws (those on the canvas, within the
// coverage limit), and of a large image only the part it shows. At most
// limits::MaxImagesPerFrame images, of framePixelLimit() pixels in all, are
// decoded for one frame; layers past that are left out, which is reported
// once per frame. Safe to use from several threads.
class ImageRenderer
{
public:
    ImageRenderer(const LoadedCharacter& character, const DecodedImageCache& cache);

    // Null for an empty image or a bad index.
    QImage image(qsizetype index) const;
    // Of the character size; with `mouthShape` 0..6 the matching mouth overlay
    // is applied. Null for bad indices.
    QImage frame(qsizetype animationIndex, qsizetype frameIndex, int mouthShape) const;

    qint64 framePixelLimit() const;

private:
    // The frame's layers, topmost first, with their sizes from the index:
    // nothing is decoded for them yet.
    QList<FrameLayer> layersOf(const Frame& frame, int mouthShape) const;
    FrameLayer layerFor(quint32 imageIndex, int x, int y) const;
    void reportLeftOut(const FramePlan& plan, qsizetype layerCount, qsizetype animationIndex,
                       qsizetype frameIndex, int mouthShape) const;
    // The source's pixels holding `part`, from the cache or decoded (and then
    // kept when `keep` is set).
    IndexedPixels pixels(qsizetype source, const QRect& part, bool keep = true) const;

    const LoadedCharacter& m_character;
    const DecodedImageCache& m_cache;
    ImageEntryDecoder m_decoder;
};

} // namespace clipvoice::agent::acs
