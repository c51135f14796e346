#pragma once

#include "agent/timing/Scheduler.h"

#include <functional>

namespace clipvoice::agent::timing {

// Runs a task every interval on a Scheduler until stopped. It keeps to its beat
// as a repeating Qt timer does: a late tick does not delay the ones after it,
// and ticks missed altogether are dropped. Destroying it stops it, so an owner's
// task never outlives the owner.
class RepeatingTimer
{
public:
    explicit RepeatingTimer(Scheduler& scheduler)
        : m_scheduler(scheduler)
    {}
    ~RepeatingTimer() { stop(); }
    RepeatingTimer(const RepeatingTimer&) = delete;
    RepeatingTimer& operator=(const RepeatingTimer&) = delete;

    // The first tick comes `intervalMs` (at least 1) from now. Starting again
    // restarts the beat.
    void start(qint64 intervalMs, std::function<void()> task);
    void stop();
    bool isActive() const { return m_id != 0; }

private:
    void scheduleNext();
    void tick();

    Scheduler& m_scheduler;
    std::function<void()> m_task;
    qint64 m_intervalMs = 0;
    qint64 m_due = 0; // when the next tick is due
    Scheduler::TaskId m_id = 0;
};

} // namespace clipvoice::agent::timing
