#pragma once

#include "agent/engine/CharacterSource.h"
#include "agent/engine/SoundOutput.h"
#include "agent/engine/testing/EngineEventLog.h"

#include <memory>

namespace clipvoice::agent::engine::testing {

// Logs "sound <the sound's bytes as text>" (or "sound #<index>" without a
// character) and "sounds stopped".
class RecordingSoundOutput final : public SoundOutput
{
public:
    RecordingSoundOutput(std::shared_ptr<EngineEventLog> log, const CharacterSource* character)
        : m_log(std::move(log))
        , m_character(character)
    {}

    void play(int soundIndex) override
    {
        m_log->add(m_character ? QStringLiteral("sound ") +
                                     QString::fromLatin1(m_character->sound(soundIndex))
                               : QStringLiteral("sound #%1").arg(soundIndex));
    }
    void stopAll() override { m_log->add(QStringLiteral("sounds stopped")); }

private:
    std::shared_ptr<EngineEventLog> m_log;
    const CharacterSource* m_character;
};

} // namespace clipvoice::agent::engine::testing
