#include "agent/engine/EngineAgentService.h"

#include "agent/engine/CharacterFileOpening.h"
#include "agent/engine/CharacterPartsFactory.h"
#include "agent/engine/EngineCharacter.h"
#include "agent/engine/PropertySheetView.h"
#include "agent/engine/RequestObserver.h"
#include "agent/timing/QtScheduler.h"
#include "platform/agent/AgentCallFormat.h"
#include "platform/agent/CharacterRegistry.h"
#include "platform/agent/SeededRandom.h"
#include "platform/agent/ServiceCommon.h"

namespace clipvoice::agent::engine {

using platform::agent::AgentCallFormat;
using platform::agent::AgentResult;
using platform::agent::AgentStatus;
using platform::agent::AgentUserInput;
using platform::agent::CharacterPtr;
using platform::agent::checkCommandChoice;
using platform::agent::CommandPtr;
using platform::agent::notLoaded;
using platform::agent::RequestPtr;
using platform::agent::RequestStatus;
using platform::agent::succeeded;

namespace {

AgentResult<std::shared_ptr<const CharacterSource>> openCharacterFile(const QString& path)
{
    QString error;
    std::shared_ptr<const CharacterSource> source = openCharacterSource(path, &error);
    if (!source)
        return AgentResult<std::shared_ptr<const CharacterSource>>::failure(error);
    return source;
}

// The program's view of one loaded character. It refers to the character
// weakly: once unloaded, every call fails.
class CharacterHandle final : public platform::agent::AgentCharacter
{
public:
    explicit CharacterHandle(std::weak_ptr<EngineCharacter> character)
        : m_character(std::move(character))
    {}

    AgentResult<CommandPtr> addCommand(const QString& name, const QString& caption,
                                       const std::optional<QString>& /*voice*/,
                                       std::optional<bool> enabled,
                                       std::optional<bool> visible) override
    {
        // Commands are not spoken (there is no speech input), so the voice text
        // is not kept.
        const auto character = m_character.lock();
        if (!character)
            return AgentResult<CommandPtr>::failure(notLoaded());
        return character->addCommand(name, caption, enabled.value_or(true), visible.value_or(true));
    }

    AgentResult<RequestPtr> show(std::optional<bool> fast) override
    {
        return request([fast](EngineCharacter& c) { return c.show(fast); });
    }

    AgentResult<RequestPtr> hide(std::optional<bool> fast) override
    {
        return request([fast](EngineCharacter& c) { return c.hide(fast); });
    }

    AgentResult<bool> visible() const override
    {
        const auto character = m_character.lock();
        if (!character)
            return AgentResult<bool>::failure(notLoaded());
        return character->isVisible();
    }

    AgentResult<RequestPtr> play(const QString& animation) override
    {
        return request([&animation](EngineCharacter& c) { return c.play(animation); });
    }

    AgentResult<RequestPtr> speak(const QString& text,
                                  const std::optional<QString>& /*url*/) override
    {
        // The url names a recorded sound file in the original service; the text
        // is spoken by the character's voice instead.
        return request([&text](EngineCharacter& c) { return c.speak(text); });
    }

    AgentResult<RequestPtr> think(const QString& text) override
    {
        return request([&text](EngineCharacter& c) { return c.think(text); });
    }

    AgentResult<RequestPtr> saveSpeech(const QString& text, const QString& path) override
    {
        return request([&](EngineCharacter& c) { return c.saveSpeech(text, path); });
    }

    AgentStatus stop(const RequestPtr& request) override
    {
        const auto character = m_character.lock();
        if (!character)
            return AgentStatus::failure(notLoaded());
        return character->stop(request);
    }

    AgentStatus setLanguageId(qint32 languageId) override
    {
        const auto character = m_character.lock();
        if (!character)
            return AgentStatus::failure(notLoaded());
        return character->setLanguageId(languageId);
    }

private:
    template <typename Issue> AgentResult<RequestPtr> request(const Issue& issue)
    {
        const auto character = m_character.lock();
        RequestPtr issued = character ? issue(*character) : nullptr;
        if (!issued) // unloaded, or being unloaded
            return AgentResult<RequestPtr>::failure(notLoaded());
        return issued;
    }

    std::weak_ptr<EngineCharacter> m_character;
};

} // namespace

class EngineAgentService::Characters final : public platform::agent::AgentCharacters
{
public:
    Characters(EngineEnvironment& environment, QString folder)
        : m_environment(environment)
        , m_registry(std::move(folder))
    {}

    ~Characters() override
    {
        // Character objects the program still holds fail from now on.
        m_registry.clear();
    }

    AgentStatus unload(const QString& characterId) override
    {
        AgentResult<std::shared_ptr<EngineCharacter>> taken = m_registry.take(characterId);
        if (!taken)
            return AgentStatus::failure(taken.error());
        taken.value()->shutdown();
        return succeeded();
    }

    AgentResult<RequestPtr> load(const QString& characterId, const QString& file) override
    {
        if (const auto error = m_registry.loadError(characterId, file))
            return AgentResult<RequestPtr>::failure(*error);
        const QString path = m_registry.resolve(file);
        const CharacterLoader& loader =
            m_environment.loader ? m_environment.loader : CharacterLoader(openCharacterFile);
        AgentResult<std::shared_ptr<const CharacterSource>> source = loader(path);
        if (!source)
            return AgentResult<RequestPtr>::failure(
                QStringLiteral("cannot load character file %1: %2")
                    .arg(AgentCallFormat::quote(path), source.error()));
        CharacterParts parts;
        if (m_environment.parts)
            parts = m_environment.parts->create(characterId, *source.value());
        if (!parts.view)
            return AgentResult<RequestPtr>::failure(
                QStringLiteral("cannot create a window for the character"));
        m_registry.add(characterId,
                       std::make_shared<EngineCharacter>(
                           characterId, source.value(), std::move(parts), *m_environment.scheduler,
                           *m_environment.random, m_environment.settings,
                           m_environment.observer.get(), [this] { return ++m_requestCount; }));
        // The load has happened by now: its request is done at once.
        auto request = std::make_shared<EngineRequest>(++m_requestCount, 0, characterId,
                                                       RequestKind::Load, path);
        request->setStatus(RequestStatus::Done);
        if (m_environment.observer) {
            m_environment.observer->started(*request);
            m_environment.observer->finished(*request, RequestStatus::Done);
        }
        return RequestPtr(std::move(request));
    }

    AgentResult<CharacterPtr> item(const QString& characterId) override
    {
        const AgentResult<std::shared_ptr<EngineCharacter>> found = m_registry.item(characterId);
        if (!found)
            return AgentResult<CharacterPtr>::failure(found.error());
        return CharacterPtr(std::make_shared<CharacterHandle>(found.value()));
    }

    EngineCharacter* find(const QString& characterId) const
    {
        return m_registry.find(characterId).get();
    }

    EngineEnvironment& m_environment;
    platform::agent::CharacterRegistry<EngineCharacter> m_registry;

private:
    quint64 m_requestCount = 0;
};

EngineAgentService::EngineAgentService(EngineEnvironment environment, QString characterFolder,
                                       QObject* parent)
    : AgentService(parent)
    , m_environment(std::move(environment))
{
    if (!m_environment.scheduler)
        m_environment.scheduler = std::make_shared<timing::QtScheduler>();
    if (!m_environment.random)
        m_environment.random =
            std::make_shared<platform::SeededRandom>(platform::SeededRandom::systemSeed());
    m_characters = std::make_unique<Characters>(m_environment, std::move(characterFolder));
}

EngineAgentService::~EngineAgentService() = default;

platform::agent::AgentCharacters& EngineAgentService::characters()
{
    return *m_characters;
}

AgentStatus EngineAgentService::setPropertySheetVisible(bool visible)
{
    m_propertySheetVisible = visible;
    if (m_environment.propertySheet) {
        if (visible) {
            // The voice to choose is that of the language a character speaks
            // now (programs load one character at a time).
            const QStringList ids = m_characters->m_registry.ids();
            if (!ids.isEmpty())
                m_environment.propertySheet->setLanguage(
                    m_characters->find(ids.first())->languageId());
        }
        m_environment.propertySheet->setVisible(visible);
    }
    return succeeded();
}

QString EngineAgentService::characterFolder() const
{
    return m_characters->m_registry.folder();
}

void EngineAgentService::setCharacterFolder(const QString& folder)
{
    m_characters->m_registry.setFolder(folder);
}

QString EngineAgentService::resolve(const QString& file) const
{
    return m_characters->m_registry.resolve(file);
}

AgentStatus EngineAgentService::chooseCommand(const QString& characterId, const QString& name)
{
    const AgentResult<std::shared_ptr<EngineCharacter>> character =
        m_characters->m_registry.item(characterId);
    if (!character)
        return AgentStatus::failure(character.error());
    const AgentStatus choice = checkCommandChoice(character.value()->commands(), name);
    if (!choice)
        return choice;
    emit command(AgentUserInput{name, characterId});
    return succeeded();
}

QList<CommandEntry> EngineAgentService::commands(const QString& characterId) const
{
    const EngineCharacter* character = m_characters->find(characterId);
    return character ? character->commands() : QList<CommandEntry>();
}

EngineCharacter* EngineAgentService::character(const QString& characterId) const
{
    return m_characters->find(characterId);
}

QStringList EngineAgentService::characterIds() const
{
    return m_characters->m_registry.ids();
}

} // namespace clipvoice::agent::engine
