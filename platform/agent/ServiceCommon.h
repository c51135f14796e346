#pragma once

#include "platform/agent/AgentService.h"

#include <QString>

#include <optional>

// Pieces every implementation of the character service shares, so that they
// fail with the same messages.
namespace clipvoice::platform::agent {

// A command of a character's menu as the service hands it back.
class NamedCommand final : public AgentCommand
{
public:
    NamedCommand(QString name, QString caption)
        : m_name(std::move(name))
        , m_caption(std::move(caption))
    {}

    QString name() const override { return m_name; }
    QString caption() const override { return m_caption; }

private:
    QString m_name;
    QString m_caption;
};

// The failure of a call on a character that has been unloaded.
QString notLoaded();
// The failure of a call naming an id under which nothing is loaded.
QString nothingUnder(const QString& characterId);
// Why Characters.Load cannot even start, or nothing when its arguments are fine.
std::optional<QString> loadArgumentsError(const QString& characterId, const QString& file,
                                          bool idTaken);
// The failures of choosing a command from a character's menu.
QString commandDisabled(const QString& name);
QString noCommandNamed(const QString& name);

// Whether the command of that name may be chosen from a character's menu, given
// the character's commands (entries with a name and an enabled flag).
template <typename Commands>
AgentStatus checkCommandChoice(const Commands& commands, const QString& name)
{
    for (const auto& entry : commands) {
        if (entry.name != name)
            continue;
        if (!entry.enabled)
            return AgentStatus::failure(commandDisabled(name));
        return succeeded();
    }
    return AgentStatus::failure(noCommandNamed(name));
}

} // namespace clipvoice::platform::agent
