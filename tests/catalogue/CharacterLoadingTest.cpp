// Loading a character from a tree key, and the options command, checked by
// the exact calls made on a recording character service.

#include "catalogue/CharacterLoading.h"
#include "platform/agent/testing/RecordingAgentService.h"
#include "platform/agent/testing/ScriptedRandom.h"

#include <QTest>

using namespace clipvoice;
using catalogue::LoadedCharacter;
using platform::agent::testing::RecordingAgentService;

namespace {
QString s(const char* text)
{
    return QString::fromUtf8(text);
}

QStringList loadSequence(const QString& key, bool unloadOk = true)
{
    return {unloadOk ? s("Characters.Unload(\"clipvoice\") -> ok")
                     : s("Characters.Unload(\"clipvoice\") -> failed: no character is loaded under "
                         "\"clipvoice\""),
            s("Characters.Load(\"clipvoice\", \"%1\") -> ok").arg(key),
            s("Characters.Item(\"clipvoice\") -> ok"),
            s("Commands.Add(\"AdvCharOptions\", \"キャラクタオプション\", omitted, omitted, "
              "omitted) -> ok"),
            s("Show(omitted) -> ok"),
            s("Play(\"Greet\") -> ok")};
}
} // namespace

class CharacterLoadingTest : public QObject
{
    Q_OBJECT

private:
    RecordingAgentService m_agent;
    platform::testing::ScriptedRandom m_random;
    LoadedCharacter m_loaded;

private slots:
    void init()
    {
        m_agent.clearFailures();
        (void)m_agent.characters().unload(s("clipvoice"));
        m_agent.clear();
        m_random = {};
        m_loaded = {};
    }

    void keysWithoutCharacterFileAreIgnored()
    {
        for (const char* key : {"R_ms", "R_other", "msg", "msg_other", "", "merlin.ac", "acs"})
            catalogue::LoadCharacter(s(key), m_agent, m_loaded, m_random);
        QVERIFY(m_agent.lines().isEmpty());
        QCOMPARE(m_random.reseeds, 0);
        QVERIFY(!m_loaded.isLoaded);
    }

    void loadFollowsItsStepsAndReseeds()
    {
        catalogue::LoadCharacter(s("Merlin.acs"), m_agent, m_loaded, m_random);
        QCOMPARE(m_agent.lines(), loadSequence(s("Merlin.acs"), false));
        QVERIFY(m_loaded.isLoaded);
        QVERIFY(m_loaded.CurrentCharacter != nullptr);
        QCOMPARE(m_random.reseeds, 1);
    }

    void upperCaseKeyIsLoadedUnchanged()
    {
        // ".acs" is looked for anywhere in the key, whatever its case.
        catalogue::LoadCharacter(s("MERLIN.ACS"), m_agent, m_loaded, m_random);
        QCOMPARE(m_agent.lines(s("Characters.Load")),
                 QStringList{s("Characters.Load(\"clipvoice\", \"MERLIN.ACS\") -> ok")});
        catalogue::LoadCharacter(s("x.acs.bak"), m_agent, m_loaded, m_random);
        QCOMPARE(m_agent.lines(s("Characters.Load")).size(), 2);
    }

    void reloadReplacesTheCharacterWithOneOptionsCommand()
    {
        catalogue::LoadCharacter(s("Merlin.acs"), m_agent, m_loaded, m_random);
        m_agent.clear();
        catalogue::LoadCharacter(s("Merlin.acs"), m_agent, m_loaded, m_random);
        QCOMPARE(m_agent.lines(), loadSequence(s("Merlin.acs")));
        QCOMPARE(m_agent.character(s("clipvoice"))->commands.size(), 1);
        QCOMPARE(m_random.reseeds, 2);
    }

    void failedLoadKeepsTheStaleCharacter()
    {
        catalogue::LoadCharacter(s("Merlin.acs"), m_agent, m_loaded, m_random);
        const platform::agent::CharacterPtr before = m_loaded.CurrentCharacter;
        m_agent.clear();
        m_agent.fail(s("Characters.Load")).because(s("file not found"));
        catalogue::LoadCharacter(s("Broken.acs"), m_agent, m_loaded, m_random);
        const QStringList lines = m_agent.lines();
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines.at(0), s("Characters.Unload(\"clipvoice\") -> ok"));
        QCOMPARE(lines.at(1),
                 s("Characters.Load(\"clipvoice\", \"Broken.acs\") -> failed: file not found"));
        QVERIFY(lines.at(2).startsWith(s("Characters.Item(\"clipvoice\") -> failed")));
        // The later steps run on the stale character and fail one by one.
        QVERIFY(lines.at(3).startsWith(s("Commands.Add(")) && lines.at(3).contains(s("failed")));
        QVERIFY(lines.at(4).startsWith(s("Show(omitted) -> failed")));
        QVERIFY(lines.at(5).startsWith(s("Play(\"Greet\") -> failed")));
        QCOMPARE(m_loaded.CurrentCharacter, before);
        QVERIFY(!m_loaded.isLoaded);
        QCOMPARE(m_random.reseeds, 2);

        // The next successful load repairs the state.
        m_agent.clearFailures();
        catalogue::LoadCharacter(s("Merlin.acs"), m_agent, m_loaded, m_random);
        QVERIFY(m_loaded.isLoaded);
        QVERIFY(m_loaded.CurrentCharacter != before);
    }

    void failingLoadBeforeAnyCharacterLeavesNothing()
    {
        m_agent.fail(s("Characters.Load"));
        catalogue::LoadCharacter(s("a.acs"), m_agent, m_loaded, m_random);
        QCOMPARE(m_agent.lines().size(), 3); // unload, load, item; nothing to add to or show
        QVERIFY(m_loaded.CurrentCharacter == nullptr);
    }

    void onlyTheExactOptionsCommandOpensThePropertySheet()
    {
        catalogue::answerCommand({s("advcharoptions"), s("clipvoice")}, m_agent);
        catalogue::answerCommand({s("Hide"), s("clipvoice")}, m_agent);
        QVERIFY(!m_agent.propertySheetVisible());
        catalogue::answerCommand({s("AdvCharOptions"), s("clipvoice")}, m_agent);
        QVERIFY(m_agent.propertySheetVisible());
        QCOMPARE(m_agent.lines(), QStringList{s("PropertySheet.Visible(true) -> ok")});
    }
};

QTEST_GUILESS_MAIN(CharacterLoadingTest)
#include "CharacterLoadingTest.moc"
