#include "agent/desktop/DesktopCharacterService.h"

#include "agent/desktop/DesktopPartsFactory.h"
#include "agent/desktop/SheetPropertyView.h"
#include "agent/desktop/TraceRequestObserver.h"
#include "agent/desktop/WindowCharacterView.h"
#include "agent/engine/EngineAgentService.h"
#include "agent/engine/EngineCharacter.h"
#include "agent/ui/ServiceSettings.h"
#include "agent/voice/VoiceCatalog.h"

namespace clipvoice::agent::desktop {

namespace {

// The engine service together with what it is built from, so all of it lives
// and goes together.
class DesktopCharacterService final
{
public:
    DesktopCharacterService(const QString& characterFolder, const QString& tracePath)
        : m_settings(std::make_unique<ui::ServiceSettings>())
    {
        engine::EngineEnvironment environment;
        environment.parts = std::make_shared<DesktopPartsFactory>(
            *m_settings, [this](const QString& id) { return actionsFor(id); });
        environment.propertySheet = std::make_shared<SheetPropertyView>(
            *m_settings, voice::VoiceCatalog::system()->japaneseEngineStatus());
        if (!tracePath.isEmpty())
            environment.observer = TraceRequestObserver::open(tracePath);
        m_service =
            std::make_unique<engine::EngineAgentService>(std::move(environment), characterFolder);
    }

    std::unique_ptr<engine::EngineAgentService> release()
    {
        // The settings must outlive the service's characters: hand them to it.
        m_settings->setParent(m_service.get());
        (void)m_settings.release();
        return std::move(m_service);
    }

private:
    CharacterActions actionsFor(const QString& id)
    {
        engine::EngineAgentService* service = m_service.get();
        CharacterActions actions;
        actions.chooseCommand = [service, id](const QString& name) {
            (void)service->chooseCommand(id, name);
        };
        actions.hide = [service, id] {
            if (engine::EngineCharacter* character = service->character(id))
                (void)character->hide();
        };
        actions.openOptions = [service] { (void)service->setPropertySheetVisible(true); };
        return actions;
    }

    std::unique_ptr<ui::ServiceSettings> m_settings;
    std::unique_ptr<engine::EngineAgentService> m_service;
};

} // namespace

std::unique_ptr<platform::agent::AgentService>
createDesktopCharacterService(const QString& characterFolder, const QString& tracePath)
{
    DesktopCharacterService builder(characterFolder, tracePath);
    return builder.release();
}

} // namespace clipvoice::agent::desktop
