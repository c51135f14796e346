#pragma once

#include "agent/engine/SoundOutput.h"

#include <QObject>

#include <memory>

namespace clipvoice::agent::voice {
class SoundEffectLibrary;
class SoundEffectPlayer;
} // namespace clipvoice::agent::voice
namespace clipvoice::agent::ui {
class ServiceSettings;
}

namespace clipvoice::agent::desktop {

// The sound effects of a character's frames, unless the user switched them
// off. A sound is decoded off the window's thread the first time it is
// played, and plays as soon as it is ready, unless another sound was asked
// for or the sounds were stopped meanwhile.
class EffectSoundOutput final : public QObject, public engine::SoundOutput
{
    Q_OBJECT

public:
    EffectSoundOutput(std::unique_ptr<voice::SoundEffectLibrary> sounds,
                      std::unique_ptr<voice::SoundEffectPlayer> player,
                      const ui::ServiceSettings& settings);
    ~EffectSoundOutput() override;

    void play(int soundIndex) override;
    void stopAll() override;

    voice::SoundEffectLibrary& sounds() { return *m_sounds; }
    voice::SoundEffectPlayer& player() { return *m_player; }

private:
    void onDecoded(int soundIndex);
    bool enabled() const;

    std::unique_ptr<voice::SoundEffectLibrary> m_sounds;
    std::unique_ptr<voice::SoundEffectPlayer> m_player;
    const ui::ServiceSettings& m_settings;
    int m_waitingFor = -1; // the sound asked for last, while it is decoded
};

} // namespace clipvoice::agent::desktop
