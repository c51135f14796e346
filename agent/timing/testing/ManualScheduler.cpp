#include "agent/timing/testing/ManualScheduler.h"

#include <algorithm>

namespace clipvoice::agent::timing::testing {

Scheduler::TaskId ManualScheduler::schedule(qint64 delayMs, std::function<void()> task)
{
    const TaskId id = m_nextId++;
    m_tasks.emplace(std::make_pair(m_now + std::max<qint64>(0, delayMs), id), std::move(task));
    return id;
}

void ManualScheduler::cancel(TaskId id)
{
    for (auto it = m_tasks.begin(); it != m_tasks.end(); ++it) {
        if (it->first.second == id) {
            m_tasks.erase(it);
            return;
        }
    }
}

void ManualScheduler::advance(qint64 ms)
{
    const qint64 target = m_now + std::max<qint64>(0, ms);
    while (!m_tasks.empty() && m_tasks.begin()->first.first <= target) {
        auto first = m_tasks.begin();
        m_now = first->first.first;
        // Taken out before it runs: the task may schedule or cancel others.
        std::function<void()> task = std::move(first->second);
        m_tasks.erase(first);
        task();
    }
    m_now = target;
}

qint64 ManualScheduler::nextDelay() const
{
    return m_tasks.empty() ? -1 : m_tasks.begin()->first.first - m_now;
}

} // namespace clipvoice::agent::timing::testing
