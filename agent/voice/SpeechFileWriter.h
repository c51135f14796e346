#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "agent/voice/LineSynthesis.h"
#include "agent/voice/VoiceCatalog.h"
#include "agent/voice/VoiceTypes.h"

// Saves speech to a sound file: the lines of a text, said one after the other
// exactly as the speaker would play them (16-bit mono at OutputSampleRate),
// encoded by libsndfile. The file appears under its name only once it is
// complete: the audio goes to a temporary file beside it, which replaces the
// target at the end, so a cancelled or failed save leaves no half-written file
// and an existing file is untouched until then.
namespace clipvoice::agent::voice {

enum class AudioFileType
{
    Wav,       // 16-bit PCM
    OggVorbis, // Vorbis in an Ogg container
};

// The type a file name asks for by its extension (.wav; .ogg or .oga), in any
// letter case; none for other names.
std::optional<AudioFileType> audioFileTypeFor(const QString& path);

class SpeechFileWriter
{
public:
    enum class Outcome
    {
        Saved,
        Cancelled,
        Failed,
    };

    // Why a save failed, for a message the user can act on.
    enum class Failure
    {
        None,
        NothingToSay,   // no line of the text gave any audio
        UnknownType,    // the file name has no extension we can write
        CannotCreate,   // the folder is missing or not writable
        CannotWrite,    // writing failed part way (for example the disk is full)
        CannotReplace,  // the finished file could not take the target's name
        TooLong,        // more speech than a WAV file holds (4 GiB)
        SynthesisFailed // the voice failed on every line
    };

    struct Result
    {
        Outcome outcome = Outcome::Failed;
        Failure failure = Failure::None;
        QString detail;      // the system's or engine's reason, in English
        qint64 frames = 0;   // samples written (one channel)
        int failedLines = 0; // lines the voice could not say (left out)
    };

    // Characters of the text done so far, of `total`; called on the writing
    // thread after each line.
    using Progress = std::function<void(qint64 done, qint64 total)>;

    // The lines speaking says one after the other: the pieces between line
    // breaks (CR LF, LF or a lone CR), empty ones left out.
    static QStringList lines(const QString& text);

    // Writes the lines to `path`, the type following its extension. Runs on the
    // calling thread, which must not be the synthesis thread: each line is
    // synthesised there (the engines are not thread-safe) while this thread
    // takes its audio and encodes it. Returns Cancelled soon after `cancel` is
    // set; the temporary file is then gone.
    static Result write(std::shared_ptr<const VoiceCatalog> catalog,
                        const QList<LineRequest>& lines, const QString& path,
                        const CancelFlag& cancel, const Progress& progress = {});
};

// One save on a thread of its own, for the user-interface thread: its signals
// arrive there through the event loop. Deleting the job cancels the save and
// waits for its thread.
class SpeechFileJob final : public QObject
{
    Q_OBJECT

public:
    SpeechFileJob(std::shared_ptr<const VoiceCatalog> catalog, QList<LineRequest> lines,
                  QString path, QObject* parent = nullptr);
    ~SpeechFileJob() override;

    void start();
    // Asks the save to end; finished(Cancelled) follows unless it was done.
    void cancel();

    const QString& path() const { return m_path; }
    qint64 totalCharacters() const;

signals:
    void progress(qint64 done, qint64 total);
    void finished(const clipvoice::agent::voice::SpeechFileWriter::Result& result);

private:
    std::shared_ptr<const VoiceCatalog> m_catalog;
    QList<LineRequest> m_lines;
    QString m_path;
    CancelFlag m_cancel = makeCancelFlag();
    std::thread m_thread;
};

} // namespace clipvoice::agent::voice

Q_DECLARE_METATYPE(clipvoice::agent::voice::SpeechFileWriter::Result)
