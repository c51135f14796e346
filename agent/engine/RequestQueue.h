#pragma once

#include "agent/engine/EngineRequest.h"

#include <QList>

#include <memory>

namespace clipvoice::agent::engine {

class RequestObserver;

// One character's requests: the one being performed and the ones waiting, in
// the order issued. Keeps their statuses and tells the observer.
class RequestQueue
{
public:
    using Request = std::shared_ptr<EngineRequest>;

    explicit RequestQueue(RequestObserver* observer = nullptr)
        : m_observer(observer)
    {}

    void enqueue(Request request);

    const Request& current() const { return m_current; }
    bool hasWaiting() const { return !m_waiting.isEmpty(); }
    const QList<Request>& waiting() const { return m_waiting; }

    // Makes the first waiting request the current one (InProgress); null when
    // none is waiting or one is current already.
    Request startNext();
    // Ends the current request with the status.
    void finishCurrent(platform::agent::RequestStatus status);
    // Drops a waiting request (Interrupted); false when it is not waiting.
    bool dropWaiting(const EngineRequest* request);
    // Ends the current request and drops every waiting one, all Interrupted.
    void interruptAll();

private:
    void end(const Request& request, platform::agent::RequestStatus status);

    RequestObserver* m_observer;
    Request m_current;
    QList<Request> m_waiting;
};

} // namespace clipvoice::agent::engine
