#include "platform/agent/HeadlessAgentService.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace clipvoice::platform::agent;

namespace {

const QByteArray signature("\xC3\xAB\xCD\xAB", 4);

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write a test file");
    return path;
}

QString id()
{
    return QStringLiteral("clipvoice");
}

QStringList formatted(const QList<AgentCall>& calls)
{
    QStringList lines;
    for (const AgentCall& call : calls)
        lines.append(AgentCallFormat::format(call));
    return lines;
}

} // namespace

class HeadlessAgentServiceTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    QString m_merlin;

    // A loaded character under the program's id.
    CharacterPtr load(HeadlessAgentService& service)
    {
        if (!service.characters().load(id(), QStringLiteral("Merlin.acs")))
            return nullptr;
        AgentResult<CharacterPtr> item = service.characters().item(id());
        return item ? item.value() : nullptr;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        m_merlin = writeFile(m_folder.filePath(QStringLiteral("Merlin.acs")),
                             signature + QByteArray(100, 'x'));
    }

    void loadsABareNameFromTheCharacterFolder()
    {
        HeadlessAgentService service(m_folder.path());
        AgentResult<RequestPtr> loaded =
            service.characters().load(id(), QStringLiteral("Merlin.acs"));
        QVERIFY2(loaded.ok(), qPrintable(loaded.error()));
        QCOMPARE(loaded.value()->status(), RequestStatus::Done);
        QCOMPARE(service.character(id())->file, m_merlin);
        QVERIFY(service.characters().item(id()).ok());
    }

    void loadsAnAbsolutePathAsItIs()
    {
        QTemporaryDir elsewhere;
        const QString path = writeFile(elsewhere.filePath(QStringLiteral("Genie.acs")), signature);
        HeadlessAgentService service(m_folder.path());
        QVERIFY(service.characters().load(id(), path).ok());
        QCOMPARE(service.character(id())->file, path);

        // The same file name given bare is looked for in the character folder only.
        HeadlessAgentService other(m_folder.path());
        QVERIFY(!other.characters().load(id(), QStringLiteral("Genie.acs")).ok());
    }

    void loadsAnOlderCompoundFileCharacter()
    {
        const QByteArray compound("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
        writeFile(m_folder.filePath(QStringLiteral("Older.acs")), compound + QByteArray(504, 0));
        HeadlessAgentService service(m_folder.path());
        AgentResult<RequestPtr> loaded =
            service.characters().load(id(), QStringLiteral("Older.acs"));
        QVERIFY2(loaded.ok(), qPrintable(loaded.error()));
        // Only the first seven bytes of the signature: not a character file.
        writeFile(m_folder.filePath(QStringLiteral("Cut.acs")), compound.left(7));
        QVERIFY(
            !service.characters().load(QStringLiteral("other"), QStringLiteral("Cut.acs")).ok());
    }

    void refusesWhatIsNotACharacterFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason");
        const QString folder = m_folder.path();
        QTest::newRow("missing") << QStringLiteral("Nobody.acs") << QStringLiteral("not found");
        QTest::newRow("wrong signature")
            << writeFile(folder + QStringLiteral("/Fake.acs"), QByteArray("\xC3\xAB\xCD\xAC rest"))
            << QStringLiteral("not a character file");
        QTest::newRow("too short")
            << writeFile(folder + QStringLiteral("/Short.acs"), signature.left(3))
            << QStringLiteral("not a character file");
        QTest::newRow("empty") << writeFile(folder + QStringLiteral("/Empty.acs"), QByteArray())
                               << QStringLiteral("not a character file");
        QDir(folder).mkpath(QStringLiteral("Folder.acs"));
        QTest::newRow("folder") << QStringLiteral("Folder.acs")
                                << QStringLiteral("not a character file");
    }

    void refusesWhatIsNotACharacterFile()
    {
        QFETCH(QString, file);
        QFETCH(QString, reason);
        HeadlessAgentService service(m_folder.path());
        AgentResult<RequestPtr> loaded = service.characters().load(id(), file);
        QVERIFY(!loaded.ok());
        QVERIFY2(loaded.error().contains(QFileInfo(file).fileName()), qPrintable(loaded.error()));
        QVERIFY2(loaded.error().contains(reason), qPrintable(loaded.error()));
        QVERIFY(!service.character(id()));
        QVERIFY(!service.characters().item(id()).ok());
    }

    void refusesAnUnreadableFile()
    {
        const QString path = writeFile(m_folder.filePath(QStringLiteral("Locked.acs")), signature);
        QFile::setPermissions(path, QFileDevice::Permissions());
        QFile probe(path);
        if (probe.open(QIODevice::ReadOnly))
            QSKIP("the file stays readable (running with administrator rights)");
        HeadlessAgentService service(m_folder.path());
        AgentResult<RequestPtr> loaded = service.characters().load(id(), path);
        QVERIFY(!loaded.ok());
        QVERIFY2(loaded.error().contains(QStringLiteral("Locked.acs")), qPrintable(loaded.error()));
        QVERIFY2(loaded.error().contains(QStringLiteral("unreadable")), qPrintable(loaded.error()));
    }

    void oneCharacterPerIdUntilUnloaded()
    {
        HeadlessAgentService service(m_folder.path());
        QVERIFY(!service.characters().unload(id()).ok());
        QVERIFY(service.characters().load(id(), QStringLiteral("Merlin.acs")).ok());
        AgentResult<RequestPtr> again =
            service.characters().load(id(), QStringLiteral("Merlin.acs"));
        QVERIFY(!again.ok());
        QVERIFY2(again.error().contains(QStringLiteral("already loaded")),
                 qPrintable(again.error()));
        QVERIFY(service.characters().load(QStringLiteral("other"), m_merlin).ok());

        QVERIFY(service.characters().unload(id()).ok());
        QVERIFY(!service.characters().unload(id()).ok());
        QVERIFY(!service.characters().item(id()).ok());
        QVERIFY(service.characters().item(QStringLiteral("other")).ok());
        QVERIFY(service.characters().load(id(), QStringLiteral("Merlin.acs")).ok());
    }

    void unloadedCharacterFailsEveryCall()
    {
        HeadlessAgentService service(m_folder.path());
        const CharacterPtr stale = load(service);
        QVERIFY(stale);
        QVERIFY(stale->show().ok());
        QVERIFY(service.characters().unload(id()).ok());
        // A new character under the same id does not bring the old object back.
        const CharacterPtr fresh = load(service);
        QVERIFY(fresh);

        const QString notLoaded = QStringLiteral("character is not loaded");
        QCOMPARE(stale->addCommand(QStringLiteral("a"), QStringLiteral("A")).error(), notLoaded);
        QCOMPARE(stale->show().error(), notLoaded);
        QCOMPARE(stale->hide(true).error(), notLoaded);
        QCOMPARE(stale->visible().error(), notLoaded);
        QCOMPARE(stale->play(QStringLiteral("Wave")).error(), notLoaded);
        QCOMPARE(stale->speak(QStringLiteral("hi")).error(), notLoaded);
        QCOMPARE(stale->think(QStringLiteral("hm")).error(), notLoaded);
        QCOMPARE(stale->saveSpeech(QStringLiteral("hm"), QStringLiteral("a.wav")).error(),
                 notLoaded);
        QCOMPARE(stale->stop().error(), notLoaded);
        QCOMPARE(stale->setLanguageId(1041).error(), notLoaded);

        QVERIFY(fresh->speak(QStringLiteral("hi")).ok());
        QCOMPARE(fresh->visible().value(), false);
    }

    void requestsArePerformedAtOnceInOrder()
    {
        HeadlessAgentService service(m_folder.path());
        const CharacterPtr merlin = load(service);
        QVERIFY(merlin);
        QCOMPARE(merlin->visible().value(), false);

        const RequestPtr shown = merlin->show().value();
        QCOMPARE(merlin->visible().value(), true);
        const RequestPtr played = merlin->play(QStringLiteral("NoSuchAnimation")).value();
        const RequestPtr spoken = merlin->speak(QStringLiteral("hello")).value();
        const RequestPtr thought = merlin->think(QStringLiteral("hmm")).value();
        const RequestPtr saved =
            merlin->saveSpeech(QStringLiteral("one"), QStringLiteral("/x/one.wav")).value();
        const RequestPtr hidden = merlin->hide(false).value();
        QCOMPARE(merlin->visible().value(), false);
        for (const RequestPtr& request : {shown, played, spoken, thought, saved, hidden})
            QCOMPARE(request->status(), RequestStatus::Done);

        QVERIFY(merlin->stop(spoken).ok());
        QVERIFY(merlin->stop().ok());
        QCOMPARE(spoken->status(), RequestStatus::Done);

        QCOMPARE(formatted(service.character(id())->requests),
                 (QStringList{QStringLiteral("Show(omitted) -> ok"),
                              QStringLiteral(R"(Play("NoSuchAnimation") -> ok)"),
                              QStringLiteral(R"(Speak("hello", omitted) -> ok)"),
                              QStringLiteral(R"(Think("hmm") -> ok)"),
                              QStringLiteral(R"(SaveSpeech("one", "/x/one.wav") -> ok)"),
                              QStringLiteral("Hide(false) -> ok")}));
    }

    void languageIdMustBePositive()
    {
        HeadlessAgentService service(m_folder.path());
        const CharacterPtr merlin = load(service);
        QVERIFY(merlin);
        QVERIFY(merlin->setLanguageId(1041).ok());
        QVERIFY(!merlin->setLanguageId(0).ok());
        QVERIFY(!merlin->setLanguageId(-1033).ok());
        QCOMPARE(service.character(id())->languageId, 1041);
    }

    void commandsAreKeptAndCanBeChosen()
    {
        HeadlessAgentService service(m_folder.path());
        const CharacterPtr merlin = load(service);
        QVERIFY(merlin);
        AgentResult<CommandPtr> read =
            merlin->addCommand(QStringLiteral("Read"), QStringLiteral("&Read aloud"));
        QVERIFY(read.ok());
        QCOMPARE(read.value()->caption(), QStringLiteral("&Read aloud"));
        QVERIFY(merlin
                    ->addCommand(QStringLiteral("Quiet"), QStringLiteral("Quiet"),
                                 QStringLiteral("be quiet"), false, false)
                    .ok());
        QVERIFY(!merlin->addCommand(QStringLiteral("Read"), QStringLiteral("again")).ok());

        const QList<HeadlessCommandEntry> commands = service.character(id())->commands;
        QCOMPARE(commands.size(), 2);
        QCOMPARE(commands.at(0).name, QStringLiteral("Read"));
        QVERIFY(commands.at(0).enabled && commands.at(0).visible && !commands.at(0).voice);
        QCOMPARE(commands.at(1).voice.value_or(QString()), QStringLiteral("be quiet"));
        QVERIFY(!commands.at(1).enabled && !commands.at(1).visible);

        QList<AgentUserInput> chosen;
        connect(&service, &AgentService::command, this,
                [&chosen](const AgentUserInput& input) { chosen.append(input); });
        QVERIFY(service.chooseCommand(id(), QStringLiteral("Read")).ok());
        QVERIFY(!service.chooseCommand(id(), QStringLiteral("Quiet")).ok());   // disabled
        QVERIFY(!service.chooseCommand(id(), QStringLiteral("Unknown")).ok()); // never added
        QVERIFY(!service.chooseCommand(QStringLiteral("other"), QStringLiteral("Read")).ok());
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.at(0).name, QStringLiteral("Read"));
        QCOMPARE(chosen.at(0).characterId, id());
    }

    void charactersFailOnceTheServiceIsGone()
    {
        CharacterPtr orphan;
        {
            HeadlessAgentService service(m_folder.path());
            orphan = load(service);
            QVERIFY(orphan);
        }
        QVERIFY(!orphan->speak(QStringLiteral("anyone?")).ok());
    }
};

QTEST_GUILESS_MAIN(HeadlessAgentServiceTest)
#include "HeadlessAgentServiceTest.moc"
