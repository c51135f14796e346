#pragma once

#include "agent/timing/Clock.h"

#include <QtGlobal>

#include <functional>

namespace clipvoice::agent::timing {

// A clock with one-shot timers. The engine and the voice layer never read the
// system clock or start Qt timers themselves, so tests can drive time by hand.
// Timers are started and cancelled on one thread, the one their tasks run on.
class Scheduler : public Clock
{
public:
    using TaskId = quint64;

    // Runs the task once, `delayMs` milliseconds from now. The task never runs
    // inside this call, not even with a delay of 0. Ids are never 0.
    virtual TaskId schedule(qint64 delayMs, std::function<void()> task) = 0;

    // Forgets a task that has not run yet; an id that has run, been cancelled or
    // is 0 is ignored.
    virtual void cancel(TaskId id) = 0;
};

} // namespace clipvoice::agent::timing
