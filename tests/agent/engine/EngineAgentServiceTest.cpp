#include "TestCharacters.h"

#include "agent/acs/AcsReader.h"
#include "agent/acs/AcsWriter.h"
#include "agent/engine/EngineAgentService.h"
#include "agent/engine/EngineCharacter.h"
#include "agent/engine/EngineRequest.h"
#include "agent/engine/PropertySheetView.h"
#include "agent/engine/testing/EngineEventLog.h"
#include "agent/engine/testing/FakeVoice.h"
#include "agent/engine/testing/RecordingPartsFactory.h"
#include "agent/engine/testing/RecordingRequestObserver.h"
#include "agent/timing/testing/ManualScheduler.h"
#include "platform/agent/testing/ScriptedRandom.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace clipvoice::agent;
using namespace clipvoice::agent::engine;
using namespace clipvoice::agent::engine::testing;
using clipvoice::agent::timing::testing::ManualScheduler;
using namespace clipvoice::agent::engine::test;
using clipvoice::platform::testing::ScriptedRandom;
using namespace clipvoice::platform::agent;

namespace {

class RecordingPropertySheet final : public PropertySheetView
{
public:
    void setVisible(bool visible) override { changes.append(visible); }
    void setLanguage(qint32 languageId) override { languages.append(languageId); }
    QList<bool> changes;
    QList<qint32> languages;
};

// The standard test character with real 16 x 16 images, ready for a file.
acs::Character fileCharacter()
{
    acs::Character character = standardCharacter();
    character.info.width = 16;
    character.info.height = 16;
    acs::IndexedImage image;
    image.width = 16;
    image.height = 16;
    image.pixels = QByteArray(16 * 16, '\x01');
    character.images = {image};
    return character;
}

QString id()
{
    return QStringLiteral("clipvoice");
}

} // namespace

class EngineAgentServiceTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    QString m_merlin;
    QString m_broken;

    struct Rig
    {
        explicit Rig(const QString& folder)
            : log(std::make_shared<EngineEventLog>())
            , scheduler(std::make_shared<ManualScheduler>())
            , factory(std::make_shared<RecordingPartsFactory>(log))
            , sheet(std::make_shared<RecordingPropertySheet>())
            , service(EngineEnvironment{factory,
                                        scheduler,
                                        std::make_shared<ScriptedRandom>(),
                                        sheet,
                                        std::make_shared<RecordingRequestObserver>(log),
                                        {},
                                        {}},
                      folder)
        {}

        CharacterPtr load(const QString& file = QStringLiteral("Merlin.acs"))
        {
            if (!service.characters().load(id(), file))
                return nullptr;
            AgentResult<CharacterPtr> item = service.characters().item(id());
            return item ? item.value() : nullptr;
        }

        std::shared_ptr<EngineEventLog> log;
        std::shared_ptr<ManualScheduler> scheduler;
        std::shared_ptr<RecordingPartsFactory> factory;
        std::shared_ptr<RecordingPropertySheet> sheet;
        EngineAgentService service;
    };

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        m_merlin = m_folder.filePath(QStringLiteral("Merlin.acs"));
        QString error;
        QVERIFY2(acs::AcsWriter::writeFile(fileCharacter(), m_merlin, &error), qPrintable(error));
        // The right signature followed by nonsense.
        m_broken = m_folder.filePath(QStringLiteral("Broken.acs"));
        QFile broken(m_broken);
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(QByteArray("\xC3\xAB\xCD\xAB", 4) + QByteArray(64, '\x7F'));
    }

    void loadsByBareNameOrAbsolutePath()
    {
        Rig rig(m_folder.path());
        const CharacterPtr character = rig.load();
        QVERIFY(character);
        QVERIFY(rig.service.characters().load(QStringLiteral("second"), m_merlin));
        QCOMPARE(rig.service.characterIds().size(), 2);

        const auto again = rig.service.characters().load(id(), QStringLiteral("Merlin.acs"));
        QVERIFY(!again);
        QCOMPARE(again.error(),
                 QStringLiteral("a character is already loaded under \"clipvoice\""));

        // The frames come from the file, composed at the character's size.
        QVERIFY(character->show());
        QCOMPARE(character->visible().value(), false); // requests run after the call returns
        rig.scheduler->advance(1000);
        QCOMPARE(character->visible().value(), true);
        QVERIFY(rig.log->lines().contains(QStringLiteral("frame 16x16")));
    }

    void brokenFileFailsWithTheReadersMessageAndLoadsNothing()
    {
        Rig rig(m_folder.path());
        acs::AcsReader reader;
        QVERIFY(!reader.openFile(m_broken));

        const auto loaded = rig.service.characters().load(id(), QStringLiteral("Broken.acs"));
        QVERIFY(!loaded);
        QVERIFY2(loaded.error().endsWith(reader.errorString()), qPrintable(loaded.error()));
        QVERIFY(loaded.error().contains(m_broken));
        QVERIFY(!rig.service.characters().item(id()));
        QVERIFY(rig.service.characterIds().isEmpty());
        QCOMPARE(rig.factory->created(), 0);

        QVERIFY(!rig.service.characters().load(id(), QStringLiteral("Missing.acs")));
        // The id is still free.
        QVERIFY(rig.load());
    }

    void damagedButLoadableFileWarnsInTheLogOnce()
    {
        // A second image whose block lies outside the file: the character loads
        // without it, and the reader's warning names the file and the place.
        acs::Character character = fileCharacter();
        character.images.append(character.images.first());
        const acs::AcsWriter::Result written = acs::AcsWriter::write(character);
        QVERIFY2(written.ok(), qPrintable(written.error));
        QByteArray bytes = written.data;
        const quint32 imageList = qFromLittleEndian<quint32>(bytes.constData() + 20);
        qToLittleEndian<quint32>(0xFFFFFF00, bytes.data() + imageList + 4 + 12);
        QFile damaged(m_folder.filePath(QStringLiteral("Damaged.acs")));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        QCOMPARE(damaged.write(bytes), bytes.size());
        damaged.close();

        Rig rig(m_folder.path());
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral(
                                 R"(Damaged\.acs: image 1: image list at offset 0x[0-9a-f]+: )"
                                 R"(image 1 \(offset 0xffffff00)")));
        const CharacterPtr loaded = rig.load(QStringLiteral("Damaged.acs"));
        QVERIFY(loaded);
        // Drawing the character reports nothing more.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("Damaged")));
        QVERIFY(loaded->show());
        rig.scheduler->advance(1000);
        QCOMPARE(loaded->visible().value(), true);
    }

    void characterObjectsFailAfterUnload()
    {
        Rig rig(m_folder.path());
        const CharacterPtr stale = rig.load();
        QVERIFY(stale);
        const RequestPtr waiting = stale->speak(QStringLiteral("Never heard")).value();
        QVERIFY(rig.service.characters().unload(id()));
        QCOMPARE(waiting->status(), RequestStatus::Interrupted);
        QVERIFY(!rig.service.characters().unload(id()));

        // Loaded again under the same id: the old object still fails.
        const CharacterPtr fresh = rig.load();
        QVERIFY(fresh);
        const QString gone = QStringLiteral("character is not loaded");
        QCOMPARE(stale->show().error(), gone);
        QCOMPARE(stale->hide().error(), gone);
        QCOMPARE(stale->visible().error(), gone);
        QCOMPARE(stale->play(QStringLiteral("Wave")).error(), gone);
        QCOMPARE(stale->speak(QStringLiteral("Hi")).error(), gone);
        QCOMPARE(stale->think(QStringLiteral("Hmm")).error(), gone);
        QCOMPARE(stale->saveSpeech(QStringLiteral("Hmm"), QStringLiteral("a.wav")).error(), gone);
        QCOMPARE(stale->stop().error(), gone);
        QCOMPARE(stale->setLanguageId(0x0409).error(), gone);
        QCOMPARE(stale->addCommand(QStringLiteral("Read"), QStringLiteral("Read")).error(), gone);
        QVERIFY(fresh->show());
        QVERIFY(fresh->visible());
    }

    void characterObjectsFailOnceTheServiceIsGone()
    {
        CharacterPtr orphan;
        {
            Rig rig(m_folder.path());
            orphan = rig.load();
            QVERIFY(orphan);
        }
        QVERIFY(!orphan->show());
        QVERIFY(!orphan->visible());
    }

    void commandsReachTheMenuAndComeBackAsEvents()
    {
        Rig rig(m_folder.path());
        const CharacterPtr character = rig.load();
        QVERIFY(character->addCommand(QStringLiteral("Read"), QStringLiteral("&Read aloud")));
        QVERIFY(character->addCommand(QStringLiteral("Quiet"), QStringLiteral("Be quiet"),
                                      std::nullopt, false));
        QVERIFY(!character->addCommand(QStringLiteral("Read"), QStringLiteral("Again")));
        QCOMPARE(
            rig.log->starting(QStringLiteral("commands")),
            (QStringList{QStringLiteral("commands Read"), QStringLiteral("commands Read,Quiet")}));
        QCOMPARE(rig.service.commands(id()).at(1),
                 (CommandEntry{QStringLiteral("Quiet"), QStringLiteral("Be quiet"), false, true}));

        QSignalSpy chosen(&rig.service, &AgentService::command);
        QVERIFY(rig.service.chooseCommand(id(), QStringLiteral("Read")));
        QCOMPARE(chosen.size(), 1);
        const auto input = chosen.at(0).at(0).value<AgentUserInput>();
        QCOMPARE(input.name, QStringLiteral("Read"));
        QCOMPARE(input.characterId, id());
        QVERIFY(!rig.service.chooseCommand(id(), QStringLiteral("Quiet")));
        QVERIFY(!rig.service.chooseCommand(id(), QStringLiteral("Unknown")));
        QVERIFY(!rig.service.chooseCommand(QStringLiteral("nobody"), QStringLiteral("Read")));
        QCOMPARE(chosen.size(), 1);
    }

    void propertySheetAndLanguage()
    {
        Rig rig(m_folder.path());
        QVERIFY(rig.service.setPropertySheetVisible(true));
        QVERIFY(rig.service.setPropertySheetVisible(false));
        QCOMPARE(rig.sheet->changes, (QList<bool>{true, false}));

        QVERIFY(rig.sheet->languages.isEmpty()); // no character: no language to offer

        const CharacterPtr character = rig.load();
        rig.factory->voice(id())->languages = {0x0409, 0x0419};
        QVERIFY(character->setLanguageId(0x0409));
        QVERIFY(!character->setLanguageId(0x0407)); // the voice cannot speak it
        QVERIFY(character->setLanguageId(0x0419));
        QVERIFY(rig.service.setPropertySheetVisible(true));
        QCOMPARE(rig.sheet->languages, QList<qint32>{0x0419});
    }

    void requestsAreNumberedForTheTrace()
    {
        Rig rig(m_folder.path());
        const CharacterPtr character = rig.load();
        QVERIFY(character->show(true));
        QVERIFY(character->play(QStringLiteral("Missing")));
        QVERIFY(character->think(QStringLiteral("Hmm")));
        rig.scheduler->advance(10000);
        QCOMPARE(rig.log->starting(QStringLiteral("request")),
                 (QStringList{QStringLiteral("request 1 Load \"%1\" started").arg(m_merlin),
                              QStringLiteral("request 1 done"),
                              QStringLiteral("request 2 Show fast started"),
                              QStringLiteral("request 2 done"),
                              QStringLiteral("request 3 Play \"Missing\" started"),
                              QStringLiteral("request 3 failed"),
                              QStringLiteral("request 4 Think \"Hmm\" started"),
                              QStringLiteral("request 4 done")}));
    }

    void longTextsAreCutShortInDescriptions()
    {
        const QString text(5000, QLatin1Char('a'));
        const EngineRequest speech(7, 1, id(), RequestKind::Speak, text);
        QCOMPARE(speech.description(), QStringLiteral("Speak \"%1\"").arg(text));
        QCOMPARE(speech.description(5000), speech.description());
        QCOMPARE(speech.description(10),
                 QStringLiteral("Speak \"aaaaaaaaaa\" and 4990 more characters"));
        // Never inside a surrogate pair.
        const EngineRequest thought(8, 1, id(), RequestKind::Think, QStringLiteral("ab😀cd"));
        QCOMPARE(thought.description(3), QStringLiteral("Think \"ab\" and 4 more characters"));
        QCOMPARE(thought.description(4), QStringLiteral("Think \"ab😀\" and 2 more characters"));
    }
};

QTEST_GUILESS_MAIN(EngineAgentServiceTest)
#include "EngineAgentServiceTest.moc"
