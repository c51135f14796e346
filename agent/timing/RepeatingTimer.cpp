#include "agent/timing/RepeatingTimer.h"

#include <algorithm>
#include <utility>

namespace clipvoice::agent::timing {

void RepeatingTimer::start(qint64 intervalMs, std::function<void()> task)
{
    stop();
    m_task = std::move(task);
    m_intervalMs = std::max<qint64>(1, intervalMs);
    m_due = m_scheduler.now() + m_intervalMs;
    scheduleNext();
}

void RepeatingTimer::stop()
{
    if (m_id != 0) {
        m_scheduler.cancel(m_id);
        m_id = 0;
    }
}

void RepeatingTimer::scheduleNext()
{
    m_id = m_scheduler.schedule(m_due - m_scheduler.now(), [this] { tick(); });
}

void RepeatingTimer::tick()
{
    const qint64 now = m_scheduler.now();
    m_due += m_intervalMs;
    if (m_due < now) {
        m_due = now + m_intervalMs;
    }
    // The next tick is scheduled before the task runs, and this timer is not
    // touched afterwards: the task may stop or restart it, or destroy its owner
    // (and with it this timer and its task, hence the copy).
    const std::function<void()> task = m_task;
    scheduleNext();
    task();
}

} // namespace clipvoice::agent::timing
