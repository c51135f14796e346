#pragma once

#include "platform/agent/AgentService.h"

namespace clipvoice::agent::engine {

class EngineRequest;

// Sees every request of the engine's characters start and end, for example to
// write "request 3 Speak started" and "request 3 done" to a trace. A request
// dropped before it started is only reported as finished (Interrupted). The
// calls come while the engine changes state: they must not call into it.
class RequestObserver
{
public:
    virtual ~RequestObserver() = default;

    virtual void started(const EngineRequest& request) = 0;
    virtual void finished(const EngineRequest& request, platform::agent::RequestStatus status) = 0;
};

} // namespace clipvoice::agent::engine
