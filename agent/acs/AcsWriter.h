#pragma once

#include "Character.h"

#include <QByteArray>
#include <QString>

namespace clipvoice::agent::acs {

// Writes an Agent 2.0 character file from an in-memory character. Images are
// compressed unless storing them raw is smaller; region data likewise. The
// voice and balloon presence bits of the style flags are set from whether
// `voice` and `balloon` are present. Reading the written file gives back the
// same Character.
class AcsWriter
{
public:
    struct Result
    {
        QByteArray data;
        QString error; // empty on success
        bool ok() const { return error.isEmpty(); }
    };

    // Fails (without throwing) when a value does not fit the file layout, e.g.
    // more than 65535 frames, or pixels that do not match an image's size.
    static Result write(const Character& character);
    static bool writeFile(const Character& character, const QString& path, QString* error);
};

} // namespace clipvoice::agent::acs
