#include "agent/desktop/EffectSoundOutput.h"

#include "agent/ui/ServiceSettings.h"
#include "agent/voice/SoundEffectLibrary.h"
#include "agent/voice/SoundEffectPlayer.h"

namespace clipvoice::agent::desktop {

EffectSoundOutput::EffectSoundOutput(std::unique_ptr<voice::SoundEffectLibrary> sounds,
                                     std::unique_ptr<voice::SoundEffectPlayer> player,
                                     const ui::ServiceSettings& settings)
    : m_sounds(std::move(sounds))
    , m_player(std::move(player))
    , m_settings(settings)
{
    connect(m_sounds.get(), &voice::SoundEffectLibrary::decoded, this,
            &EffectSoundOutput::onDecoded);
    connect(m_sounds.get(), &voice::SoundEffectLibrary::failed, this, [this](int soundIndex) {
        if (soundIndex == m_waitingFor)
            m_waitingFor = -1; // logged once by the library; the frame stays silent
    });
}

EffectSoundOutput::~EffectSoundOutput() = default;

bool EffectSoundOutput::enabled() const
{
    return m_settings.options().soundEffectsEnabled;
}

void EffectSoundOutput::play(int soundIndex)
{
    if (!enabled())
        return;
    if (const auto audio = m_sounds->ready(soundIndex)) {
        m_waitingFor = -1;
        m_player->play(*audio);
        return;
    }
    if (m_sounds->hasFailed(soundIndex))
        return;
    m_waitingFor = soundIndex;
    m_sounds->prepare(soundIndex);
}

void EffectSoundOutput::onDecoded(int soundIndex)
{
    if (soundIndex != m_waitingFor)
        return;
    m_waitingFor = -1;
    if (!enabled())
        return;
    if (const auto audio = m_sounds->ready(soundIndex))
        m_player->play(*audio);
}

void EffectSoundOutput::stopAll()
{
    m_waitingFor = -1;
    m_player->stop();
}

} // namespace clipvoice::agent::desktop
