#include "TestCharacters.h"

#include "agent/engine/CharacterStates.h"
#include "agent/engine/IdleController.h"
#include "agent/engine/testing/MemoryCharacterSource.h"
#include "agent/timing/testing/ManualScheduler.h"
#include "platform/agent/testing/ScriptedRandom.h"

#include <QTest>

using namespace clipvoice::agent;
using namespace clipvoice::agent::engine;
using namespace clipvoice::agent::engine::testing;
using clipvoice::agent::timing::testing::ManualScheduler;
using namespace clipvoice::agent::engine::test;
using clipvoice::platform::testing::ScriptedRandom;

class CharacterStatesTest : public QObject
{
    Q_OBJECT

private slots:
    void statesAreFoundWhateverTheLetterCase()
    {
        acs::Character character = standardCharacter();
        character.info.states.append(
            {QStringLiteral("GESTURINGRIGHT"),
             {QStringLiteral("wave"), QStringLiteral("NoSuchAnimation"), QStringLiteral("GREET")}});
        const MemoryCharacterSource source(character);
        const CharacterStates states(source);

        // Names as the animation list spells them; missing animations left out.
        QCOMPARE(states.animations(states::gesturingRight),
                 (QStringList{QStringLiteral("Wave"), QStringLiteral("Greet")}));
        QCOMPARE(states.animations(QStringLiteral("showing")), QStringList{QStringLiteral("Show")});
        QVERIFY(states.has(states::speaking));
        QVERIFY(!states.has(states::listening));
        QVERIFY(states.animations(QStringLiteral("NoSuchState")).isEmpty());
    }

    void statesNameAnimationsWithoutDecodingThem()
    {
        acs::Character character = standardCharacter();
        character.info.states.append(
            {QStringLiteral("GESTURINGRIGHT"), {QStringLiteral("wave"), QStringLiteral("greet")}});
        MemoryCharacterSource source(character);
        source.setUnplayable(QStringLiteral("Wave")); // found damaged only when played
        const CharacterStates states(source);

        QCOMPARE(states.animations(states::gesturingRight),
                 (QStringList{QStringLiteral("Wave"), QStringLiteral("Greet")}));
        QCOMPARE(states.animations(states::idlingLevel3), QStringList{QStringLiteral("Idle3_1")});
        for (const QString& name : source.animationNames())
            QCOMPARE(source.lookups(name), 0);
        QCOMPARE(source.animationName(u"IDLE2_1"), QStringLiteral("Idle2_1"));
        QVERIFY(source.animationName(u"Idle4").isEmpty());
    }

    void picksAmongAStatesAnimationsAtRandom()
    {
        acs::Character character = standardCharacter();
        character.info.states.append({QStringLiteral("IDLINGLEVEL1"), {}}); // a duplicate, ignored
        character.info.states[3].animations = {QStringLiteral("Idle1_1"), QStringLiteral("Wave"),
                                               QStringLiteral("Greet")};
        const MemoryCharacterSource source(character);
        const CharacterStates states(source);
        ScriptedRandom random({2, 0, 1});
        QCOMPARE(states.pick(states::idlingLevel1, random), QStringLiteral("Greet"));
        QCOMPARE(states.pick(states::idlingLevel1, random), QStringLiteral("Idle1_1"));
        QCOMPARE(states.pick(states::idlingLevel1, random), QStringLiteral("Wave"));
        QVERIFY(states.pick(states::hearing, random).isEmpty());
    }

    void idleLevelsFallBackToLowerOnes()
    {
        acs::Character character = standardCharacter();
        character.info.states.removeIf(
            [](const acs::State& s) { return s.name == QStringLiteral("IDLINGLEVEL3"); });
        const MemoryCharacterSource source(character);
        const CharacterStates states(source);
        ScriptedRandom random;
        QCOMPARE(states.pickIdle(3, random), QStringLiteral("Idle2_1"));
        QCOMPARE(states.pickIdle(1, random), QStringLiteral("Idle1_1"));
        QCOMPARE(states.pickIdle(7, random), QStringLiteral("Idle2_1")); // clamped to 3

        const MemoryCharacterSource bare(acs::Character{});
        QVERIFY(CharacterStates(bare).pickIdle(3, random).isEmpty());
    }

    void idlingDeepensWithTimeAndStopsAtOnce()
    {
        ManualScheduler scheduler;
        QStringList asked;
        IdleController idle(scheduler, {1000, 500, 3000, 6000}, [&](int level) {
            asked.append(QStringLiteral("%1:%2").arg(scheduler.now()).arg(level));
        });
        idle.start();
        scheduler.advance(999);
        QVERIFY(asked.isEmpty());
        scheduler.advance(1);
        // An idle animation of 1.5 s each time, then the pause.
        for (int i = 0; i < 4; ++i) {
            scheduler.advance(1500);
            idle.animationEnded();
            scheduler.advance(500);
        }
        QCOMPARE(asked, (QStringList{QStringLiteral("1000:1"), QStringLiteral("3000:2"),
                                     QStringLiteral("5000:2"), QStringLiteral("7000:3"),
                                     QStringLiteral("9000:3")}));
        idle.start(); // already idling: the idle time keeps counting
        QCOMPARE(idle.level(), 3);

        idle.stop();
        QCOMPARE(idle.level(), 0);
        idle.animationEnded();
        scheduler.advance(100000);
        QCOMPARE(asked.size(), 5);
        QCOMPARE(scheduler.pendingCount(), 0);
    }
};

QTEST_GUILESS_MAIN(CharacterStatesTest)
#include "CharacterStatesTest.moc"
