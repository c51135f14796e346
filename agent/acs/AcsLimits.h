#pragma once

#include "Character.h"

#include <QtGlobal>

#include <algorithm>

// The bounds the reader keeps to, so that no file can make reading or decoding
// costly. AcsReader repeats them for its callers; the writer refuses characters
// that pass them.
namespace clipvoice::agent::acs::limits {

inline constexpr int MaxCharacterSide = 2048;
inline constexpr int MaxImageSide = 4096;

// Images may be at most four times the character's larger side (at least 256),
// and never more than MaxImageSide.
inline int maxImageSide(const CharacterInfo& info)
{
    return std::min(MaxImageSide, std::max(256, 4 * int(std::max(info.width, info.height))));
}

// Bytes a compressed image may decode past its end, or refer before its start,
// and still load (third-party tools wrote such streams).
inline constexpr qsizetype ImageSlack = 64;

// Region data an image may claim once decompressed.
inline constexpr qint64 MaxRegionBytes = 8 * 1024 * 1024;

// Limits of the images decoded to compose one frame: at most MaxImagesPerFrame
// images, and their pixels at most FramePixelFactor times the canvas area (or
// the area of the largest image allowed, if that is more).
inline constexpr int MaxImagesPerFrame = 128;
inline constexpr int FramePixelFactor = 16;

inline qint64 framePixelLimit(const CharacterInfo& info)
{
    const qint64 side = maxImageSide(info);
    return std::max(side * side, qint64(FramePixelFactor) * info.width * info.height);
}

// Images larger than this many stored bytes are decoded only in the part a
// frame shows; smaller ones are decoded whole, so that other frames can reuse
// them from the cache.
inline constexpr qint64 WholeImageLimit = 4 * 1024 * 1024;

// Decoding the whole character may take at most CharacterBudgetFactor times the
// file size, or CharacterBudgetFloor bytes if that is more.
inline constexpr qint64 CharacterBudgetFactor = 64;
inline constexpr qint64 CharacterBudgetFloor = 128 * 1024 * 1024;

inline qint64 characterBudget(qint64 fileSize)
{
    return std::max(CharacterBudgetFloor, CharacterBudgetFactor * fileSize);
}

} // namespace clipvoice::agent::acs::limits
