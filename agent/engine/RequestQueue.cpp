#include "agent/engine/RequestQueue.h"

#include "agent/engine/RequestObserver.h"

namespace clipvoice::agent::engine {

using platform::agent::RequestStatus;

void RequestQueue::enqueue(Request request)
{
    request->setStatus(RequestStatus::Pending);
    m_waiting.append(std::move(request));
}

RequestQueue::Request RequestQueue::startNext()
{
    if (m_current || m_waiting.isEmpty())
        return nullptr;
    m_current = m_waiting.takeFirst();
    m_current->setStatus(RequestStatus::InProgress);
    if (m_observer)
        m_observer->started(*m_current);
    return m_current;
}

void RequestQueue::finishCurrent(RequestStatus status)
{
    if (!m_current)
        return;
    const Request request = std::move(m_current);
    m_current.reset();
    end(request, status);
}

bool RequestQueue::dropWaiting(const EngineRequest* request)
{
    for (qsizetype i = 0; i < m_waiting.size(); ++i) {
        if (m_waiting.at(i).get() == request) {
            const Request dropped = m_waiting.takeAt(i);
            end(dropped, RequestStatus::Interrupted);
            return true;
        }
    }
    return false;
}

void RequestQueue::interruptAll()
{
    finishCurrent(RequestStatus::Interrupted);
    const QList<Request> dropped = std::exchange(m_waiting, {});
    for (const Request& request : dropped)
        end(request, RequestStatus::Interrupted);
}

void RequestQueue::end(const Request& request, RequestStatus status)
{
    request->setStatus(status);
    if (m_observer)
        m_observer->finished(*request, status);
}

} // namespace clipvoice::agent::engine
