#pragma once

#include "Figure.h"

#include <QString>

namespace clipvoice::characters {

// What a character file says about its character besides the pictures.
struct CharacterDescription
{
    QString id; // folder and file name, e.g. "bubble"
    QString nameEnglish;
    QString nameJapanese;
    QString descriptionEnglish;
    QString descriptionJapanese;
    QString balloonText;
    QString balloonBackground;
    QString balloonBorder;
    QString voiceGender;
    int voicePitch = 100;
    int voiceSpeed = 160;
    double soundPitch = 1.0;
};

// Renders every frame of the character's animations, the mouth overlays, the
// tray icon and the sounds into `folder`, and writes the acs-pack manifest
// `<folder>/<id>.json`. Identical pictures are written once. Returns an error
// message, or an empty string on success.
QString writeCharacter(const Figure& figure, const CharacterDescription& description,
                       const QString& folder);

} // namespace clipvoice::characters
