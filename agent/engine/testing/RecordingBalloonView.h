#pragma once

#include "agent/engine/BalloonView.h"
#include "agent/engine/testing/EngineEventLog.h"

#include <memory>

namespace clipvoice::agent::engine::testing {

// Logs "balloon speech <text>", "balloon reveal <offset>", "balloon thought
// <text>" and "balloon hidden".
class RecordingBalloonView final : public BalloonView
{
public:
    explicit RecordingBalloonView(std::shared_ptr<EngineEventLog> log)
        : m_log(std::move(log))
    {}

    void showSpeech(const QString& text) override;
    void revealUpTo(int offset) override;
    void showThought(const QString& text) override;
    void hide() override;

private:
    std::shared_ptr<EngineEventLog> m_log;
};

} // namespace clipvoice::agent::engine::testing
