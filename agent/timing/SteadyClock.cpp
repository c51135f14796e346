#include "agent/timing/SteadyClock.h"

#include <chrono>

namespace clipvoice::agent::timing {

qint64 SteadyClock::now() const
{
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count();
}

std::shared_ptr<const Clock> SteadyClock::shared()
{
    static const auto clock = std::make_shared<const SteadyClock>();
    return clock;
}

} // namespace clipvoice::agent::timing
