#include "agent/engine/testing/RecordingRequestObserver.h"

#include "agent/engine/EngineRequest.h"

namespace clipvoice::agent::engine::testing {

void RecordingRequestObserver::started(const EngineRequest& request)
{
    m_log->add(
        QStringLiteral("request %1 %2 started").arg(request.number()).arg(request.description()));
}

void RecordingRequestObserver::finished(const EngineRequest& request,
                                        platform::agent::RequestStatus status)
{
    m_log->add(QStringLiteral("request %1 %2")
                   .arg(request.number())
                   .arg(EngineRequest::statusName(status)));
}

} // namespace clipvoice::agent::engine::testing
