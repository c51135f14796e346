#pragma once

#include "agent/acs/ByteCursor.h"

#include <QString>

// Pieces shared by the 1.5 block parsers.
namespace clipvoice::agent::acs {

// A string as the 1.5 format stores it: a u32 count of UTF-16LE code units and
// the units, with no terminator. At most `maxUnits` units.
QString readString15(ByteCursor& c, const char* field, quint32 maxUnits = 65536);

} // namespace clipvoice::agent::acs
