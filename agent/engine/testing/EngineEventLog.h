#pragma once

#include <QString>
#include <QStringList>

namespace clipvoice::agent::engine::testing {

// One timeline shared by the recording views, fake voice and observer, so tests
// can check the order in which the engine did things across all of them.
class EngineEventLog
{
public:
    void add(const QString& line) { m_lines.append(line); }
    const QStringList& lines() const { return m_lines; }
    // The lines so far, which are then forgotten.
    QStringList take() { return std::exchange(m_lines, {}); }
    // The lines that start with the prefix.
    QStringList starting(const QString& prefix) const;
    void clear() { m_lines.clear(); }

private:
    QStringList m_lines;
};

} // namespace clipvoice::agent::engine::testing
