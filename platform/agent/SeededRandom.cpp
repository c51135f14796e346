#include "platform/agent/SeededRandom.h"

#include <QRandomGenerator>

#include <chrono>
#include <cmath>

namespace clipvoice::platform {

SeededRandom::SeededRandom()
{
    reseedFromClock();
}

SeededRandom::SeededRandom(quint32 seed)
    : m_engine(seed)
{}

quint32 SeededRandom::systemSeed()
{
    return QRandomGenerator::system()->generate();
}

float SeededRandom::next()
{
    const double value = std::generate_canonical<double, 32>(m_engine);
    // Rounding to single precision may give 1; the sequence must stay below 1.
    const float r = static_cast<float>(value);
    return r < 1.0f ? r : std::nextafter(1.0f, 0.0f);
}

int SeededRandom::bounded(int upper)
{
    if (upper <= 1)
        return 0;
    // Rejection sampling: values from the incomplete last block are drawn again,
    // so every result in [0, upper) is equally likely.
    const auto range = static_cast<quint64>(upper);
    const quint64 span = quint64(std::mt19937::max()) + 1;
    const quint64 limit = span - span % range;
    quint64 value = 0;
    do {
        value = m_engine();
    } while (value >= limit);
    return static_cast<int>(value % range);
}

void SeededRandom::reseedFromClock()
{
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    m_engine.seed(static_cast<std::mt19937::result_type>(ticks));
}

} // namespace clipvoice::platform
