#pragma once

#include "platform/RandomSource.h"

#include <random>

namespace clipvoice::platform {

// A uniform generator on [0, 1), seeded from the clock.
class ClockSeededRandom final : public RandomSource
{
public:
    ClockSeededRandom();

    float next() override;
    void reseedFromClock() override;

private:
    std::mt19937 m_engine;
};

} // namespace clipvoice::platform
