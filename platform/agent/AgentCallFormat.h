#pragma once

#include "platform/agent/AgentResult.h"

#include <QList>
#include <QString>

#include <optional>

namespace clipvoice::platform::agent {

// One argument of a call into the character service, or the value a call gave back.
class CallValue
{
public:
    enum class Kind
    {
        Omitted,
        String,
        Integer,
        Boolean
    };

    CallValue() = default; // omitted

    static CallValue omitted() { return {}; }
    static CallValue string(QString text);
    static CallValue integer(qint64 number);
    static CallValue boolean(bool flag);
    // Omitted when the optional is empty.
    static CallValue of(const std::optional<QString>& text);
    static CallValue of(std::optional<bool> flag);

    Kind kind() const { return m_kind; }
    bool isOmitted() const { return m_kind == Kind::Omitted; }
    // The string argument; empty for other kinds.
    const QString& text() const { return m_text; }
    qint64 number() const { return m_number; }
    bool flag() const { return m_number != 0; }

    friend bool operator==(const CallValue&, const CallValue&) = default;

private:
    Kind m_kind = Kind::Omitted;
    QString m_text;
    qint64 m_number = 0;
};

// One line of a call log: a call with its arguments and outcome, or an event the
// service raised.
struct AgentCall
{
    QString operation;          // "Characters.Load", "Speak", "Command", ...
    QList<CallValue> arguments; // in the order of the operation's parameters
    bool isEvent = false;       // an event: has no outcome
    bool ok = true;
    std::optional<CallValue> value; // shown after "ok: " (Visible gives true or false)
    QString error;                  // the reason after "failed: "

    AgentCall& succeed(std::optional<CallValue> shown = std::nullopt);
    AgentCall& fail(QString reason);

    // Sets the outcome from a result of the service.
    template <typename T> AgentCall& completeWith(const AgentResult<T>& result)
    {
        return result.ok() ? succeed() : fail(result.error());
    }

    friend bool operator==(const AgentCall&, const AgentCall&) = default;
};

// The names of the operations, as they appear in logs and traces.
namespace operation {
inline constexpr QLatin1String charactersUnload{"Characters.Unload"};
inline constexpr QLatin1String charactersLoad{"Characters.Load"};
inline constexpr QLatin1String charactersItem{"Characters.Item"};
inline constexpr QLatin1String commandsAdd{"Commands.Add"};
inline constexpr QLatin1String show{"Show"};
inline constexpr QLatin1String hide{"Hide"};
inline constexpr QLatin1String visible{"Visible"};
inline constexpr QLatin1String play{"Play"};
inline constexpr QLatin1String speak{"Speak"};
inline constexpr QLatin1String stop{"Stop"};
inline constexpr QLatin1String think{"Think"};
inline constexpr QLatin1String saveSpeech{"SaveSpeech"};
inline constexpr QLatin1String languageId{"LanguageID"};
inline constexpr QLatin1String propertySheetVisible{"PropertySheet.Visible"};
inline constexpr QLatin1String commandEvent{"Command"};
} // namespace operation

// The call of each operation with its arguments and no outcome yet, so that every
// log writes the same operation the same way.
namespace calls {
AgentCall unload(const QString& characterId);
AgentCall load(const QString& characterId, const QString& file);
AgentCall item(const QString& characterId);
AgentCall addCommand(const QString& name, const QString& caption,
                     const std::optional<QString>& voice, std::optional<bool> enabled,
                     std::optional<bool> visible);
AgentCall show(std::optional<bool> fast);
AgentCall hide(std::optional<bool> fast);
AgentCall visible();
AgentCall play(const QString& animation);
AgentCall speak(const QString& text, const std::optional<QString>& url);
AgentCall think(const QString& text);
AgentCall saveSpeech(const QString& text, const QString& path);
// A request appears as its number (see ObservedAgentService); 0 for one the log
// did not hand out.
AgentCall stop(std::optional<qint64> requestNumber);
AgentCall languageId(qint32 languageId);
AgentCall propertySheetVisible(bool visible);
AgentCall commandEvent(const QString& name);
} // namespace calls

// The fixed words of the one-line form of a call.
namespace callMarks {
inline constexpr QLatin1String okMark{" -> ok"};
inline constexpr QLatin1String valueMark{" -> ok: "};
inline constexpr QLatin1String failedMark{" -> failed: "};
inline constexpr QLatin1String eventMark{"event "};
inline constexpr QLatin1String omittedWord{"omitted"};
inline constexpr QLatin1String trueWord{"true"};
inline constexpr QLatin1String falseWord{"false"};
} // namespace callMarks

// Writes the one-line form of a call (testing/AgentCallParser reads it back):
//   Operation(arg, arg, ...) -> ok
//   Operation(arg, ...) -> ok: <value>
//   Operation(arg, ...) -> failed: <reason>
//   event Operation(arg, ...)
// Strings are double-quoted with \" \\ \n \r \t escaped and other control
// characters (and unpaired surrogates) as \uXXXX; everything else is kept as it
// is. Integers are bare, booleans true or false, omitted arguments the word
// omitted. The reason of a failure is unquoted, with backslash and control
// characters escaped the same way, so the line never breaks.
class AgentCallFormat
{
public:
    static QString format(const AgentCall& call);
    static QString formatValue(const CallValue& value);
    static QString quote(const QString& text);
};

} // namespace clipvoice::platform::agent
