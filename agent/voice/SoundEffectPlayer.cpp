#include "agent/voice/SoundEffectPlayer.h"

#include "agent/voice/PcmAudio.h"
#include "agent/voice/VoiceTypes.h"

namespace clipvoice::agent::voice {

SoundEffectPlayer::SoundEffectPlayer(QObject* parent)
    : SoundEffectPlayer(AudioOutput::create(), parent)
{}

SoundEffectPlayer::SoundEffectPlayer(std::unique_ptr<AudioOutput> output, QObject* parent)
    : QObject(parent)
    , m_output(output ? std::move(output) : std::make_unique<ClockOutput>())
{
    m_timer.setInterval(20);
    connect(&m_timer, &QTimer::timeout, this, &SoundEffectPlayer::tick);
}

SoundEffectPlayer::~SoundEffectPlayer()
{
    m_output->stop();
}

bool SoundEffectPlayer::play(const QByteArray& wav, QString* error)
{
    const PcmAudio audio = WavCodec::decode(wav, error);
    if (audio.sampleRate <= 0) {
        return false;
    }
    stop();
    Resampler resampler(audio.sampleRate, OutputSampleRate);
    m_output->begin();
    m_output->write(resampler.process(audio.samples));
    m_timer.start();
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
