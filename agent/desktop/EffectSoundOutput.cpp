#include "agent/desktop/EffectSoundOutput.h"

#include "agent/ui/ServiceSettings.h"
#include "agent/voice/SoundEffectPlayer.h"

namespace clipvoice::agent::desktop {

EffectSoundOutput::EffectSoundOutput(std::unique_ptr<voice::SoundEffectPlayer> player,
                                     const ui::ServiceSettings& settings)
    : m_player(std::move(player))
    , m_settings(settings)
{}

EffectSoundOutput::~EffectSoundOutput() = default;

void EffectSoundOutput::play(const QByteArray& wave)
{
    if (m_settings.options().soundEffectsEnabled)
        m_player->play(wave); // a sound that is no PCM WAV file is skipped
}

void EffectSoundOutput::stopAll()
{
    m_player->stop();
}

} // namespace clipvoice::agent::desktop
