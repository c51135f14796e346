#pragma once

#include "platform/agent/AgentCallFormat.h"

#include <QString>

#include <optional>

namespace clipvoice::platform::agent {

// Sees every call that passes through an ObservedAgentService.
class AgentCallObserver
{
public:
    virtual ~AgentCallObserver() = default;

    // Asked before a call is passed on. A reason makes the call fail with that
    // reason without reaching the service behind.
    virtual std::optional<QString> refuse(const AgentCall& /*call*/) { return std::nullopt; }

    // Told every call once its outcome is known, and every event, in order.
    virtual void observe(const AgentCall& call) = 0;
};

} // namespace clipvoice::platform::agent
