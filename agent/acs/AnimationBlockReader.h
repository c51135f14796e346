#pragma once

#include "Character.h"
#include "FileView.h"

#include <QString>

namespace clipvoice::agent::acs {

// One animation block as read.
struct AnimationBlock
{
    Animation animation;
    // Set when the block cannot be read: what was wrong and at which offset.
    QString error;
    qint64 unusedBytes = 0; // bytes left at the end of the block
};

// Reads the animation block at `block` (which lies inside the file); `listName`
// is the name the animation list gives it, used in messages.
AnimationBlock readAnimationBlock(FileView file, const Locator& block, const QString& listName);

} // namespace clipvoice::agent::acs
