#pragma once

#include "platform/RandomSource.h"

#include <QList>

namespace clipvoice::platform::testing {

// A generator that returns the values the test queued (0 once they run out)
// and counts the re-seeds.
class ScriptedRandom final : public RandomSource
{
public:
    float next() override
    {
        ++draws;
        return values.isEmpty() ? 0.0f : values.takeFirst();
    }
    void reseedFromClock() override { ++reseeds; }

    QList<float> values;
    int draws = 0;
    int reseeds = 0;
};

} // namespace clipvoice::platform::testing
