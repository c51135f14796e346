#pragma once

#include "platform/agent/AgentService.h"

#include <QString>

#include <optional>

namespace clipvoice::agent::engine {

enum class RequestKind
{
    Load,
    Show,
    Hide,
    Play,
    Speak,
    Think,
    SaveSpeech, // performed beside the queue, not in it
};

// A request of the engine's characters, as handed to the program.
class EngineRequest final : public platform::agent::AgentRequest
{
public:
    // `owner` tells apart the requests of different loads of a character.
    EngineRequest(quint64 number, quint64 owner, QString characterId, RequestKind kind,
                  QString argument = {}, std::optional<bool> fast = std::nullopt);

    platform::agent::RequestStatus status() const override { return m_status; }
    void setStatus(platform::agent::RequestStatus status) { m_status = status; }

    // 1, 2, 3, ... in the order the service handed requests out.
    quint64 number() const { return m_number; }
    quint64 owner() const { return m_owner; }
    const QString& characterId() const { return m_characterId; }
    RequestKind kind() const { return m_kind; }
    // The animation of Play, the text of Speak and Think, the file of Load
    // and of SaveSpeech.
    const QString& argument() const { return m_argument; }
    std::optional<bool> fast() const { return m_fast; }

    // One line for logs: Show, Hide fast, Play "Greet", Speak "Hello", ...
    // Of an argument longer than `longestArgument` characters only the start
    // is quoted, followed by how many characters were left out, so that a
    // megabyte of copied text does not make a megabyte of log.
    QString description(qsizetype longestArgument = -1) const;

    static QString kindName(RequestKind kind);
    static QString statusName(platform::agent::RequestStatus status);

private:
    quint64 m_number;
    quint64 m_owner;
    QString m_characterId;
    RequestKind m_kind;
    QString m_argument;
    std::optional<bool> m_fast;
    platform::agent::RequestStatus m_status = platform::agent::RequestStatus::Pending;
};

} // namespace clipvoice::agent::engine
