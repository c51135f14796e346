#include "agent/voice/AudioOutput.h"

#include "agent/voice/PcmAudio.h"
#include "agent/voice/VoiceTypes.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QFile>
#include <QHash>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QSet>

namespace clipvoice::agent::voice {

Q_LOGGING_CATEGORY(lcAudio, "clipvoice.voice.audio")

namespace {

QAudioFormat outputFormat()
{
    QAudioFormat format;
    format.setSampleRate(OutputSampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

// WAV files shared by the outputs that name them.
struct SharedWavFile
{
    QFile file;
    qsizetype dataBytes = 0;
    int users = 0;
};

QHash<QString, SharedWavFile*>& openWavFiles()
{
    static QHash<QString, SharedWavFile*> files;
    return files;
}

// Files already started in this run: later outputs append to them.
QSet<QString>& startedWavFiles()
{
    static QSet<QString> started;
    return started;
}

} // namespace

std::unique_ptr<AudioOutput> AudioOutput::create()
{
    const QString file = qEnvironmentVariable("CLIPVOICE_AUDIO_FILE");
    if (!file.isEmpty()) {
        return std::make_unique<WavFileOutput>(file);
    }
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        qCInfo(lcAudio) << "No sound device: speech keeps time without sound";
        return std::make_unique<ClockOutput>();
    }
    return std::make_unique<DeviceOutput>(device);
}

// ClockOutput

ClockOutput::ClockOutput(std::shared_ptr<const timing::Clock> clock)
    : m_clock(std::move(clock))
{}

void ClockOutput::begin()
{
    m_unplayed.clear();
    m_playedBytes = 0;
    m_writtenBytes = 0;
    m_clockUs = 0;
    m_beganMs = m_clock->now();
    m_active = true;
}

void ClockOutput::resume(qsizetype playedBytes, qsizetype totalBytes, const QByteArray& unplayed)
{
    begin();
    m_playedBytes = playedBytes;
    m_writtenBytes = totalBytes;
    m_unplayed = unplayed;
}

void ClockOutput::write(const QByteArray& pcm)
{
    if (!m_active) {
        begin();
    }
    m_unplayed.append(pcm);
    m_writtenBytes += pcm.size();
}

void ClockOutput::advance()
{
    if (!m_active) {
        return;
    }
    const qint64 nowUs = (m_clock->now() - m_beganMs) * 1000;
    const qint64 bytesDue = ((nowUs - m_clockUs) * OutputSampleRate / 1000000) * 2;
    if (bytesDue <= 0) {
        return;
    }
    const qsizetype bytes =
        std::min<qsizetype>(static_cast<qsizetype>(bytesDue), m_unplayed.size());
    // Time that passes with nothing to play is lost, as on a real device that
    // runs dry: the clock starts again from the next audio written.
    m_clockUs =
        bytes < bytesDue ? nowUs : m_clockUs + qint64{bytes / 2} * 1000000 / OutputSampleRate;
    if (bytes > 0) {
        played(m_unplayed.left(bytes));
        m_unplayed.remove(0, bytes);
        m_playedBytes += bytes;
    }
}

qint64 ClockOutput::playedMs()
{
    advance();
    return PcmAudio::durationMs(m_playedBytes, OutputSampleRate);
}

qint64 ClockOutput::writtenMs() const
{
    return PcmAudio::durationMs(m_writtenBytes, OutputSampleRate);
}

void ClockOutput::stop()
{
    m_unplayed.clear();
    m_writtenBytes = m_playedBytes;
    m_active = false;
}

QString ClockOutput::description() const
{
    return QStringLiteral("no sound device");
}

void ClockOutput::played(const QByteArray&) {}

// WavFileOutput

WavFileOutput::WavFileOutput(QString path, std::shared_ptr<const timing::Clock> clock)
    : ClockOutput(std::move(clock))
    , m_path(std::move(path))
{
    SharedWavFile*& shared = openWavFiles()[m_path];
    if (!shared) {
        shared = new SharedWavFile;
        shared->file.setFileName(m_path);
        const bool append = startedWavFiles().contains(m_path);
        if (append && shared->file.open(QIODevice::ReadWrite)) {
            shared->dataBytes = std::max<qsizetype>(0, shared->file.size() - 44);
            shared->file.seek(shared->file.size());
        } else if (shared->file.open(QIODevice::ReadWrite | QIODevice::Truncate)) {
            shared->file.write(WavCodec::header(0, OutputSampleRate));
            shared->file.flush();
        } else {
            qCWarning(lcAudio) << "Cannot write audio file" << m_path << shared->file.errorString();
        }
        startedWavFiles().insert(m_path);
    }
    ++shared->users;
}

WavFileOutput::~WavFileOutput()
{
    auto& files = openWavFiles();
    SharedWavFile* shared = files.value(m_path);
    if (shared && --shared->users == 0) {
        shared->file.close();
        delete shared;
        files.remove(m_path);
    }
}

QString WavFileOutput::description() const
{
    return QStringLiteral("WAV file %1").arg(m_path);
}

void WavFileOutput::played(const QByteArray& pcm)
{
    SharedWavFile* shared = openWavFiles().value(m_path);
    if (!shared || !shared->file.isOpen()) {
        return;
    }
    QFile& file = shared->file;
    file.seek(44 + shared->dataBytes);
    file.write(pcm);
    shared->dataBytes += pcm.size();
    const QByteArray header = WavCodec::header(shared->dataBytes, OutputSampleRate);
    file.seek(0);
    file.write(header);
    file.flush();
}

// DeviceOutput

DeviceOutput::DeviceOutput(const QAudioDevice& device, std::shared_ptr<const timing::Clock> clock)
    : m_device(device)
    , m_clock(std::move(clock))
{}

DeviceOutput::~DeviceOutput()
{
    if (m_sink) {
        m_sink->reset();
        m_sink->stop();
    }
}

QAudioSink* DeviceOutput::sink() const
{
    return m_fallenBack ? nullptr : m_sink.get();
}

void DeviceOutput::fallBack(const QString& why)
{
    qCWarning(lcAudio) << "Sound device failed (" << why << "): speech keeps time without sound";
    const qsizetype played = m_sink ? playedBytes() : 0;
    const qsizetype handed = m_writtenBytes - m_pending.size();
    m_fallenBack = true;
    if (m_sink) {
        m_sink->reset();
        m_sink->stop();
        m_sink.reset();
    }
    m_io = nullptr;
    if (m_active) {
        // What the device took but never played still takes its time.
        m_clock.resume(played, m_writtenBytes,
                       QByteArray(std::max<qsizetype>(0, handed - played), '\0') + m_pending);
    }
    m_pending.clear();
}

namespace {
// How much audio the sound server holds ahead of what it plays.
constexpr int kSinkBufferMs = 120;
} // namespace

void DeviceOutput::begin()
{
    m_active = true;
    m_pending.clear();
    m_writtenBytes = 0;
    if (m_fallenBack) {
        m_clock.begin();
        return;
    }
    if (!m_sink) {
        const QAudioFormat format = outputFormat();
        if (!m_device.isFormatSupported(format)) {
            fallBack(QStringLiteral("format not supported"));
            m_clock.begin();
            return;
        }
        m_sink = std::make_unique<QAudioSink>(m_device, format);
        // A small buffer makes a line heard as soon as its first audio is
        // ready; the sound server's default would delay it by about a second.
        m_sink->setBufferSize(static_cast<qsizetype>(OutputSampleRate) * 2 * kSinkBufferMs / 1000);
    }
    // A stream left open by the previous stretch is reused: opening a new one
    // costs the sound server's start-up delay on every line.
    if (m_io && m_sink->state() != QAudio::StoppedState && m_sink->error() == QAudio::NoError) {
        m_baseUs = m_sink->processedUSecs();
        return;
    }
    m_sink->stop();
    m_baseUs = 0;
    m_io = m_sink->start();
    if (!m_io || m_sink->error() != QAudio::NoError) {
        fallBack(QStringLiteral("cannot open"));
    }
}

void DeviceOutput::write(const QByteArray& pcm)
{
    if (m_fallenBack) {
        m_clock.write(pcm);
        return;
    }
    if (!m_active) {
        begin();
        if (m_fallenBack) {
            m_clock.write(pcm);
            return;
        }
    }
    m_pending.append(pcm);
    m_writtenBytes += pcm.size();
    feed();
}

void DeviceOutput::feed()
{
    while (m_io && !m_pending.isEmpty()) {
        const qsizetype room = m_sink->bytesFree();
        if (room <= 0) {
            break;
        }
        const qint64 written = m_io->write(m_pending.constData(), std::min(room, m_pending.size()));
        if (written <= 0) {
            break;
        }
        m_pending.remove(0, static_cast<qsizetype>(written));
    }
}

qsizetype DeviceOutput::playedBytes() const
{
    // processedUSecs() is the position the sound server has played to.
    const qsizetype handed = m_writtenBytes - m_pending.size();
    if (m_pending.isEmpty() && m_sink->state() == QAudio::IdleState) {
        return handed;
    }
    const qint64 processed = (m_sink->processedUSecs() - m_baseUs) * OutputSampleRate / 1000000 * 2;
    return std::clamp<qsizetype>(static_cast<qsizetype>(processed), 0, handed);
}

qint64 DeviceOutput::playedMs()
{
    if (m_fallenBack) {
        return m_clock.playedMs();
    }
    if (!m_active || !m_sink) {
        return writtenMs();
    }
    feed();
    const QAudio::Error error = m_sink->error();
    if (error == QAudio::OpenError || error == QAudio::IOError || error == QAudio::FatalError) {
        fallBack(QStringLiteral("error %1").arg(int{error}));
        return m_clock.playedMs();
    }
    return PcmAudio::durationMs(playedBytes(), OutputSampleRate);
}

qint64 DeviceOutput::writtenMs() const
{
    if (m_fallenBack) {
        return m_clock.writtenMs();
    }
    return PcmAudio::durationMs(m_writtenBytes, OutputSampleRate);
}

void DeviceOutput::stop()
{
    m_active = false;
    m_pending.clear();
    m_writtenBytes = 0;
    if (m_fallenBack) {
        m_clock.stop();
        return;
    }
    if (m_sink) {
        // reset() drops what the device still holds; stop() then releases it.
        m_sink->reset();
        m_sink->stop();
    }
    m_io = nullptr;
}

bool DeviceOutput::isActive() const
{
    return m_fallenBack ? m_clock.isActive() : m_active;
}

QString DeviceOutput::description() const
{
    if (m_fallenBack) {
        return m_clock.description();
    }
    return QStringLiteral("sound device %1").arg(m_device.description());
}

} // namespace clipvoice::agent::voice
