#pragma once

#include "agent/engine/CharacterView.h"
#include "agent/engine/testing/EngineEventLog.h"

#include <memory>

namespace clipvoice::agent::engine::testing {

// Logs "frame <key>" (the key MemoryCharacterSource gives the image, or the
// image size), "view shown", "view hidden" and "commands <name,...>".
class RecordingCharacterView final : public CharacterView
{
public:
    explicit RecordingCharacterView(std::shared_ptr<EngineEventLog> log)
        : m_log(std::move(log))
    {}

    void showFrame(const QImage& frame) override;
    void setVisible(bool visible) override;
    void setCommands(const QList<CommandEntry>& commands) override;

private:
    std::shared_ptr<EngineEventLog> m_log;
};

} // namespace clipvoice::agent::engine::testing
