#include "platform/qt/ClockSeededRandom.h"

#include <chrono>
#include <cmath>

namespace clipvoice::platform {

ClockSeededRandom::ClockSeededRandom()
{
    reseedFromClock();
}

float ClockSeededRandom::next()
{
    const double value = std::generate_canonical<double, 32>(m_engine);
    // Rounding to single precision may give 1; the sequence must stay below 1.
    const float r = static_cast<float>(value);
    return r < 1.0f ? r : std::nextafter(1.0f, 0.0f);
}

void ClockSeededRandom::reseedFromClock()
{
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    m_engine.seed(static_cast<std::mt19937::result_type>(ticks));
}

} // namespace clipvoice::platform
