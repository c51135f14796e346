#include "agent/engine/testing/ScriptedRandom.h"

namespace clipvoice::agent::engine::testing {

int ScriptedRandom::bounded(int upper)
{
    ++m_draws;
    const int value = m_next < m_values.size() ? m_values.at(m_next++) : 0;
    return upper > 0 ? value % upper : 0;
}

void ScriptedRandom::setValues(QList<int> values)
{
    m_values = std::move(values);
    m_next = 0;
}

} // namespace clipvoice::agent::engine::testing
