#pragma once

#include "Character.h"
#include "FileView.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace clipvoice::agent::acs {

// Where one image of the image list lies in the file, as indexed (nothing is
// decoded).
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

    bool isDamaged() const { return !error.isEmpty(); }
};

// What a character file holds, checked against the file: the character's
// info, its animations, and where every image and sound lies. It does not
// change once the file is indexed.
struct CharacterIndex
{
    CharacterInfo info;
    QList<Animation> animations;               // damaged ones are left out
    QHash<QString, qsizetype> animationByName; // case-folded name -> first animation
    QList<ImageEntry> images;
    QList<Locator> sounds; // empty for a sound that lies outside the file
    QStringList warnings;  // problems that did not stop the file from loading

    // Letter case is ignored; -1 when there is no such animation.
    qsizetype animationIndex(QStringView name) const;
    const State* state(QStringView name) const;
};

} // namespace clipvoice::agent::acs
