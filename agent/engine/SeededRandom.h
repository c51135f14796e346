#pragma once

#include "agent/engine/RandomSource.h"

#include <QtGlobal>

#include <random>

namespace clipvoice::agent::engine {

// A Mersenne Twister (std::mt19937) with a given seed. The same seed gives the
// same numbers with every compiler and standard library: the generator's output
// is fixed by the C++ standard and the reduction to a range is done here.
class SeededRandom final : public RandomSource
{
public:
    explicit SeededRandom(quint32 seed);

    // Seeded from the operating system.
    static quint32 systemSeed();

    int bounded(int upper) override;

private:
    std::mt19937 m_engine;
};

} // namespace clipvoice::agent::engine
