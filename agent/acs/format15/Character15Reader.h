#pragma once

#include "Character15.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Parses the decoded character block of a 1.5 file (the contents of char.acf):
// versions, the animation list, name and description, size, transparent index,
// style flags, the optional voice and balloon blocks, palette and states.
namespace clipvoice::agent::acs {

inline constexpr int MaxCharacterSide15 = 2048;
inline constexpr quint32 MaxPaletteSize15 = 256;

// The whole block must be consumed. The balloon block ends with one byte only
// from minor version 31 on; when the block does not parse exactly with the
// choice the version makes, the other choice is tried, and a success that way
// is reported in `warnings`. Errors name "char.acf" and the offset in the block.
bool readCharacterBlock15(const QByteArray& block, Character15* character, QString* error,
                          QStringList* warnings = nullptr);

} // namespace clipvoice::agent::acs
