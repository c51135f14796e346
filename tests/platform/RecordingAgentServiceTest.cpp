#include "platform/agent/testing/RecordingAgentService.h"

#include <QTest>

using namespace clipvoice::platform::agent;
using clipvoice::platform::agent::testing::RecordingAgentService;

namespace {

QString id()
{
    return QStringLiteral("clipvoice");
}

CharacterPtr loadAndItem(RecordingAgentService& service)
{
    if (!service.characters().load(id(), QStringLiteral("AnyName.acs")))
        return nullptr;
    AgentResult<CharacterPtr> item = service.characters().item(id());
    return item ? item.value() : nullptr;
}

} // namespace

class RecordingAgentServiceTest : public QObject
{
    Q_OBJECT

private slots:
    void logsCallsInOrderAsLines()
    {
        RecordingAgentService service;
        const CharacterPtr merlin = loadAndItem(service);
        QVERIFY(merlin);
        service.clear();

        QCOMPARE(merlin->visible().value(), false);
        QVERIFY(merlin->show().ok());
        QVERIFY(merlin->setLanguageId(1041).ok());
        QVERIFY(merlin->speak(QStringLiteral("hello")).ok());
        QVERIFY(merlin->hide().ok());
        QCOMPARE(service.lines(), (QStringList{QStringLiteral("Visible() -> ok: false"),
                                               QStringLiteral("Show(omitted) -> ok"),
                                               QStringLiteral("LanguageID(1041) -> ok"),
                                               QStringLiteral(R"(Speak("hello", omitted) -> ok)"),
                                               QStringLiteral("Hide(omitted) -> ok")}));
        QCOMPARE(service.lines(QStringLiteral("Speak")),
                 QStringList{QStringLiteral(R"(Speak("hello", omitted) -> ok)")});

        const AgentCall& speak = service.calls().at(3);
        QCOMPARE(speak.operation, QStringLiteral("Speak"));
        QCOMPARE(speak.arguments.at(0).text(), QStringLiteral("hello"));
        QVERIFY(speak.arguments.at(1).isOmitted());
        QVERIFY(speak.ok);

        service.clear();
        QVERIFY(service.calls().isEmpty());
    }

    void modelsCharactersLikeTheHeadlessService()
    {
        RecordingAgentService service;
        QVERIFY(!service.characters().unload(id()).ok());
        const CharacterPtr merlin = loadAndItem(service);
        QVERIFY(merlin);
        QCOMPARE(service.character(id())->file, QStringLiteral("AnyName.acs"));
        QVERIFY(!service.characters().load(id(), QStringLiteral("Other.acs")).ok());
        QVERIFY(merlin->show().ok());
        QVERIFY(service.character(id())->visible);
        QVERIFY(service.characters().unload(id()).ok());
        QVERIFY(!merlin->hide().ok());
        QCOMPARE(service.lines().constLast(),
                 QStringLiteral("Hide(omitted) -> failed: character is not loaded"));
    }

    void failsAnOperationEveryTime()
    {
        RecordingAgentService service;
        service.fail(QStringLiteral("Play"));
        const CharacterPtr merlin = loadAndItem(service);
        QVERIFY(merlin);
        service.clear();

        QCOMPARE(merlin->play(QStringLiteral("Greet")).error(), QStringLiteral("injected failure"));
        QVERIFY(!merlin->play(QStringLiteral("Read")).ok());
        QVERIFY(merlin->speak(QStringLiteral("still fine")).ok());
        QCOMPARE(service.lines(),
                 (QStringList{QStringLiteral(R"(Play("Greet") -> failed: injected failure)"),
                              QStringLiteral(R"(Play("Read") -> failed: injected failure)"),
                              QStringLiteral(R"(Speak("still fine", omitted) -> ok)")}));
        // A refused request never reached the model.
        QCOMPARE(service.character(id())->requests.size(), 1);

        service.clearFailures();
        QVERIFY(merlin->play(QStringLiteral("Greet")).ok());
    }

    void failsOnlyForTheGivenFirstArgument()
    {
        RecordingAgentService service;
        service.fail(QStringLiteral("Play")).forArgument(QStringLiteral("Read"));
        service.fail(QStringLiteral("LanguageID")).forArgument(CallValue::integer(1041));
        const CharacterPtr merlin = loadAndItem(service);
        QVERIFY(merlin);

        QVERIFY(!merlin->play(QStringLiteral("Read")).ok());
        QVERIFY(merlin->play(QStringLiteral("Reading")).ok());
        QVERIFY(merlin->play(QStringLiteral("read")).ok());
        QVERIFY(!merlin->play(QStringLiteral("Read")).ok());
        QVERIFY(!merlin->setLanguageId(1041).ok());
        QVERIFY(merlin->setLanguageId(1033).ok());
    }

    void failsOnlyTheNextTimes()
    {
        RecordingAgentService service;
        service.fail(QStringLiteral("Characters.Load")).times(2).because(QStringLiteral("busy"));
        QCOMPARE(service.characters().load(id(), QStringLiteral("A.acs")).error(),
                 QStringLiteral("busy"));
        QVERIFY(!service.characters().load(id(), QStringLiteral("A.acs")).ok());
        QVERIFY(!service.character(id()));
        QVERIFY(service.characters().load(id(), QStringLiteral("A.acs")).ok());
        QVERIFY(service.character(id()));

        // With an argument too, only matching calls use up the count.
        service.fail(QStringLiteral("Speak")).forArgument(QStringLiteral("x")).times(1);
        const CharacterPtr merlin = service.characters().item(id()).value();
        QVERIFY(merlin->speak(QStringLiteral("y")).ok());
        QVERIFY(!merlin->speak(QStringLiteral("x")).ok());
        QVERIFY(merlin->speak(QStringLiteral("x")).ok());
    }

    void stopNamesTheRequestByNumber()
    {
        RecordingAgentService service;
        const CharacterPtr merlin = loadAndItem(service);
        QVERIFY(merlin);
        QVERIFY(merlin->show().ok());
        const RequestPtr speech = merlin->speak(QStringLiteral("long text")).value();
        QCOMPARE(RecordingAgentService::requestNumber(speech), 3);
        QVERIFY(merlin->stop(speech).ok());
        QVERIFY(merlin->stop().ok());
        QCOMPARE(
            service.lines().mid(service.lines().size() - 2),
            (QStringList{QStringLiteral("Stop(3) -> ok"), QStringLiteral("Stop(omitted) -> ok")}));
    }

    void raisesAndLogsTheCommandEvent()
    {
        RecordingAgentService service;
        QList<AgentUserInput> received;
        connect(&service, &AgentService::command, this,
                [&received](const AgentUserInput& input) { received.append(input); });

        // Choosing needs the command on the character's menu; raising does not.
        QVERIFY(!service.chooseCommand(id(), QStringLiteral("Read")).ok());
        const CharacterPtr merlin = loadAndItem(service);
        QVERIFY(merlin);
        QVERIFY(merlin->addCommand(QStringLiteral("Read"), QStringLiteral("&Read")).ok());
        service.clear();
        QVERIFY(service.chooseCommand(id(), QStringLiteral("Read")).ok());
        service.raiseCommand(id(), QStringLiteral("AdvCharOptions"));

        QCOMPARE(received.size(), 2);
        QCOMPARE(received.at(0).name, QStringLiteral("Read"));
        QCOMPARE(received.at(1).name, QStringLiteral("AdvCharOptions"));
        QCOMPARE(received.at(1).characterId, id());
        QCOMPARE(service.lines(),
                 (QStringList{QStringLiteral(R"(event Command("Read"))"),
                              QStringLiteral(R"(event Command("AdvCharOptions"))")}));
    }
};

QTEST_GUILESS_MAIN(RecordingAgentServiceTest)
#include "RecordingAgentServiceTest.moc"
