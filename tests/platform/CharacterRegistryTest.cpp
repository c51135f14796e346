// The registry both character services keep their characters in: where a file
// name is looked up, which ids are free, and the messages of failed lookups,
// which the end-to-end tests find in the trace word for word.

#include "platform/agent/CharacterRegistry.h"

#include <QTest>

using namespace clipvoice::platform::agent;

namespace {

struct Character
{
    QString name;
};

std::shared_ptr<Character> character(const char* name)
{
    return std::make_shared<Character>(Character{QString::fromUtf8(name)});
}

} // namespace

class CharacterRegistryTest : public QObject
{
    Q_OBJECT

private slots:
    void fileNamesAreLookedUpInTheFolder()
    {
        CharacterRegistry<Character> registry(QStringLiteral("/srv/chars"));
        QCOMPARE(registry.resolve(QStringLiteral("Merlin.acs")),
                 QStringLiteral("/srv/chars/Merlin.acs"));
        QCOMPARE(registry.resolve(QStringLiteral("sub/Genie.acs")),
                 QStringLiteral("/srv/chars/sub/Genie.acs"));
        QCOMPARE(registry.resolve(QStringLiteral("/elsewhere/Genie.acs")),
                 QStringLiteral("/elsewhere/Genie.acs"));

        registry.setFolder(QStringLiteral("/other"));
        QCOMPARE(registry.folder(), QStringLiteral("/other"));
        QCOMPARE(registry.resolve(QStringLiteral("Merlin.acs")),
                 QStringLiteral("/other/Merlin.acs"));
        registry.setFolder(QString());
        QCOMPARE(registry.resolve(QStringLiteral("Merlin.acs")), QStringLiteral("Merlin.acs"));
    }

    void loadNeedsAnIdAFreeIdAndAFile()
    {
        CharacterRegistry<Character> registry;
        const QString file = QStringLiteral("Merlin.acs");
        QCOMPARE(registry.loadError(QString(), file), QStringLiteral("a character needs an id"));
        QCOMPARE(registry.loadError(QStringLiteral("clipvoice"), QString()),
                 QStringLiteral("no character file given"));
        QVERIFY(!registry.loadError(QStringLiteral("clipvoice"), file));

        registry.add(QStringLiteral("clipvoice"), character("Merlin"));
        QCOMPARE(registry.loadError(QStringLiteral("clipvoice"), file),
                 QStringLiteral("a character is already loaded under \"clipvoice\""));
        // Ids match exactly: another case is another id.
        QVERIFY(!registry.loadError(QStringLiteral("ClipVoice"), file));
    }

    void lookupsFindOnlyWhatIsLoadedUnderTheExactId()
    {
        CharacterRegistry<Character> registry;
        registry.add(QStringLiteral("clipvoice"), character("Merlin"));
        registry.add(QStringLiteral("second"), character("Genie"));

        const auto found = registry.item(QStringLiteral("clipvoice"));
        QVERIFY(found);
        QCOMPARE(found.value()->name, QStringLiteral("Merlin"));
        QCOMPARE(registry.find(QStringLiteral("second"))->name, QStringLiteral("Genie"));
        QVERIFY(!registry.find(QStringLiteral("CLIPVOICE")));
        QCOMPARE(registry.item(QStringLiteral("CLIPVOICE")).error(),
                 QStringLiteral("no character is loaded under \"CLIPVOICE\""));
        // The id is quoted as the trace writes strings.
        QCOMPARE(registry.item(QStringLiteral("say \"hi\"")).error(),
                 QStringLiteral("no character is loaded under \"say \\\"hi\\\"\""));

        QStringList ids = registry.ids();
        ids.sort();
        QCOMPARE(ids, (QStringList{QStringLiteral("clipvoice"), QStringLiteral("second")}));
    }

    void takingACharacterFreesItsId()
    {
        CharacterRegistry<Character> registry;
        registry.add(QStringLiteral("clipvoice"), character("Merlin"));
        const auto taken = registry.take(QStringLiteral("clipvoice"));
        QVERIFY(taken);
        QCOMPARE(taken.value()->name, QStringLiteral("Merlin"));
        QVERIFY(!registry.find(QStringLiteral("clipvoice")));
        QVERIFY(!registry.loadError(QStringLiteral("clipvoice"), QStringLiteral("Genie.acs")));
        QCOMPARE(registry.take(QStringLiteral("clipvoice")).error(),
                 QStringLiteral("no character is loaded under \"clipvoice\""));

        registry.add(QStringLiteral("a"), character("Merlin"));
        registry.add(QStringLiteral("b"), character("Genie"));
        QCOMPARE(registry.takeAll().size(), 2);
        QVERIFY(registry.ids().isEmpty());
    }

    void commandChoiceNeedsAnEnabledCommandOfThatName()
    {
        struct Entry
        {
            QString name;
            bool enabled = true;
        };
        const QList<Entry> commands{{QStringLiteral("Open"), true},
                                    {QStringLiteral("Close"), false}};
        QVERIFY(checkCommandChoice(commands, QStringLiteral("Open")));
        QCOMPARE(checkCommandChoice(commands, QStringLiteral("Close")).error(),
                 QStringLiteral("command \"Close\" is disabled"));
        QCOMPARE(checkCommandChoice(commands, QStringLiteral("open")).error(),
                 QStringLiteral("the character has no command named \"open\""));
    }
};

QTEST_GUILESS_MAIN(CharacterRegistryTest)
#include "CharacterRegistryTest.moc"
