#pragma once

#include "Acs15Writer.h"
#include "agent/acs/format15/Character15.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Characters of the 1.5 format for tests, one per kind of file the reader
// must handle. Pixels are simple generated shapes, so the files stay small.
namespace clipvoice::agent::acs::testing {

struct Acs15Fixture
{
    QString name;
    Character15 character;
    QList<Animation15> animations;
    // Damage the fixture's file carries (a damaged animation stream).
    Acs15WriteOptions options;
    qsizetype damagedAnimation = -1;

    QByteArray write() const { return writeAcs15(character, animations, options); }
};

// The 16 state names, as characters list them.
QStringList standardStateNames15();

// 4 animations, a 16-entry palette, frame sounds and all 7 mouth overlays (large ones).
Acs15Fixture smallCharacter15();
// Minor version 30 with style flag 0x1000 (a balloon without its last byte), 240 x 240.
Acs15Fixture minor30Character15();
// Flags 0x110 (neither voice nor balloon), width 166 (rows need padding), an
// empty image, branches, frames without an image, sounds with extra RIFF
// chunks, and one damaged animation stream.
Acs15Fixture earlyCharacter15();
// Width 197, a voice with its own speed and pitch, empty animations.
Acs15Fixture voiceCharacter15();
// Branch-only frames looping back, return animations, a sound whose RIFF size
// is one more than its data.
Acs15Fixture branchingCharacter15();
// Empty mouth overlays, 250 x 250, minor version 30.
Acs15Fixture emptyOverlayCharacter15();

QList<Acs15Fixture> allAcs15Fixtures();

// Building blocks, for tests that make their own variations.
QByteArray wave15(int samples, bool extraChunk = false, bool riffSizeOneTooLarge = false);
Image15 shapeImage15(int width, int height, quint8 transparent, int seed, int colors);
Overlay15 mouthOverlay15(quint8 shape, int x, int y, int width, int height, quint8 transparent,
                         int colors);

} // namespace clipvoice::agent::acs::testing
