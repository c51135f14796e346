#pragma once

#include "agent/timing/Clock.h"

#include <memory>

namespace clipvoice::agent::timing {

// The machine's monotonic clock.
class SteadyClock final : public Clock
{
public:
    qint64 now() const override;

    // One instance for everything that keeps time by the machine's clock.
    static std::shared_ptr<const Clock> shared();
};

} // namespace clipvoice::agent::timing
