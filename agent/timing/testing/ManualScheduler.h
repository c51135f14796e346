#pragma once

#include "agent/timing/Scheduler.h"

#include <atomic>
#include <functional>
#include <map>
#include <utility>

namespace clipvoice::agent::timing::testing {

// A clock that only moves when told to, for exact and instant tests. Tasks run
// on the thread that advances the clock; the clock may be read on any thread.
class ManualScheduler final : public Scheduler
{
public:
    qint64 now() const override { return m_now; }
    TaskId schedule(qint64 delayMs, std::function<void()> task) override;
    void cancel(TaskId id) override;

    // Moves the clock forward by `ms`, running on the way every task that falls
    // due, in time order (tasks due at the same time in the order scheduled),
    // including tasks scheduled meanwhile. Each task sees the clock at its due time.
    void advance(qint64 ms);
    // Runs the tasks due now.
    void runDue() { advance(0); }
    int pendingCount() const { return static_cast<int>(m_tasks.size()); }
    // The time until the next task, or -1 when none is waiting.
    qint64 nextDelay() const;

private:
    // Keyed by (due time, id): ids grow, so equal times keep scheduling order.
    std::map<std::pair<qint64, TaskId>, std::function<void()>> m_tasks;
    std::atomic<qint64> m_now = 0;
    TaskId m_nextId = 1;
};

} // namespace clipvoice::agent::timing::testing
