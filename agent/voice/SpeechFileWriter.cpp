#include "agent/voice/SpeechFileWriter.h"

#include "agent/voice/LineStream.h"
#include "agent/voice/SndfileOpen.h"
#include "agent/voice/VoiceLog.h"

#include <QFileInfo>
#include <QSaveFile>

#include <sndfile.h>

#include <chrono>
#include <thread>
#include <utility>

namespace clipvoice::agent::voice {

namespace {

using Result = SpeechFileWriter::Result;
using Failure = SpeechFileWriter::Failure;
using Outcome = SpeechFileWriter::Outcome;

// How often the writing thread looks for audio the synthesis thread made.
constexpr auto PollInterval = std::chrono::milliseconds(10);
// A WAV file's sizes are 32-bit: its samples stay well below 4 GiB (about
// twelve hours of speech). Longer speech fits an Ogg Vorbis file.
constexpr qint64 MaxWavFrames = (qint64{1} << 31) - (qint64{1} << 20);
// Audio taken from a line's stream at once: about ten seconds.
constexpr qsizetype TakeBytes = qsizetype{OutputSampleRate} * 2 * 10;

Result failed(Failure failure, const QString& detail)
{
    Result result;
    result.outcome = Outcome::Failed;
    result.failure = failure;
    result.detail = detail;
    return result;
}

Result cancelled()
{
    Result result;
    result.outcome = Outcome::Cancelled;
    return result;
}

// A libsndfile handle writing to an open file descriptor it does not own.
class SoundFile
{
public:
    SoundFile(int fd, AudioFileType type)
    {
        SF_INFO info{};
        info.samplerate = OutputSampleRate;
        info.channels = 1;
        info.format = type == AudioFileType::Wav ? (SF_FORMAT_WAV | SF_FORMAT_PCM_16)
                                                 : (SF_FORMAT_OGG | SF_FORMAT_VORBIS);
        m_file = openSndfile([&] { return sf_open_fd(fd, SFM_WRITE, &info, SF_FALSE); }, &m_error);
    }

    ~SoundFile()
    {
        if (m_file)
            sf_close(m_file);
    }

    SoundFile(const SoundFile&) = delete;
    SoundFile& operator=(const SoundFile&) = delete;

    bool isOpen() const { return m_file != nullptr; }
    const QString& error() const { return m_error; }

    // 16-bit samples in the machine's byte order (little-endian, as the
    // synthesis makes them, on every machine we build for).
    bool write(const QByteArray& pcm)
    {
        const sf_count_t frames = pcm.size() / 2;
        if (frames == 0)
            return true;
        const sf_count_t written =
            sf_write_short(m_file, reinterpret_cast<const short*>(pcm.constData()), frames);
        if (written != frames) {
            m_error = QString::fromLocal8Bit(sf_strerror(m_file));
            return false;
        }
        return true;
    }

    // Writes what the encoder still holds and the header's final sizes.
    bool close()
    {
        SNDFILE* file = std::exchange(m_file, nullptr);
        const int status = sf_close(file);
        if (status != 0) {
            m_error = QString::fromLocal8Bit(sf_error_number(status));
            return false;
        }
        return true;
    }

private:
    SNDFILE* m_file = nullptr;
    QString m_error;
};

// Takes the audio of one line as the synthesis thread makes it, handing it to
// `write`. Returns the line's final update (its audio already written).
LineStream::Update drainLine(LineStream& stream, const std::atomic_bool& cancel,
                             const std::function<bool(const QByteArray&)>& write, bool& writeFailed)
{
    for (;;) {
        LineStream::Update update = stream.take(TakeBytes);
        if (!update.audio.isEmpty() && !write(update.audio)) {
            writeFailed = true;
            return update;
        }
        if (update.finished || cancel.load())
            return update;
        if (update.audio.isEmpty())
            std::this_thread::sleep_for(PollInterval);
    }
}

} // namespace

std::optional<AudioFileType> audioFileTypeFor(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("wav"))
        return AudioFileType::Wav;
    if (suffix == QLatin1String("ogg") || suffix == QLatin1String("oga"))
        return AudioFileType::OggVorbis;
    return std::nullopt;
}

QStringList SpeechFileWriter::lines(const QString& text)
{
    QStringList result;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i <= size; ++i) {
        const bool end = i == size;
        const QChar c = end ? QChar() : text.at(i);
        if (!end && c != u'\n' && c != u'\r')
            continue;
        if (i > start)
            result.append(text.mid(start, i - start));
        if (!end && c == u'\r' && i + 1 < size && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    return result;
}

Result SpeechFileWriter::write(std::shared_ptr<const VoiceCatalog> catalog,
                               const QList<LineRequest>& lines, const QString& path,
                               const CancelFlag& cancel, const Progress& progress)
{
    const std::optional<AudioFileType> type = audioFileTypeFor(path);
    if (!type)
        return failed(Failure::UnknownType,
                      QStringLiteral("%1 does not end in .wav or .ogg").arg(path));
    qint64 total = 0;
    for (const LineRequest& line : lines)
        total += line.text.size();
    if (lines.isEmpty())
        return failed(Failure::NothingToSay, QStringLiteral("the text has no line to say"));

    // QSaveFile writes to a temporary file in the target's folder and renames
    // it over the target on commit; without commit the temporary file goes.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failed(Failure::CannotCreate, file.errorString());
    SoundFile sound(file.handle(), *type);
    if (!sound.isOpen()) {
        file.cancelWriting();
        return failed(Failure::CannotCreate, sound.error());
    }

    Result result;
    QString lastError;
    qint64 done = 0;
    if (progress)
        progress(0, total);
    bool tooLong = false;
    const auto write = [&](const QByteArray& pcm) {
        result.frames += pcm.size() / 2;
        if (*type == AudioFileType::Wav && result.frames > MaxWavFrames) {
            tooLong = true;
            return false;
        }
        return sound.write(pcm);
    };
    for (const LineRequest& line : lines) {
        if (cancel->load())
            return cancelled();
        auto stream = std::make_shared<LineStream>();
        LineSynthesis::start(catalog, line, stream, cancel);
        bool writeFailed = false;
        const LineStream::Update last = drainLine(*stream, *cancel, write, writeFailed);
        if (tooLong)
            return failed(Failure::TooLong, QStringLiteral("more than a WAV file can hold"));
        if (writeFailed)
            return failed(Failure::CannotWrite, sound.error());
        if (cancel->load())
            return cancelled();
        if (!last.ok) {
            // A line the voice cannot say is left out, as speaking goes on
            // with the next line.
            ++result.failedLines;
            lastError = last.error;
            qCWarning(lcVoice).noquote() << "a line was left out of" << path << ":" << last.error;
        }
        done += line.text.size();
        if (progress)
            progress(done, total);
    }

    if (result.frames == 0) {
        if (result.failedLines > 0)
            return failed(Failure::SynthesisFailed, lastError);
        return failed(Failure::NothingToSay, QStringLiteral("the text gave no speech"));
    }
    if (!sound.close())
        return failed(Failure::CannotWrite, sound.error());
    if (!file.commit()) {
        // commit() reports both a failed flush and a failed rename; the
        // target is unchanged either way.
        return failed(file.error() == QFileDevice::RenameError ? Failure::CannotReplace
                                                               : Failure::CannotWrite,
                      file.errorString());
    }
    result.outcome = Outcome::Saved;
    return result;
}

SpeechFileJob::SpeechFileJob(std::shared_ptr<const VoiceCatalog> catalog, QList<LineRequest> lines,
                             QString path, QObject* parent)
    : QObject(parent)
    , m_catalog(std::move(catalog))
    , m_lines(std::move(lines))
    , m_path(std::move(path))
{}

SpeechFileJob::~SpeechFileJob()
{
    m_cancel->store(true);
    if (m_thread.joinable())
        m_thread.join();
}

void SpeechFileJob::start()
{
    if (m_thread.joinable())
        return;
    m_thread = std::thread([this] {
        const SpeechFileWriter::Result result = SpeechFileWriter::write(
            m_catalog, m_lines, m_path, m_cancel,
            [this](qint64 done, qint64 total) { emit progress(done, total); });
        emit finished(result);
    });
}

void SpeechFileJob::cancel()
{
    m_cancel->store(true);
}

qint64 SpeechFileJob::totalCharacters() const
{
    qint64 total = 0;
    for (const LineRequest& line : m_lines)
        total += line.text.size();
    return total;
}

} // namespace clipvoice::agent::voice
