#pragma once

#include "agent/engine/CharacterSource.h"

#include <QString>

#include <memory>

namespace clipvoice::agent::engine {

// Opens a character file of either format, told apart by its first bytes: an
// older (1.5) character is a compound file, anything else goes to the 2.0
// reader (which names what it found when the file is neither). On failure
// returns null with `error` set to the reader's message.
std::unique_ptr<CharacterSource> openCharacterSource(const QString& path, QString* error);

} // namespace clipvoice::agent::engine
