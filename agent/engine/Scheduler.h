#pragma once

#include <QtGlobal>

#include <functional>

namespace clipvoice::agent::engine {

// The engine's clock and one-shot timers. The engine never reads the system clock
// or starts Qt timers itself, so tests can drive time by hand.
class Scheduler
{
public:
    using TaskId = quint64;

    virtual ~Scheduler() = default;

    // Milliseconds since an arbitrary start; never goes backwards.
    virtual qint64 now() const = 0;

    // Runs the task once, `delayMs` milliseconds from now. The task never runs
    // inside this call, not even with a delay of 0. Ids are never 0.
    virtual TaskId schedule(qint64 delayMs, std::function<void()> task) = 0;

    // Forgets a task that has not run yet; an id that has run, been cancelled or
    // is 0 is ignored.
    virtual void cancel(TaskId id) = 0;
};

} // namespace clipvoice::agent::engine
