#include "agent/engine/EngineTimer.h"

#include <utility>

namespace clipvoice::agent::engine {

void EngineTimer::start(qint64 delayMs, std::function<void()> task)
{
    stop();
    // The id is cleared before the task runs: the task may restart this timer,
    // or destroy its owner (and with it this timer).
    m_id = m_scheduler.schedule(delayMs, [this, task = std::move(task)] {
        m_id = 0;
        task();
    });
}

void EngineTimer::stop()
{
    if (m_id != 0) {
        m_scheduler.cancel(m_id);
        m_id = 0;
    }
}

} // namespace clipvoice::agent::engine
