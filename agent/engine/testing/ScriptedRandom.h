#pragma once

#include "agent/engine/RandomSource.h"

#include <QList>

namespace clipvoice::agent::engine::testing {

// Gives the listed numbers in turn (each reduced below the bound asked for),
// then 0 once they are used up; counts the draws.
class ScriptedRandom final : public RandomSource
{
public:
    explicit ScriptedRandom(QList<int> values = {})
        : m_values(std::move(values))
    {}

    int bounded(int upper) override;

    void setValues(QList<int> values);
    int draws() const { return m_draws; }

private:
    QList<int> m_values;
    qsizetype m_next = 0;
    int m_draws = 0;
};

} // namespace clipvoice::agent::engine::testing
