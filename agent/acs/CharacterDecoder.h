#pragma once

#include "Character.h"
#include "ImageEntryDecoder.h"
#include "LoadedCharacter.h"

#include <QString>

namespace clipvoice::agent::acs {

// Decodes a whole open file into an in-memory character, within a budget of
// bytes. Entries that share their image pixels, region or sound bytes share
// one buffer.
class CharacterDecoder
{
public:
    explicit CharacterDecoder(const LoadedCharacter& character);

    // limits::characterBudget() of the file's size.
    qint64 defaultBudget() const;
    // The bytes decode() allocates, each shared buffer counted once.
    qint64 bytesNeeded() const;
    // Past `budget` nothing is decoded: an empty character comes back, `error`
    // says why and the refusal is reported.
    Character decode(QString* error, qint64 budget) const;

private:
    QList<IndexedImage> decodeImages() const;
    QList<QByteArray> copySounds() const;

    const LoadedCharacter& m_character;
    ImageEntryDecoder m_decoder;
};

} // namespace clipvoice::agent::acs
