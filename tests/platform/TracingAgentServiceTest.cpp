#include "platform/agent/TracingAgentService.h"
#include "platform/agent/HeadlessAgentService.h"
#include "platform/agent/testing/AgentCallParser.h"
#include "platform/agent/testing/RecordingAgentService.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace clipvoice::platform::agent;
using clipvoice::platform::agent::testing::AgentCallParser;
using clipvoice::platform::agent::testing::RecordingAgentService;

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

const QByteArray signature("\xC3\xAB\xCD\xAB", 4);

QString id()
{
    return QStringLiteral("clipvoice");
}

QStringList readLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<no trace file>")};
    const QString text = QString::fromUtf8(file.readAll());
    QStringList lines = text.split(u'\n');
    if (lines.constLast().isEmpty())
        lines.removeLast(); // every line ends with a line break
    else
        lines.append(QStringLiteral("<last line not ended>"));
    return lines;
}

} // namespace

class TracingAgentServiceTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString tracePath(const QString& name) const { return m_dir.filePath(name); }

    std::unique_ptr<TracingAgentService> traced(std::unique_ptr<AgentService> inner,
                                                const QString& path)
    {
        AgentResult<std::unique_ptr<QFile>> file = TracingAgentService::openTraceFile(path);
        if (!file)
            return nullptr;
        return std::make_unique<TracingAgentService>(std::move(inner), std::move(file.value()));
    }

private slots:
    void init() { qunsetenv(traceVariable); }

    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QFile merlin(m_dir.filePath(QStringLiteral("Merlin.acs")));
        QVERIFY(merlin.open(QIODevice::WriteOnly));
        merlin.write(signature);
    }

    void writesOneLinePerCallWithItsOutcome()
    {
        const QString path = tracePath(QStringLiteral("calls.trace"));
        auto service = traced(std::make_unique<HeadlessAgentService>(m_dir.path()), path);
        QVERIFY(service);
        AgentCharacters& characters = service->characters();

        QVERIFY(!characters.unload(id()).ok());
        QVERIFY(!characters.load(id(), QStringLiteral("Missing.acs")).ok());
        QVERIFY(characters.load(id(), QStringLiteral("Merlin.acs")).ok());
        const CharacterPtr merlin = characters.item(id()).value();
        QVERIFY(merlin->addCommand(QStringLiteral("Read"), QStringLiteral("&Read")).ok());
        QCOMPARE(merlin->visible().value(), false);
        QVERIFY(merlin->show().ok());
        QCOMPARE(merlin->visible().value(), true);
        QVERIFY(merlin->setLanguageId(1041).ok());
        QVERIFY(!merlin->setLanguageId(0).ok());
        const RequestPtr speech =
            merlin->speak(QString::fromUtf16(u"「こんにちは」\r\n二行目")).value();
        QVERIFY(merlin->play(QStringLiteral("Wave")).ok());
        QVERIFY(merlin->stop(speech).ok());
        QVERIFY(merlin->stop().ok());
        QVERIFY(merlin->hide(true).ok());
        QVERIFY(merlin->think(QStringLiteral("hm")).ok());
        QVERIFY(merlin->saveSpeech(QStringLiteral("a\nb"), QStringLiteral("/tmp/x.ogg")).ok());
        QVERIFY(service->setPropertySheetVisible(true).ok());
        QVERIFY(characters.unload(id()).ok());
        QVERIFY(!merlin->speak(QStringLiteral("line one\r\nx")).ok());

        const QString missing = m_dir.filePath(QStringLiteral("Missing.acs"));
        const QStringList expected{
            QStringLiteral(
                R"(Characters.Unload("clipvoice") -> failed: no character is loaded under "clipvoice")"),
            QStringLiteral(
                R"(Characters.Load("clipvoice", "Missing.acs") -> failed: cannot load character file "%1": not found)")
                .arg(missing),
            QStringLiteral(R"(Characters.Load("clipvoice", "Merlin.acs") -> ok)"),
            QStringLiteral(R"(Characters.Item("clipvoice") -> ok)"),
            QStringLiteral(R"(Commands.Add("Read", "&Read", omitted, omitted, omitted) -> ok)"),
            QStringLiteral("Visible() -> ok: false"),
            QStringLiteral("Show(omitted) -> ok"),
            QStringLiteral("Visible() -> ok: true"),
            QStringLiteral("LanguageID(1041) -> ok"),
            QStringLiteral("LanguageID(0) -> failed: language id must be positive, not 0"),
            QString::fromUtf16(u"Speak(\"「こんにちは」\\r\\n二行目\", omitted) -> ok"),
            QStringLiteral(R"(Play("Wave") -> ok)"),
            // The speech was the third request handed out (after Load and Show).
            QStringLiteral("Stop(3) -> ok"),
            QStringLiteral("Stop(omitted) -> ok"),
            QStringLiteral("Hide(true) -> ok"),
            QStringLiteral(R"(Think("hm") -> ok)"),
            QStringLiteral(R"(SaveSpeech("a\nb", "/tmp/x.ogg") -> ok)"),
            QStringLiteral("PropertySheet.Visible(true) -> ok"),
            QStringLiteral(R"(Characters.Unload("clipvoice") -> ok)"),
            QStringLiteral(R"(Speak("line one\r\nx", omitted) -> failed: character is not loaded)"),
        };
        const QStringList lines = readLines(path);
        QCOMPARE(lines, expected);
        for (const QString& line : lines)
            QVERIFY2(AgentCallParser::parse(line).ok(), qPrintable(line));
    }

    void longTextsAreTracedByTheirStart()
    {
        const QString path = tracePath(QStringLiteral("long.trace"));
        auto service = traced(std::make_unique<HeadlessAgentService>(m_dir.path()), path);
        QVERIFY(service->characters().load(id(), QStringLiteral("Merlin.acs")).ok());
        const CharacterPtr merlin = service->characters().item(id()).value();
        // A 1 MB line whose cut would fall inside a character of two halves.
        const QString emoji = QString::fromUtf16(u"😀");
        const QString line = QString(TracingAgentService::TracedTextLength - 1, u'a') + emoji +
                             QString(1'000'000, u'b');
        QVERIFY(merlin->speak(line).ok());
        QVERIFY(merlin->think(QString(TracingAgentService::TracedTextLength, u'c')).ok());
        const QStringList lines = readLines(path);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(
            lines.at(2),
            QStringLiteral(R"(Speak("%1", omitted) -> ok (1000002 more characters not traced))")
                .arg(QString(TracingAgentService::TracedTextLength - 1, u'a')));
        // A text of exactly the limit is traced whole.
        QCOMPARE(lines.at(3), QStringLiteral(R"(Think("%1") -> ok)")
                                  .arg(QString(TracingAgentService::TracedTextLength, u'c')));
    }

    void appendsToWhatIsAlreadyThere()
    {
        const QString path = tracePath(QStringLiteral("shared.trace"));
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("Show(omitted) -> ok\n");
        earlier.close();

        auto first = traced(std::make_unique<HeadlessAgentService>(), path);
        auto second = traced(std::make_unique<HeadlessAgentService>(), path);
        QVERIFY(first && second);
        QVERIFY(first->setPropertySheetVisible(true).ok());
        QVERIFY(second->setPropertySheetVisible(false).ok());
        QVERIFY(first->setPropertySheetVisible(false).ok());
        QCOMPARE(readLines(path),
                 (QStringList{QStringLiteral("Show(omitted) -> ok"),
                              QStringLiteral("PropertySheet.Visible(true) -> ok"),
                              QStringLiteral("PropertySheet.Visible(false) -> ok"),
                              QStringLiteral("PropertySheet.Visible(false) -> ok")}));
    }

    void forwardsAndTracesTheCommandEvent()
    {
        const QString path = tracePath(QStringLiteral("event.trace"));
        auto inner = std::make_unique<HeadlessAgentService>(m_dir.path());
        HeadlessAgentService& headless = *inner;
        auto service = traced(std::move(inner), path);
        QVERIFY(service);
        QVERIFY(service->characters().load(id(), QStringLiteral("Merlin.acs")).ok());
        const CharacterPtr merlin = service->characters().item(id()).value();
        QVERIFY(
            merlin->addCommand(QStringLiteral("AdvCharOptions"), QStringLiteral("Options")).ok());

        QList<AgentUserInput> received;
        connect(service.get(), &AgentService::command, this,
                [&received](const AgentUserInput& input) { received.append(input); });
        QVERIFY(headless.chooseCommand(id(), QStringLiteral("AdvCharOptions")).ok());

        QCOMPARE(received.size(), 1);
        QCOMPARE(received.at(0).name, QStringLiteral("AdvCharOptions"));
        QCOMPARE(received.at(0).characterId, id());
        QCOMPARE(readLines(path).constLast(), QStringLiteral(R"(event Command("AdvCharOptions"))"));
    }

    void passesItsOwnRequestsBackUnwrapped()
    {
        // The inner service must get back the request it handed out, not the
        // tracing layer's wrapper. The character is loaded past the tracing layer,
        // so the two number the speech differently: 1 in the trace, 2 inside.
        auto inner = std::make_unique<RecordingAgentService>();
        RecordingAgentService& recording = *inner;
        const QString path = tracePath(QStringLiteral("unwrap.trace"));
        auto service = traced(std::move(inner), path);
        QVERIFY(service);
        QVERIFY(recording.characters().load(id(), QStringLiteral("Merlin.acs")).ok());
        const CharacterPtr merlin = service->characters().item(id()).value();
        const RequestPtr speech = merlin->speak(QStringLiteral("hi")).value();
        QCOMPARE(speech->status(), RequestStatus::Done);
        QVERIFY(merlin->stop(speech).ok());
        QCOMPARE(recording.lines().constLast(), QStringLiteral("Stop(2) -> ok"));
        QCOMPARE(readLines(path).constLast(), QStringLiteral("Stop(1) -> ok"));
    }

    void isInstalledOnlyWhenTheVariableNamesAFile_data()
    {
        QTest::addColumn<std::optional<QString>>("value");
        QTest::addColumn<bool>("tracing");
        QTest::newRow("unset") << std::optional<QString>() << false;
        QTest::newRow("empty") << std::optional<QString>(QString()) << false;
        QTest::newRow("file") << std::optional<QString>(tracePath(QStringLiteral("env.trace")))
                              << true;
    }

    void isInstalledOnlyWhenTheVariableNamesAFile()
    {
        QFETCH(std::optional<QString>, value);
        QFETCH(bool, tracing);
        if (value)
            qputenv(traceVariable, value->toLocal8Bit());
        auto inner = std::make_unique<HeadlessAgentService>();
        AgentService* const innerAddress = inner.get();
        const std::unique_ptr<AgentService> service = traceIfRequested(std::move(inner));
        QVERIFY(service);
        QCOMPARE(service.get() != innerAddress, tracing);
        QVERIFY(service->setPropertySheetVisible(true).ok());
        if (tracing)
            QCOMPARE(readLines(*value),
                     QStringList{QStringLiteral("PropertySheet.Visible(true) -> ok")});
    }

    void unopenableFileWarnsAndLeavesTheServiceAsItIs()
    {
        const QString path = m_dir.filePath(QStringLiteral("no/such/folder/x.trace"));
        qputenv(traceVariable, path.toLocal8Bit());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(
                                               "cannot open the trace file .*x\\.trace")));
        auto inner = std::make_unique<HeadlessAgentService>();
        AgentService* const innerAddress = inner.get();
        const std::unique_ptr<AgentService> service = traceIfRequested(std::move(inner));
        QCOMPARE(service.get(), innerAddress);
    }
};

QTEST_GUILESS_MAIN(TracingAgentServiceTest)
#include "TracingAgentServiceTest.moc"
