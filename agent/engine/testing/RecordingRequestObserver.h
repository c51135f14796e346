#pragma once

#include "agent/engine/RequestObserver.h"
#include "agent/engine/testing/EngineEventLog.h"

#include <memory>

namespace clipvoice::agent::engine::testing {

// Logs "request <n> <description> started" and "request <n> <status>".
class RecordingRequestObserver final : public RequestObserver
{
public:
    explicit RecordingRequestObserver(std::shared_ptr<EngineEventLog> log)
        : m_log(std::move(log))
    {}

    void started(const EngineRequest& request) override;
    void finished(const EngineRequest& request, platform::agent::RequestStatus status) override;

private:
    std::shared_ptr<EngineEventLog> m_log;
};

} // namespace clipvoice::agent::engine::testing
