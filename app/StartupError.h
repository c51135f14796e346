#pragma once

#include <QString>

#include <stdexcept>

namespace clipvoice::app {

// A start-up step that cannot be completed. Start-up is abandoned: the window is
// never shown, and the message is reported to the user and on standard error.
class StartupError : public std::runtime_error
{
public:
    explicit StartupError(const QString& message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {}

    const QString& message() const { return m_message; }

private:
    QString m_message;
};

} // namespace clipvoice::app
