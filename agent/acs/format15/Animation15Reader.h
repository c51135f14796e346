#pragma once

#include "Character15.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Parses a decoded animation block of a 1.5 file (the contents of an
// anim<i>.aaf stream): its sounds, its full-character images and its frames.
namespace clipvoice::agent::acs {

// `width` and `height` are the character's: every non-empty image holds
// stride15(width) * height bytes. The whole block must be consumed. Indices out
// of range (image, sound, branch target) are kept as stored and reported in
// `warnings`, as are non-zero values in the fields that are always 0; the
// player treats such indices as absent. Errors name `blockName` and the offset
// in the block.
bool readAnimationBlock15(const QByteArray& block, int width, int height, const QString& blockName,
                          Animation15* animation, QString* error, QStringList* warnings = nullptr);

} // namespace clipvoice::agent::acs
