#pragma once

#include <QString>

#include <functional>

namespace clipvoice::agent::engine {

// Saves what a character would say into a sound file, beside its requests.
//
// Contract for implementations: `finished` is called on the engine's thread,
// never from inside save() or cancel(), exactly once for every save that is not
// cancelled; after cancel() nothing more is told about that save.
class SpeechFileOutput
{
public:
    enum class Outcome
    {
        Saved,     // the file is complete under its name
        Cancelled, // the user cancelled it; no file was left
        Failed,    // it could not be made; the user was told why
    };
    using Finished = std::function<void(Outcome)>;

    virtual ~SpeechFileOutput() = default;

    // Starts saving `text`, said in the Windows language `languageId`, to the
    // file at `path`; returns the save's number, for cancel().
    virtual quint64 save(const QString& text, qint32 languageId, const QString& path,
                         Finished finished) = 0;
    virtual void cancel(quint64 save) = 0;
};

} // namespace clipvoice::agent::engine
