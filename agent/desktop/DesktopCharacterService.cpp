#include "agent/desktop/DesktopCharacterService.h"

#include "agent/desktop/CatalogVoiceDirectory.h"
#include "agent/desktop/DesktopPartsFactory.h"
#include "agent/desktop/SheetPropertyView.h"
#include "agent/desktop/TraceRequestObserver.h"
#include "agent/desktop/WindowCharacterView.h"
#include "agent/engine/EngineAgentService.h"
#include "agent/engine/EngineCharacter.h"
#include "agent/ui/ServiceSettings.h"
#include "agent/ui/UserDictionary.h"
#include "agent/voice/VoiceCatalog.h"
#include "platform/agent/AgentBoundaryLog.h"

namespace clipvoice::agent::desktop {

namespace {

// What the user can ask of the character under an id through its window.
CharacterActions actionsFor(engine::EngineAgentService* service, const QString& id)
{
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

} // namespace

std::unique_ptr<platform::agent::AgentService>
createDesktopCharacterService(const QString& characterFolder, const QString& tracePath)
{
    // The settings belong to the service (its child), so they outlive every
    // character window and voice that reads them.
    auto* settings = new ui::ServiceSettings();
    // The pronunciation dictionary, read off this thread; until it is, lines
    // are read without it. A damaged file is logged here and shown on the
    // property sheet's "読み方" page.
    auto* dictionary = new ui::UserDictionary();
    QObject::connect(dictionary, &ui::UserDictionary::loaded, dictionary, [dictionary] {
        if (dictionary->problems().isEmpty()) {
            qCDebug(lcAgentBoundary, "pronunciation dictionary: %lld entries from %s",
                    static_cast<long long>(dictionary->entries()->size()),
                    qUtf8Printable(dictionary->path()));
            return;
        }
        qCWarning(lcAgentBoundary,
                  "pronunciation dictionary %s is damaged (%s); %lld entries kept, the file as "
                  "it was is kept as %s",
                  qUtf8Printable(dictionary->path()),
                  qUtf8Printable(dictionary->problems().join(QStringLiteral("; "))),
                  static_cast<long long>(dictionary->entries()->size()),
                  qUtf8Printable(dictionary->keptAside().isEmpty()
                                     ? QStringLiteral("(nothing: it could not be copied)")
                                     : dictionary->keptAside()));
    });
    dictionary->load();
    // Characters' windows reach the service through this slot, filled once the
    // service exists; windows are made only by the service's own loads.
    auto service = std::make_shared<engine::EngineAgentService*>(nullptr);

    engine::EngineEnvironment environment;
    std::shared_ptr<TraceRequestObserver> trace;
    if (!tracePath.isEmpty())
        trace = TraceRequestObserver::open(tracePath);
    DesktopPartsFactory::Trace speechTrace;
    if (trace)
        speechTrace = [trace](const QString& line) { trace->note(line); };
    environment.parts = std::make_shared<DesktopPartsFactory>(
        *settings, [service](const QString& id) { return actionsFor(*service, id); },
        std::move(speechTrace), dictionary);
    environment.propertySheet = std::make_shared<SheetPropertyView>(
        *settings, voice::VoiceCatalog::system()->japaneseEngineStatus(),
        std::make_unique<CatalogVoiceDirectory>(voice::VoiceCatalog::system()), dictionary);
    environment.observer = trace;

    auto engine =
        std::make_unique<engine::EngineAgentService>(std::move(environment), characterFolder);
    settings->setParent(engine.get());
    dictionary->setParent(engine.get());
    *service = engine.get();
    return engine;
}

} // namespace clipvoice::agent::desktop
