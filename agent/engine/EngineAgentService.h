#pragma once

#include "agent/engine/CharacterView.h"
#include "agent/engine/EngineSettings.h"
#include "agent/timing/Scheduler.h"
#include "platform/agent/AgentService.h"
#include "platform/agent/RandomSource.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace clipvoice::agent::engine {

class CharacterPartsFactory;
class CharacterSource;
class EngineCharacter;
class PropertySheetView;
class RequestObserver;

// Opens a character file; fails with a message saying why.
using CharacterLoader =
    std::function<platform::agent::AgentResult<std::shared_ptr<const CharacterSource>>(
        const QString& path)>;

// What EngineAgentService is built from. Without `parts` every load fails.
struct EngineEnvironment
{
    std::shared_ptr<CharacterPartsFactory> parts;
    std::shared_ptr<timing::Scheduler> scheduler;     // null: Qt timers
    std::shared_ptr<platform::RandomSource> random;   // null: seeded by the system
    std::shared_ptr<PropertySheetView> propertySheet; // null: the state is only kept
    std::shared_ptr<RequestObserver> observer;        // null: nobody is told
    CharacterLoader loader;                           // empty: the character file reader
    EngineSettings settings;
};

// The character service of our own engine: characters are read from their
// files, animated in windows and speak through the parts the environment's
// factory makes for them.
//
// Characters.Load looks a bare file name up in the character folder and takes
// an absolute path as it is; a file the reader cannot open fails the load with
// the reader's message and loads nothing. At most one character per id. A
// character object fails every call once its character is unloaded (even if
// another is loaded under the same id later) or the service is gone.
class EngineAgentService final : public platform::agent::AgentService
{
public:
    explicit EngineAgentService(EngineEnvironment environment, QString characterFolder = {},
                                QObject* parent = nullptr);
    ~EngineAgentService() override;

    platform::agent::AgentCharacters& characters() override;
    platform::agent::AgentStatus setPropertySheetVisible(bool visible) override;
    bool propertySheetVisible() const { return m_propertySheetVisible; }

    QString characterFolder() const;
    void setCharacterFolder(const QString& folder);
    // The path Characters.Load opens for the file name.
    QString resolve(const QString& file) const;

    // Raises the Command event as if the user had chosen the command from the
    // character's menu (the menu calls this); fails when no character is loaded
    // under the id or it has no enabled command of that name.
    platform::agent::AgentStatus chooseCommand(const QString& characterId, const QString& name);
    QList<CommandEntry> commands(const QString& characterId) const;

    // The character loaded under the id, or null.
    EngineCharacter* character(const QString& characterId) const;
    QStringList characterIds() const;

private:
    class Characters;

    EngineEnvironment m_environment;
    std::unique_ptr<Characters> m_characters;
    bool m_propertySheetVisible = false;
};

} // namespace clipvoice::agent::engine
