#include "platform/agent/testing/RecordingAgentService.h"

#include <utility>

namespace clipvoice::platform::agent::testing {

FailureRule::FailureRule(QString operation)
    : m_operation(std::move(operation))
    , m_reason(QStringLiteral("injected failure"))
{}

FailureRule& FailureRule::forArgument(const QString& firstArgument)
{
    return forArgument(CallValue::string(firstArgument));
}

FailureRule& FailureRule::forArgument(const CallValue& firstArgument)
{
    m_argument = firstArgument;
    return *this;
}

FailureRule& FailureRule::times(int n)
{
    m_remaining = n;
    return *this;
}

FailureRule& FailureRule::because(const QString& reason)
{
    m_reason = reason;
    return *this;
}

std::optional<QString> FailureRule::take(const AgentCall& call)
{
    if (exhausted() || call.operation != m_operation)
        return std::nullopt;
    if (m_argument && (call.arguments.isEmpty() || call.arguments.constFirst() != *m_argument))
        return std::nullopt;
    if (m_remaining)
        --*m_remaining;
    return m_reason;
}

class RecordingAgentService::Recorder final : public AgentCallObserver
{
public:
    std::optional<QString> refuse(const AgentCall& call) override
    {
        for (FailureRule& rule : rules) {
            if (std::optional<QString> reason = rule.take(call))
                return reason;
        }
        return std::nullopt;
    }

    void observe(const AgentCall& call) override { log.append(call); }

    QList<AgentCall> log;
    // A list, so that the references fail() hands out stay valid.
    std::list<FailureRule> rules;
};

namespace {

std::unique_ptr<HeadlessAgentService> acceptingModel()
{
    auto model = std::make_unique<HeadlessAgentService>();
    model->setCharacterFileCheck(false);
    return model;
}

} // namespace

RecordingAgentService::RecordingAgentService(QObject* parent)
    : RecordingAgentService(std::make_shared<Recorder>(), parent)
{}

RecordingAgentService::RecordingAgentService(std::shared_ptr<Recorder> recorder, QObject* parent)
    : ObservedAgentService(acceptingModel(), recorder, parent)
    , m_recorder(std::move(recorder))
{}

RecordingAgentService::~RecordingAgentService() = default;

const QList<AgentCall>& RecordingAgentService::calls() const
{
    return m_recorder->log;
}

QStringList RecordingAgentService::lines() const
{
    QStringList result;
    result.reserve(m_recorder->log.size());
    for (const AgentCall& call : std::as_const(m_recorder->log))
        result.append(AgentCallFormat::format(call));
    return result;
}

QStringList RecordingAgentService::lines(const QString& operation) const
{
    QStringList result;
    for (const AgentCall& call : std::as_const(m_recorder->log)) {
        if (call.operation == operation)
            result.append(AgentCallFormat::format(call));
    }
    return result;
}

void RecordingAgentService::clear()
{
    m_recorder->log.clear();
}

FailureRule& RecordingAgentService::fail(const QString& operation)
{
    return m_recorder->rules.emplace_back(operation);
}

void RecordingAgentService::setRequestStatus(RequestStatus status)
{
    model().setRequestStatus(status);
}

void RecordingAgentService::clearFailures()
{
    m_recorder->rules.clear();
}

AgentStatus RecordingAgentService::chooseCommand(const QString& characterId, const QString& name)
{
    return model().chooseCommand(characterId, name);
}

void RecordingAgentService::raiseCommand(const QString& characterId, const QString& name)
{
    emit model().command(AgentUserInput{name, characterId});
}

std::optional<HeadlessCharacterState>
RecordingAgentService::character(const QString& characterId) const
{
    return model().character(characterId);
}

bool RecordingAgentService::propertySheetVisible() const
{
    return model().propertySheetVisible();
}

HeadlessAgentService& RecordingAgentService::model() const
{
    return static_cast<HeadlessAgentService&>(inner());
}

} // namespace clipvoice::platform::agent::testing
