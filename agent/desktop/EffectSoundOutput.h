#pragma once

#include "agent/engine/SoundOutput.h"

#include <memory>

namespace clipvoice::agent::voice {
class SoundEffectPlayer;
}
namespace clipvoice::agent::ui {
class ServiceSettings;
}

namespace clipvoice::agent::desktop {

// The sound effects of a character's frames, unless the user switched them off.
class EffectSoundOutput final : public engine::SoundOutput
{
public:
    EffectSoundOutput(std::unique_ptr<voice::SoundEffectPlayer> player,
                      const ui::ServiceSettings& settings);
    ~EffectSoundOutput() override;

    void play(const QByteArray& wave) override;
    void stopAll() override;

private:
    std::unique_ptr<voice::SoundEffectPlayer> m_player;
    const ui::ServiceSettings& m_settings;
};

} // namespace clipvoice::agent::desktop
