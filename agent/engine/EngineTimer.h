#pragma once

#include "agent/timing/Scheduler.h"

#include <functional>

namespace clipvoice::agent::engine {

// A one-shot timer on a Scheduler. Starting it again replaces the waiting task,
// and destroying it cancels the task, so an owner's callbacks never outlive it.
class EngineTimer
{
public:
    explicit EngineTimer(timing::Scheduler& scheduler)
        : m_scheduler(scheduler)
    {}
    ~EngineTimer() { stop(); }
    EngineTimer(const EngineTimer&) = delete;
    EngineTimer& operator=(const EngineTimer&) = delete;

    void start(qint64 delayMs, std::function<void()> task);
    void stop();
    bool isActive() const { return m_id != 0; }

private:
    timing::Scheduler& m_scheduler;
    timing::Scheduler::TaskId m_id = 0;
};

} // namespace clipvoice::agent::engine
