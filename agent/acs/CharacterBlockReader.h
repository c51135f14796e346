#pragma once

#include "Character.h"
#include "FileView.h"

#include <QString>

namespace clipvoice::agent::acs {

// The character block as read: the character's info and its localized names.
struct CharacterBlock
{
    CharacterInfo info;
    // Set when the block cannot be read: what was wrong and at which offset.
    QString error;
    // Set when the block loaded but did not use all of its bytes.
    QString warning;
};

// Reads the character block at `block` (which lies inside the file) and the
// localized information it points at.
CharacterBlock readCharacterBlock(FileView file, const Locator& block);

} // namespace clipvoice::agent::acs
