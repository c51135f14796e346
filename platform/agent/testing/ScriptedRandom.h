#pragma once

#include "platform/agent/RandomSource.h"

#include <QList>

#include <utility>

namespace clipvoice::platform::testing {

// A generator that gives the values the test queued, then 0 once they run out:
// next() takes from `fractions`, bounded() from `integers` (each reduced below
// the bound asked for). Counts the draws of either kind and the re-seeds.
class ScriptedRandom final : public RandomSource
{
public:
    ScriptedRandom() = default;
    explicit ScriptedRandom(QList<int> integerValues)
        : integers(std::move(integerValues))
    {}

    float next() override
    {
        ++draws;
        return fractions.isEmpty() ? 0.0f : fractions.takeFirst();
    }
    int bounded(int upper) override
    {
        ++draws;
        const int value = integers.isEmpty() ? 0 : integers.takeFirst();
        return upper > 0 ? value % upper : 0;
    }
    void reseedFromClock() override { ++reseeds; }

    QList<float> fractions;
    QList<int> integers;
    int draws = 0;
    int reseeds = 0;
};

} // namespace clipvoice::platform::testing
