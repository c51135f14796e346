#pragma once

#include <QtGlobal>

namespace clipvoice::agent::timing {

// A clock for measuring time. Code that keeps time reads one of these instead of
// the system clock, so tests can move time by hand. now() may be called from
// any thread.
class Clock
{
public:
    virtual ~Clock() = default;

    // Milliseconds since an arbitrary start; never goes backwards.
    virtual qint64 now() const = 0;
};

} // namespace clipvoice::agent::timing
