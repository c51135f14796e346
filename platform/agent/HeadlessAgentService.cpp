#include "platform/agent/HeadlessAgentService.h"

#include "platform/agent/CharacterRegistry.h"
#include "platform/agent/ServiceCommon.h"

#include <QFile>
#include <QFileInfo>

#include <utility>

namespace clipvoice::platform::agent {

namespace {

const QByteArray characterFileSignature("\xC3\xAB\xCD\xAB", 4);
// Older (1.5) character files are compound files.
const QByteArray compoundFileSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

// Requests are performed at once, so they report Done, unless the service
// was told to report another status (a double modelling a busy character).
class PerformedRequest final : public AgentRequest
{
public:
    explicit PerformedRequest(std::shared_ptr<const RequestStatus> status)
        : m_status(std::move(status))
    {}
    RequestStatus status() const override { return *m_status; }

private:
    std::shared_ptr<const RequestStatus> m_status;
};

// One load of a character. Unloading marks it gone, so that character objects
// still referring to it fail from then on, even when another character is later
// loaded under the same id.
struct Loaded
{
    HeadlessCharacterState state;
    bool gone = false;
    std::shared_ptr<const RequestStatus> requestStatus; // the service's
};

class HeadlessCharacter final : public AgentCharacter
{
public:
    explicit HeadlessCharacter(std::shared_ptr<Loaded> loaded)
        : m_loaded(std::move(loaded))
    {}

    AgentResult<CommandPtr> addCommand(const QString& name, const QString& caption,
                                       const std::optional<QString>& voice,
                                       std::optional<bool> enabled,
                                       std::optional<bool> visible) override
    {
        if (m_loaded->gone)
            return AgentResult<CommandPtr>::failure(notLoaded());
        if (name.isEmpty())
            return AgentResult<CommandPtr>::failure(QStringLiteral("a command needs a name"));
        for (const HeadlessCommandEntry& existing : std::as_const(m_loaded->state.commands)) {
            if (existing.name == name)
                return AgentResult<CommandPtr>::failure(
                    QStringLiteral("a command named %1 already exists")
                        .arg(AgentCallFormat::quote(name)));
        }
        m_loaded->state.commands.append(
            {name, caption, voice, enabled.value_or(true), visible.value_or(true)});
        return CommandPtr(std::make_shared<NamedCommand>(name, caption));
    }

    AgentResult<RequestPtr> show(std::optional<bool> fast) override
    {
        return perform(calls::show(fast), true);
    }

    AgentResult<RequestPtr> hide(std::optional<bool> fast) override
    {
        return perform(calls::hide(fast), false);
    }

    AgentResult<bool> visible() const override
    {
        if (m_loaded->gone)
            return AgentResult<bool>::failure(notLoaded());
        return m_loaded->state.visible;
    }

    AgentResult<RequestPtr> play(const QString& animation) override
    {
        return perform(calls::play(animation));
    }

    AgentResult<RequestPtr> speak(const QString& text, const std::optional<QString>& url) override
    {
        return perform(calls::speak(text, url));
    }

    AgentResult<RequestPtr> think(const QString& text) override
    {
        return perform(calls::think(text));
    }

    AgentResult<RequestPtr> saveSpeech(const QString& text, const QString& path) override
    {
        // There is no voice to save: the request is only recorded.
        return perform(calls::saveSpeech(text, path));
    }

    AgentStatus stop(const RequestPtr& /*request*/) override
    {
        // Every request has already been performed: there is nothing left to stop.
        if (m_loaded->gone)
            return AgentStatus::failure(notLoaded());
        return succeeded();
    }

    AgentStatus setLanguageId(qint32 languageId) override
    {
        if (m_loaded->gone)
            return AgentStatus::failure(notLoaded());
        if (languageId <= 0)
            return AgentStatus::failure(
                QStringLiteral("language id must be positive, not %1").arg(languageId));
        m_loaded->state.languageId = languageId;
        return succeeded();
    }

private:
    // Performs a request at once; Show and Hide also set the visible state.
    AgentResult<RequestPtr> perform(AgentCall call, std::optional<bool> visibleAfter = {})
    {
        if (m_loaded->gone)
            return AgentResult<RequestPtr>::failure(notLoaded());
        if (visibleAfter)
            m_loaded->state.visible = *visibleAfter;
        m_loaded->state.requests.append(call.succeed());
        return RequestPtr(std::make_shared<PerformedRequest>(m_loaded->requestStatus));
    }

    std::shared_ptr<Loaded> m_loaded;
};

} // namespace

class HeadlessAgentService::Characters final : public AgentCharacters
{
public:
    explicit Characters(QString folder)
        : m_registry(std::move(folder))
    {}

    ~Characters() override
    {
        // Characters the program still holds fail once the service is gone.
        for (const std::shared_ptr<Loaded>& loaded : m_registry.takeAll())
            loaded->gone = true;
    }

    AgentStatus unload(const QString& characterId) override
    {
        AgentResult<std::shared_ptr<Loaded>> taken = m_registry.take(characterId);
        if (!taken)
            return AgentStatus::failure(taken.error());
        taken.value()->gone = true;
        return succeeded();
    }

    AgentResult<RequestPtr> load(const QString& characterId, const QString& file) override
    {
        if (const auto error = m_registry.loadError(characterId, file))
            return AgentResult<RequestPtr>::failure(*error);
        const QString path = m_registry.resolve(file);
        if (m_checkFiles) {
            AgentStatus checked = checkCharacterFile(path);
            if (!checked)
                return AgentResult<RequestPtr>::failure(checked.error());
        }
        auto loaded = std::make_shared<Loaded>();
        loaded->state.file = path;
        loaded->requestStatus = m_requestStatus;
        m_registry.add(characterId, std::move(loaded));
        return RequestPtr(std::make_shared<PerformedRequest>(m_requestStatus));
    }

    AgentResult<CharacterPtr> item(const QString& characterId) override
    {
        const AgentResult<std::shared_ptr<Loaded>> found = m_registry.item(characterId);
        if (!found)
            return AgentResult<CharacterPtr>::failure(found.error());
        return CharacterPtr(std::make_shared<HeadlessCharacter>(found.value()));
    }

    CharacterRegistry<Loaded> m_registry;
    bool m_checkFiles = true;
    std::shared_ptr<RequestStatus> m_requestStatus =
        std::make_shared<RequestStatus>(RequestStatus::Done);
};

HeadlessAgentService::HeadlessAgentService(QString characterFolder, QObject* parent)
    : AgentService(parent)
    , m_characters(std::make_unique<Characters>(std::move(characterFolder)))
{}

HeadlessAgentService::~HeadlessAgentService() = default;

void HeadlessAgentService::setRequestStatus(RequestStatus status)
{
    *m_characters->m_requestStatus = status;
}

AgentCharacters& HeadlessAgentService::characters()
{
    return *m_characters;
}

AgentStatus HeadlessAgentService::setPropertySheetVisible(bool visible)
{
    m_propertySheetVisible = visible;
    return succeeded();
}

QString HeadlessAgentService::characterFolder() const
{
    return m_characters->m_registry.folder();
}

void HeadlessAgentService::setCharacterFolder(const QString& folder)
{
    m_characters->m_registry.setFolder(folder);
}

void HeadlessAgentService::setCharacterFileCheck(bool enabled)
{
    m_characters->m_checkFiles = enabled;
}

QString HeadlessAgentService::resolve(const QString& file) const
{
    return m_characters->m_registry.resolve(file);
}

AgentStatus HeadlessAgentService::checkCharacterFile(const QString& path)
{
    const auto failure = [&path](const QString& reason) {
        return AgentStatus::failure(QStringLiteral("cannot load character file %1: %2")
                                        .arg(AgentCallFormat::quote(path), reason));
    };
    const QFileInfo info(path);
    if (!info.exists())
        return failure(QStringLiteral("not found"));
    if (info.isDir())
        return failure(QStringLiteral("not a character file (it is a folder)"));
    if (!info.isFile())
        return failure(QStringLiteral("not a character file (not a regular file)"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(QStringLiteral("unreadable (%1)").arg(file.errorString()));
    const QByteArray start = file.read(compoundFileSignature.size());
    if (!start.startsWith(characterFileSignature) && start != compoundFileSignature)
        return failure(QStringLiteral("not a character file (it starts with neither C3 AB CD AB "
                                      "nor the compound-file signature D0 CF 11 E0 A1 B1 1A E1)"));
    return succeeded();
}

AgentStatus HeadlessAgentService::chooseCommand(const QString& characterId, const QString& name)
{
    const AgentResult<std::shared_ptr<Loaded>> loaded = m_characters->m_registry.item(characterId);
    if (!loaded)
        return AgentStatus::failure(loaded.error());
    const AgentStatus choice = checkCommandChoice(loaded.value()->state.commands, name);
    if (!choice)
        return choice;
    emit command(AgentUserInput{name, characterId});
    return succeeded();
}

std::optional<HeadlessCharacterState>
HeadlessAgentService::character(const QString& characterId) const
{
    const std::shared_ptr<Loaded> loaded = m_characters->m_registry.find(characterId);
    if (!loaded)
        return std::nullopt;
    return loaded->state;
}

} // namespace clipvoice::platform::agent
