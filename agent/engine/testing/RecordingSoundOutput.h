#pragma once

#include "agent/engine/SoundOutput.h"
#include "agent/engine/testing/EngineEventLog.h"

#include <memory>

namespace clipvoice::agent::engine::testing {

// Logs "sound <the wave's bytes as text>" and "sounds stopped".
class RecordingSoundOutput final : public SoundOutput
{
public:
    explicit RecordingSoundOutput(std::shared_ptr<EngineEventLog> log)
        : m_log(std::move(log))
    {}

    void play(const QByteArray& wave) override
    {
        m_log->add(QStringLiteral("sound ") + QString::fromLatin1(wave));
    }
    void stopAll() override { m_log->add(QStringLiteral("sounds stopped")); }

private:
    std::shared_ptr<EngineEventLog> m_log;
};

} // namespace clipvoice::agent::engine::testing
