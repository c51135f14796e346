#pragma once

namespace clipvoice::platform {

// The program's pseudo-random generator.
class RandomSource
{
public:
    virtual ~RandomSource() = default;

    // The next value r of the sequence, 0 <= r < 1.
    virtual float next() = 0;
    // Starts a new sequence seeded from the clock.
    virtual void reseedFromClock() = 0;
};

} // namespace clipvoice::platform
