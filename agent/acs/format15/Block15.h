#pragma once

#include "agent/acs/ByteCursor.h"

#include <QString>

// Pieces shared by the 1.5 block parsers.
namespace clipvoice::agent::acs {

// Longest string the parsers accept, in UTF-16 code units.
inline constexpr quint32 MaxStringUnits15 = 65536;

// A string as the 1.5 format stores it: a u32 count of UTF-16LE code units and
// the units, with no terminator. At most `maxUnits` units.
QString readString15(ByteCursor& c, const char* field, quint32 maxUnits = MaxStringUnits15);

// Reads a count (u8, u16 or u32 as `bytes` says) and checks that that many
// entries of at least `minSize` bytes fit in the rest of the block, so that it
// can be trusted before allocating. A failure names the count's offset.
quint32 readCount15(ByteCursor& c, const char* field, int bytes, quint64 minSize);

} // namespace clipvoice::agent::acs
