#pragma once

#include "platform/agent/RandomSource.h"

#include <QtGlobal>

#include <random>

namespace clipvoice::platform {

// A Mersenne Twister (std::mt19937), the generator of the program and of the
// character engine. The same seed gives the same numbers: the generator's output
// is fixed by the C++ standard, bounded() reduces it to a range here, and next()
// takes one draw to [0, 1) with std::generate_canonical.
class SeededRandom final : public RandomSource
{
public:
    // Seeded from the clock, as by reseedFromClock().
    SeededRandom();
    explicit SeededRandom(quint32 seed);

    // A seed from the operating system.
    static quint32 systemSeed();

    float next() override;
    int bounded(int upper) override;
    void reseedFromClock() override;

private:
    std::mt19937 m_engine;
};

} // namespace clipvoice::platform
