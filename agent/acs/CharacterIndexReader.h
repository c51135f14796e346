#pragma once

#include "CharacterIndex.h"
#include "FileView.h"

#include <QString>

namespace clipvoice::agent::acs {

// Reads what a character file holds, without decoding any image or sound: the
// header, the character block, every animation and where every image and
// sound lies, all checked against the file size. Damaged animations, images
// and sounds are left out or read as empty, each with a warning in
// `index.warnings`.
class CharacterIndexReader
{
public:
    static constexpr quint32 Signature = 0xABCDABC3;
    static constexpr quint32 WebSignature = 0xABCDABC4;

    // Fills `index` from `file`. Fails when the file is not a character file
    // or its core blocks cannot be read, with `error` saying what was wrong
    // and at which offset.
    static bool read(FileView file, CharacterIndex& index, QString* error);

    // Whether the bytes start with the signature of a whole character file.
    static bool hasSignature(FileView file);
    // The message for an animation file of the web format, which is not read.
    static QString animationFileUnsupported();

private:
    struct Blocks
    {
        Locator character;
        Locator animations;
        Locator images;
        Locator sounds;
    };

    CharacterIndexReader(FileView file, CharacterIndex& index);
    bool readHeader(Blocks& blocks);
    bool readCharacter(const Locator& block);
    bool readAnimationList(const Locator& list);
    bool readImages(const Locator& list);
    bool readAudioList(const Locator& list);
    bool fail(const QString& message);
    bool failDamaged(const QString& message);

    FileView m_file;
    CharacterIndex& m_index;
    QString m_error;
};

} // namespace clipvoice::agent::acs
