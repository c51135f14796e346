#include "agent/engine/testing/EngineEventLog.h"

namespace clipvoice::agent::engine::testing {

QStringList EngineEventLog::starting(const QString& prefix) const
{
    QStringList found;
    for (const QString& line : m_lines) {
        if (line.startsWith(prefix))
            found.append(line);
    }
    return found;
}

} // namespace clipvoice::agent::engine::testing
