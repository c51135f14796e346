#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace clipvoice::platform::agent {

// The outcome of one call into the character service: a value, or the reason
// the call failed. Every operation of the service reports failure this way.
template <typename T> class [[nodiscard]] AgentResult
{
public:
    AgentResult(T value)
        : m_value(std::move(value))
    {}

    static AgentResult failure(QString error)
    {
        AgentResult result;
        result.m_error = std::move(error);
        return result;
    }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const { return *m_value; }
    T& value() { return *m_value; }
    const QString& error() const { return m_error; }

private:
    AgentResult() = default;

    std::optional<T> m_value;
    QString m_error;
};

// A call that gives nothing back but may fail.
struct Done
{};

using AgentStatus = AgentResult<Done>;

inline AgentStatus succeeded()
{
    return Done{};
}

} // namespace clipvoice::platform::agent
