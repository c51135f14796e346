#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

namespace clipvoice::agent::ui {

// A voice as the property sheet offers it.
struct VoiceOption
{
    QString key;   // what a choice stores ("RHVoice/Slt")
    QString label; // what the user sees
};

// The voices installed on this machine, as the property sheet needs them. The
// character service provides it; the sheet knows nothing of speech engines.
class VoiceDirectory
{
public:
    virtual ~VoiceDirectory() = default;

    // The language's name, e.g. "English (US)".
    virtual QString languageName(qint32 languageId) const = 0;
    // The voices for a language, the most natural (the default) first.
    virtual QList<VoiceOption> voices(qint32 languageId) const = 0;
    // Said under the voices when the language's default engine has voices of
    // one gender only, so characters of the other speak with them; empty
    // otherwise.
    virtual QString genderNote(qint32 languageId) const
    {
        Q_UNUSED(languageId);
        return {};
    }
    // Says a short sample in the language with the voice, at a rate and pitch
    // of the sheet's scales (-10 .. 10, 0 normal); a new preview or stop()
    // ends the one before.
    virtual void preview(qint32 languageId, const QString& key, int rate, int pitch) = 0;
    virtual void stopPreview() = 0;
};

} // namespace clipvoice::agent::ui
