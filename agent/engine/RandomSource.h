#pragma once

namespace clipvoice::agent::engine {

// The engine's source of chance (branches, picks among a state's animations),
// injected so that tests can fix the outcome.
class RandomSource
{
public:
    virtual ~RandomSource() = default;

    // A whole number in [0, upper); `upper` is at least 1.
    virtual int bounded(int upper) = 0;
};

} // namespace clipvoice::agent::engine
