#include "agent/voice/SoundEffectPlayer.h"

#include "agent/timing/QtScheduler.h"
#include "agent/voice/VoiceTypes.h"

namespace clipvoice::agent::voice {

namespace {

// How often the output is asked whether the sound has played out.
constexpr qint64 TickMs = 20;

} // namespace

SoundEffectPlayer::SoundEffectPlayer(QObject* parent)
    : SoundEffectPlayer(AudioOutput::create(), parent)
{}

SoundEffectPlayer::SoundEffectPlayer(std::unique_ptr<AudioOutput> output, QObject* parent)
    : SoundEffectPlayer(std::move(output), nullptr, parent)
{}

SoundEffectPlayer::SoundEffectPlayer(std::unique_ptr<AudioOutput> output,
                                     std::shared_ptr<timing::Scheduler> scheduler, QObject* parent)
    : QObject(parent)
    , m_scheduler(scheduler ? std::move(scheduler) : std::make_shared<timing::QtScheduler>())
    , m_output(output ? std::move(output) : std::make_unique<ClockOutput>(m_scheduler))
    , m_timer(*m_scheduler)
{}

SoundEffectPlayer::~SoundEffectPlayer()
{
    m_output->stop();
}

bool SoundEffectPlayer::play(const PcmAudio& audio)
{
    if (audio.sampleRate <= 0 || audio.samples.isEmpty())
        return false;
    stop();
    m_output->begin();
    if (audio.sampleRate == OutputSampleRate) {
        m_output->write(audio.samples);
    } else {
        Resampler resampler(audio.sampleRate, OutputSampleRate);
        m_output->write(resampler.process(audio.samples));
    }
    m_timer.start(TickMs, [this] { tick(); });
    return true;
}

void SoundEffectPlayer::stop()
{
    if (m_timer.isActive()) {
        m_timer.stop();
        m_output->stop();
    }
}

void SoundEffectPlayer::tick()
{
    if (m_output->playedMs() >= m_output->writtenMs()) {
        m_timer.stop();
        m_output->stop();
        emit finished();
    }
}

} // namespace clipvoice::agent::voice
