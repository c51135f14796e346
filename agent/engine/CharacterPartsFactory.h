#pragma once

#include "agent/engine/BalloonView.h"
#include "agent/engine/CharacterView.h"
#include "agent/engine/SoundOutput.h"
#include "agent/engine/SpeechFileOutput.h"
#include "agent/engine/SpeechOutput.h"

#include <QString>

#include <memory>

namespace clipvoice::agent::engine {

class CharacterSource;

// The windows and outputs of one loaded character.
struct CharacterParts
{
    std::unique_ptr<CharacterView> view;  // required
    std::unique_ptr<BalloonView> balloon; // null: no balloon
    std::unique_ptr<SpeechOutput> speech; // null: a PacedSpeechOutput (silent)
    std::unique_ptr<SoundOutput> sound;   // null: frame sounds are not played
    // null: every save to a file fails. Made after `speech`, so it goes first.
    std::unique_ptr<SpeechFileOutput> speechFile;
};

// Makes the parts of each character the engine loads. The character (its size,
// balloon style, names, tray icon and frames) stays valid as long as the parts.
class CharacterPartsFactory
{
public:
    virtual ~CharacterPartsFactory() = default;

    virtual CharacterParts create(const QString& characterId, const CharacterSource& character) = 0;
};

} // namespace clipvoice::agent::engine
