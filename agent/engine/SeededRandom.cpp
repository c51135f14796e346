#include "agent/engine/SeededRandom.h"

#include <QRandomGenerator>

namespace clipvoice::agent::engine {

SeededRandom::SeededRandom(quint32 seed)
    : m_engine(seed)
{}

quint32 SeededRandom::systemSeed()
{
    return QRandomGenerator::system()->generate();
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

} // namespace clipvoice::agent::engine
