#pragma once

namespace clipvoice::platform {

// The source of chance of the program (which gesture to play) and of the
// character engine (branches, picks among a state's animations), injected so
// that tests can fix the outcome.
class RandomSource
{
public:
    virtual ~RandomSource() = default;

    // The next value r of the sequence, 0 <= r < 1.
    virtual float next() = 0;
    // A whole number in [0, upper); `upper` is at least 1.
    virtual int bounded(int upper) = 0;
    // Starts a new sequence seeded from the clock.
    virtual void reseedFromClock() = 0;
};

} // namespace clipvoice::platform
