#include "platform/agent/ObservedAgentService.h"

#include <functional>
#include <utility>

namespace clipvoice::platform::agent {

namespace {

// A request of the inner service with the number it was logged under.
class NumberedRequest final : public AgentRequest
{
public:
    NumberedRequest(RequestPtr inner, qint64 number)
        : m_inner(std::move(inner))
        , m_number(number)
    {}

    RequestStatus status() const override { return m_inner->status(); }
    const RequestPtr& inner() const { return m_inner; }
    qint64 number() const { return m_number; }

private:
    RequestPtr m_inner;
    qint64 m_number;
};

} // namespace

// What the service, its characters and their requests share; kept alive by
// whichever of them lives longest.
struct ObservedAgentService::Shared
{
    std::shared_ptr<AgentCallObserver> observer;
    qint64 lastRequest = 0;

    // Asks the observer, performs the call unless refused, and tells the
    // observer the outcome.
    template <typename T, typename Perform> AgentResult<T> run(AgentCall call, Perform&& perform)
    {
        if (std::optional<QString> reason = observer->refuse(call)) {
            observer->observe(call.fail(*reason));
            return AgentResult<T>::failure(*reason);
        }
        AgentResult<T> result = perform();
        observer->observe(call.completeWith(result));
        return result;
    }

    AgentResult<RequestPtr> runRequest(AgentCall call,
                                       const std::function<AgentResult<RequestPtr>()>& perform)
    {
        AgentResult<RequestPtr> result = run<RequestPtr>(std::move(call), perform);
        if (!result)
            return result;
        return RequestPtr(std::make_shared<NumberedRequest>(result.value(), ++lastRequest));
    }
};

// A character of the inner service whose calls are observed.
class ObservedAgentService::Character final : public AgentCharacter
{
public:
    Character(CharacterPtr inner, std::shared_ptr<Shared> shared)
        : m_inner(std::move(inner))
        , m_shared(std::move(shared))
    {}

    AgentResult<CommandPtr> addCommand(const QString& name, const QString& caption,
                                       const std::optional<QString>& voice,
                                       std::optional<bool> enabled,
                                       std::optional<bool> visible) override
    {
        return m_shared->run<CommandPtr>(
            calls::addCommand(name, caption, voice, enabled, visible),
            [&] { return m_inner->addCommand(name, caption, voice, enabled, visible); });
    }

    AgentResult<RequestPtr> show(std::optional<bool> fast) override
    {
        return m_shared->runRequest(calls::show(fast), [&] { return m_inner->show(fast); });
    }

    AgentResult<RequestPtr> hide(std::optional<bool> fast) override
    {
        return m_shared->runRequest(calls::hide(fast), [&] { return m_inner->hide(fast); });
    }

    AgentResult<bool> visible() const override
    {
        AgentCall call = calls::visible();
        if (std::optional<QString> reason = m_shared->observer->refuse(call)) {
            m_shared->observer->observe(call.fail(*reason));
            return AgentResult<bool>::failure(*reason);
        }
        AgentResult<bool> result = m_inner->visible();
        if (result)
            call.succeed(CallValue::boolean(result.value()));
        else
            call.fail(result.error());
        m_shared->observer->observe(call);
        return result;
    }

    AgentResult<RequestPtr> play(const QString& animation) override
    {
        return m_shared->runRequest(calls::play(animation),
                                    [&] { return m_inner->play(animation); });
    }

    AgentResult<RequestPtr> speak(const QString& text, const std::optional<QString>& url) override
    {
        return m_shared->runRequest(calls::speak(text, url),
                                    [&] { return m_inner->speak(text, url); });
    }

    AgentResult<RequestPtr> think(const QString& text) override
    {
        return m_shared->runRequest(calls::think(text), [&] { return m_inner->think(text); });
    }

    AgentResult<RequestPtr> saveSpeech(const QString& text, const QString& path) override
    {
        return m_shared->runRequest(calls::saveSpeech(text, path),
                                    [&] { return m_inner->saveSpeech(text, path); });
    }

    AgentStatus stop(const RequestPtr& request) override
    {
        // The inner character knows its own requests, not the numbered wrappers.
        const auto* numbered = dynamic_cast<const NumberedRequest*>(request.get());
        const RequestPtr innerRequest = numbered ? numbered->inner() : request;
        std::optional<qint64> number;
        if (request)
            number = numbered ? numbered->number() : 0;
        return m_shared->run<Done>(calls::stop(number),
                                   [&] { return m_inner->stop(innerRequest); });
    }

    AgentStatus setLanguageId(qint32 languageId) override
    {
        return m_shared->run<Done>(calls::languageId(languageId),
                                   [&] { return m_inner->setLanguageId(languageId); });
    }

private:
    CharacterPtr m_inner;
    std::shared_ptr<Shared> m_shared;
};

// The characters collection of the observed service.
class ObservedAgentService::Characters final : public AgentCharacters
{
public:
    Characters(AgentCharacters& inner, std::shared_ptr<Shared> shared)
        : m_inner(inner)
        , m_shared(std::move(shared))
    {}

    AgentStatus unload(const QString& characterId) override
    {
        return m_shared->run<Done>(calls::unload(characterId),
                                   [&] { return m_inner.unload(characterId); });
    }

    AgentResult<RequestPtr> load(const QString& characterId, const QString& file) override
    {
        return m_shared->runRequest(calls::load(characterId, file),
                                    [&] { return m_inner.load(characterId, file); });
    }

    AgentResult<CharacterPtr> item(const QString& characterId) override
    {
        AgentResult<CharacterPtr> result = m_shared->run<CharacterPtr>(
            calls::item(characterId), [&] { return m_inner.item(characterId); });
        if (!result)
            return result;
        return CharacterPtr(std::make_shared<Character>(result.value(), m_shared));
    }

private:
    AgentCharacters& m_inner;
    std::shared_ptr<Shared> m_shared;
};

ObservedAgentService::ObservedAgentService(std::unique_ptr<AgentService> inner,
                                           std::shared_ptr<AgentCallObserver> observer,
                                           QObject* parent)
    : AgentService(parent)
    , m_inner(std::move(inner))
    , m_shared(std::make_shared<Shared>())
{
    m_shared->observer = std::move(observer);
    m_characters = std::make_unique<Characters>(m_inner->characters(), m_shared);
    connect(m_inner.get(), &AgentService::command, this, [this](const AgentUserInput& input) {
        m_shared->observer->observe(calls::commandEvent(input.name));
        emit command(input);
    });
}

ObservedAgentService::~ObservedAgentService() = default;

AgentCharacters& ObservedAgentService::characters()
{
    return *m_characters;
}

AgentStatus ObservedAgentService::setPropertySheetVisible(bool visible)
{
    return m_shared->run<Done>(calls::propertySheetVisible(visible),
                               [&] { return m_inner->setPropertySheetVisible(visible); });
}

qint64 ObservedAgentService::requestNumber(const RequestPtr& request)
{
    const auto* numbered = dynamic_cast<const NumberedRequest*>(request.get());
    return numbered ? numbered->number() : 0;
}

} // namespace clipvoice::platform::agent
