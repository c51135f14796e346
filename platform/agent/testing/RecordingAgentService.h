#pragma once

#include "platform/agent/AgentCallFormat.h"
#include "platform/agent/HeadlessAgentService.h"
#include "platform/agent/ObservedAgentService.h"

#include <QList>
#include <QStringList>

#include <list>
#include <memory>
#include <optional>

namespace clipvoice::platform::agent::testing {

// Makes matching calls fail. A rule matches calls of its operation, only those
// whose first argument is the given one when set, and only the next N of them
// when limited.
class FailureRule
{
public:
    explicit FailureRule(QString operation);

    // Only calls whose first argument is this value ("Read" for Play("Read")).
    FailureRule& forArgument(const QString& firstArgument);
    FailureRule& forArgument(const CallValue& firstArgument);
    // Only the next n matching calls; afterwards the rule no longer applies.
    FailureRule& times(int n);
    // The reason the calls fail with; "injected failure" unless set.
    FailureRule& because(const QString& reason);

    // Uses up one failure when the call matches.
    std::optional<QString> take(const AgentCall& call);
    bool exhausted() const { return m_remaining && *m_remaining <= 0; }

private:
    QString m_operation;
    std::optional<CallValue> m_argument;
    std::optional<int> m_remaining;
    QString m_reason;
};

// A character service for tests: keeps a headless character model (any file name
// loads, visible changes at once, characters fail after unload), logs every
// call in order and fails the calls it is told to.
//
//     RecordingAgentService agent;
//     agent.fail(QStringLiteral("Play")).forArgument(QStringLiteral("Read")).times(1);
//     ... run the code under test ...
//     QCOMPARE(agent.lines(), (QStringList{QStringLiteral("Show(omitted) -> ok"), ...}));
//
// The log also holds the Command events raised, as event Command("name").
class RecordingAgentService final : public ObservedAgentService
{
public:
    explicit RecordingAgentService(QObject* parent = nullptr);
    ~RecordingAgentService() override;

    // Every call and event so far, oldest first.
    const QList<AgentCall>& calls() const;
    // The same in the one-line form: "Speak(\"hello\", omitted) -> ok".
    QStringList lines() const;
    // The lines of the calls of one operation only.
    QStringList lines(const QString& operation) const;
    void clear();

    // The status every request reports (Done unless set).
    void setRequestStatus(RequestStatus status);

    // Adds a rule; calls it matches fail without touching the model.
    FailureRule& fail(const QString& operation);
    void clearFailures();

    // Raises the Command event like a choice from the character's menu; fails
    // when no character is loaded under the id or it has no such enabled command.
    AgentStatus chooseCommand(const QString& characterId, const QString& name);
    // Raises the Command event whatever was loaded or added.
    void raiseCommand(const QString& characterId, const QString& name);

    // The model behind the log.
    std::optional<HeadlessCharacterState> character(const QString& characterId) const;
    bool propertySheetVisible() const;

private:
    class Recorder;

    RecordingAgentService(std::shared_ptr<Recorder> recorder, QObject* parent);
    HeadlessAgentService& model() const;

    std::shared_ptr<Recorder> m_recorder;
};

} // namespace clipvoice::platform::agent::testing
