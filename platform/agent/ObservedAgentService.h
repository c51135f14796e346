#pragma once

#include "platform/agent/AgentCallObserver.h"
#include "platform/agent/AgentService.h"

#include <memory>

namespace clipvoice::platform::agent {

// Passes every call on to another service and tells an observer about each call,
// its arguments and its outcome. The characters it hands out and the requests
// they return are wrapped the same way, so calls on them are seen too, even
// after this service is gone.
//
// Requests are numbered 1, 2, 3, ... in the order this service hands them out
// (every successful Characters.Load, Show, Hide, Play, Speak and Think), and a
// Stop of a request is logged with that number: Stop(3) stops the third.
//
// The inner service's Command event is told to the observer as an event and
// raised again by this service.
class ObservedAgentService : public AgentService
{
public:
    ObservedAgentService(std::unique_ptr<AgentService> inner,
                         std::shared_ptr<AgentCallObserver> observer, QObject* parent = nullptr);
    ~ObservedAgentService() override;

    AgentCharacters& characters() override;
    AgentStatus setPropertySheetVisible(bool visible) override;

    AgentService& inner() const { return *m_inner; }

    // The number under which a request of this kind of service was logged; 0 for
    // a request that did not come through one.
    static qint64 requestNumber(const RequestPtr& request);

private:
    struct Shared;
    class Character;
    class Characters;

    std::unique_ptr<AgentService> m_inner;
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<Characters> m_characters;
};

} // namespace clipvoice::platform::agent
