#include "agent/engine/EngineRequest.h"

#include "platform/agent/AgentCallFormat.h"

namespace clipvoice::agent::engine {

using platform::agent::AgentCallFormat;
using platform::agent::RequestStatus;

EngineRequest::EngineRequest(quint64 number, quint64 owner, QString characterId, RequestKind kind,
                             QString argument, std::optional<bool> fast)
    : m_number(number)
    , m_owner(owner)
    , m_characterId(std::move(characterId))
    , m_kind(kind)
    , m_argument(std::move(argument))
    , m_fast(fast)
{}

QString EngineRequest::description(qsizetype longestArgument) const
{
    QString text = kindName(m_kind);
    switch (m_kind) {
    case RequestKind::Show:
    case RequestKind::Hide:
        if (m_fast.value_or(false))
            text += QStringLiteral(" fast");
        break;
    case RequestKind::Load:
    case RequestKind::Play:
    case RequestKind::Speak:
    case RequestKind::Think:
    case RequestKind::SaveSpeech:
        if (longestArgument < 0 || m_argument.size() <= longestArgument) {
            text += u' ' + AgentCallFormat::quote(m_argument);
        } else {
            // Not inside a surrogate pair.
            qsizetype kept = longestArgument;
            if (kept > 0 && m_argument.at(kept - 1).isHighSurrogate())
                --kept;
            text += u' ' + AgentCallFormat::quote(m_argument.left(kept)) +
                    QStringLiteral(" and %1 more characters").arg(m_argument.size() - kept);
        }
        break;
    }
    return text;
}

QString EngineRequest::kindName(RequestKind kind)
{
    switch (kind) {
    case RequestKind::Load:
        return QStringLiteral("Load");
    case RequestKind::Show:
        return QStringLiteral("Show");
    case RequestKind::Hide:
        return QStringLiteral("Hide");
    case RequestKind::Play:
        return QStringLiteral("Play");
    case RequestKind::Speak:
        return QStringLiteral("Speak");
    case RequestKind::Think:
        return QStringLiteral("Think");
    case RequestKind::SaveSpeech:
        return QStringLiteral("SaveSpeech");
    }
    return {};
}

QString EngineRequest::statusName(RequestStatus status)
{
    switch (status) {
    case RequestStatus::Pending:
        return QStringLiteral("pending");
    case RequestStatus::InProgress:
        return QStringLiteral("in progress");
    case RequestStatus::Done:
        return QStringLiteral("done");
    case RequestStatus::Interrupted:
        return QStringLiteral("interrupted");
    case RequestStatus::Failed:
        return QStringLiteral("failed");
    }
    return {};
}

} // namespace clipvoice::agent::engine
