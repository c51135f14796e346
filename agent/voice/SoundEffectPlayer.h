#pragma once

#include <QByteArray>
#include <QObject>

#include <memory>

#include "agent/timing/RepeatingTimer.h"
#include "agent/timing/Scheduler.h"
#include "agent/voice/AudioOutput.h"
#include "agent/voice/PcmAudio.h"

// Plays a decoded sound (a character's frame sound, see SoundEffectLibrary)
// through the same kind of output the speech uses. A new sound replaces one
// still playing.
namespace clipvoice::agent::voice {

class SoundEffectPlayer : public QObject
{
    Q_OBJECT

public:
    explicit SoundEffectPlayer(QObject* parent = nullptr); // AudioOutput::create()
    SoundEffectPlayer(std::unique_ptr<AudioOutput> output, QObject* parent = nullptr);
    // Watches the output on `scheduler` (Qt timers when null).
    SoundEffectPlayer(std::unique_ptr<AudioOutput> output,
                      std::shared_ptr<timing::Scheduler> scheduler, QObject* parent = nullptr);
    ~SoundEffectPlayer() override;

    // Sounds at another rate than the output's are converted first. False
    // (and nothing plays) for an empty sound.
    bool play(const PcmAudio& audio);
    void stop();
    bool isPlaying() const { return m_timer.isActive(); }
    AudioOutput& output() { return *m_output; }

signals:
    void finished();

private:
    void tick();

    std::shared_ptr<timing::Scheduler> m_scheduler;
    std::unique_ptr<AudioOutput> m_output;
    timing::RepeatingTimer m_timer;
};

} // namespace clipvoice::agent::voice
