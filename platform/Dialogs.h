#pragma once

#include <QString>

#include <optional>

namespace clipvoice::platform {

// A sound file the user chose to save speech to.
struct SaveTarget
{
    enum class Type
    {
        Wav,
        OggVorbis,
    };

    QString path; // ends in the type's extension (.wav; .ogg or .oga)
    Type type = Type::Wav;

    friend bool operator==(const SaveTarget&, const SaveTarget&) = default;
};

// Modal message boxes with a single OK button, and the file dialog for
// saving speech.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // Information icon; blocks until the user closes the box.
    virtual void information(const QString& title, const QString& text) = 0;
    // Error icon; blocks until the user closes the box.
    virtual void error(const QString& title, const QString& text) = 0;

    // Asks where to save speech, offering WAV and Ogg Vorbis files and
    // starting in `folder` (the user's choice when empty); blocks until the
    // user chose. None when cancelled. A name without one of the extensions
    // gets that of the chosen file type.
    virtual std::optional<SaveTarget> saveAudioFile(const QString& title,
                                                    const QString& folder) = 0;
};

} // namespace clipvoice::platform
