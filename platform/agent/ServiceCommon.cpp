#include "platform/agent/ServiceCommon.h"

#include "platform/agent/AgentCallFormat.h"

namespace clipvoice::platform::agent {

QString notLoaded()
{
    return QStringLiteral("character is not loaded");
}

QString nothingUnder(const QString& characterId)
{
    return QStringLiteral("no character is loaded under %1")
        .arg(AgentCallFormat::quote(characterId));
}

std::optional<QString> loadArgumentsError(const QString& characterId, const QString& file,
                                          bool idTaken)
{
    if (characterId.isEmpty())
        return QStringLiteral("a character needs an id");
    if (idTaken)
        return QStringLiteral("a character is already loaded under %1")
            .arg(AgentCallFormat::quote(characterId));
    if (file.isEmpty())
        return QStringLiteral("no character file given");
    return std::nullopt;
}

QString commandDisabled(const QString& name)
{
    return QStringLiteral("command %1 is disabled").arg(AgentCallFormat::quote(name));
}

QString noCommandNamed(const QString& name)
{
    return QStringLiteral("the character has no command named %1")
        .arg(AgentCallFormat::quote(name));
}

} // namespace clipvoice::platform::agent
