#pragma once

#include "agent/acs/Character.h"

#include <QString>
#include <QStringList>

// Reads an acs-pack manifest (see README.md) and builds the character it
// describes: PNG frames quantised to the character palette, WAV sounds, states,
// names, balloon, voice and tray icon.
class Manifest
{
public:
    struct Result
    {
        clipvoice::agent::acs::Character character;
        QString output; // output path named by the manifest, if any
        QString error;  // empty on success
        QStringList warnings;
    };

    static Result load(const QString& path);
};
