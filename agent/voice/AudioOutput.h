#pragma once

#include <QAudioDevice>
#include <QByteArray>
#include <QString>

#include <memory>

#include "agent/timing/Clock.h"
#include "agent/timing/SteadyClock.h"

// Where played audio goes: the sound device (Qt Multimedia's QAudioSink), a
// clock that only keeps time when there is no device, or a WAV file for tests.
// The outputs that keep time read a timing::Clock, the machine's unless given.
// All take 16-bit mono PCM at OutputSampleRate, are used on the user-interface
// thread, and do their work when asked for the position (the speaker asks on
// every tick of its timer).
class QAudioSink;
class QIODevice;

namespace clipvoice::agent::voice {

class AudioOutput
{
public:
    virtual ~AudioOutput() = default;

    // Starts a new stretch of audio; positions count from here. The previous
    // stretch must have been played out or stopped.
    virtual void begin() = 0;
    // Appends audio to the stretch.
    virtual void write(const QByteArray& pcm) = 0;
    // How much of the stretch has been heard, in ms. Also moves audio on.
    virtual qint64 playedMs() = 0;
    virtual qint64 writtenMs() const = 0;
    // Silences the output at once and drops everything not yet played.
    virtual void stop() = 0;
    // True between begin() and stop().
    virtual bool isActive() const = 0;
    // For logs and status text: "sound device ...", "no sound device", "WAV file ...".
    virtual QString description() const = 0;

    // The output for this machine: a WAV file when CLIPVOICE_AUDIO_FILE is set,
    // else the default sound device, else the clock.
    static std::unique_ptr<AudioOutput> create();
};

// Keeps time as if the audio were played, without playing it.
class ClockOutput : public AudioOutput
{
public:
    explicit ClockOutput(
        std::shared_ptr<const timing::Clock> clock = timing::SteadyClock::shared());

    void begin() override;
    void write(const QByteArray& pcm) override;
    qint64 playedMs() override;
    qint64 writtenMs() const override;
    void stop() override;
    bool isActive() const override { return m_active; }
    QString description() const override;

    // Continues a stretch of `totalBytes` of which `playedBytes` were heard,
    // with `unplayed` the audio still to come.
    void resume(qsizetype playedBytes, qsizetype totalBytes, const QByteArray& unplayed);

protected:
    // Called with each piece of audio as the clock passes over it.
    virtual void played(const QByteArray& pcm);

private:
    void advance();

    std::shared_ptr<const timing::Clock> m_clock;
    qint64 m_beganMs = 0;  // the clock's reading at begin()
    qint64 m_clockUs = 0;  // clock time already turned into played audio
    QByteArray m_unplayed; // written, not yet passed by the clock
    qsizetype m_playedBytes = 0;
    qsizetype m_writtenBytes = 0;
    bool m_active = false;
};

// Keeps time like ClockOutput and writes every played sample to a WAV file.
// Outputs naming the same file share it, appending in the order played. The
// header is rewritten after each write, so the file is valid at all times.
class WavFileOutput final : public ClockOutput
{
public:
    explicit WavFileOutput(
        QString path, std::shared_ptr<const timing::Clock> clock = timing::SteadyClock::shared());
    ~WavFileOutput() override;
    QString description() const override;

protected:
    void played(const QByteArray& pcm) override;

private:
    QString m_path;
};

// Plays through a sound device with QAudioSink. If the device cannot be opened
// or fails while playing, it carries on as a ClockOutput on `clock`.
class DeviceOutput final : public AudioOutput
{
public:
    explicit DeviceOutput(const QAudioDevice& device, std::shared_ptr<const timing::Clock> clock =
                                                          timing::SteadyClock::shared());
    ~DeviceOutput() override;

    void begin() override;
    void write(const QByteArray& pcm) override;
    qint64 playedMs() override;
    qint64 writtenMs() const override;
    void stop() override;
    bool isActive() const override;
    QString description() const override;

    // The sink, for tests and measurements; null once fallen back to the clock.
    QAudioSink* sink() const;
    bool hasFallenBack() const { return m_fallenBack; }

private:
    void feed();
    void fallBack(const QString& why);
    qsizetype playedBytes() const;

    QAudioDevice m_device;
    std::unique_ptr<QAudioSink> m_sink;
    QIODevice* m_io = nullptr;
    QByteArray m_pending; // written, not yet handed to the sink
    qsizetype m_writtenBytes = 0;
    qint64 m_baseUs = 0; // the sink's position when this stretch began
    bool m_active = false;
    bool m_fallenBack = false;
    ClockOutput m_clock;
};

} // namespace clipvoice::agent::voice
