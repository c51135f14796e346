#include "agent/ui/CharacterMenu.h"

#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using namespace clipvoice::agent::ui;

namespace {

QList<MenuCommand> programCommands()
{
    return {
        {QStringLiteral("read"), QStringLiteral("読み上げる(&R)"), true, true},
        {QStringLiteral("stop"), QStringLiteral("停止(&S)"), false, true},
        {QStringLiteral("secret"), QStringLiteral("隠しコマンド"), true, false},
        {QStringLiteral("about"), QStringLiteral("バージョン情報(&V)"), true, true},
    };
}

} // namespace

class TestCharacterMenu : public QObject
{
    Q_OBJECT

private slots:
    void listsTheProgramsCommandsBeforeItsOwn()
    {
        CharacterMenu builder;
        builder.setCommands(programCommands());
        QMenu menu;
        builder.populate(&menu);
        const QList<QAction*> actions = menu.actions();
        QCOMPARE(actions.size(), 7);
        const QList<MenuCommand> commands = programCommands();
        for (int i = 0; i < commands.size(); ++i) {
            QCOMPARE(actions.at(i)->text(), commands.at(i).caption);
            // Qt reports hidden actions as disabled too.
            QCOMPARE(actions.at(i)->isEnabled(), commands.at(i).enabled && commands.at(i).visible);
            QCOMPARE(actions.at(i)->isVisible(), commands.at(i).visible);
            QVERIFY(!actions.at(i)->isSeparator());
        }
        QVERIFY(actions.at(4)->isSeparator());
        QCOMPARE(actions.at(5)->text(), CharacterMenu::hideCaption());
        QCOMPARE(actions.at(6)->text(), CharacterMenu::optionsCaption());
        QVERIFY(actions.at(5)->isEnabled() && actions.at(6)->isEnabled());

        // Building again replaces the old entries.
        builder.setCommands(programCommands().mid(0, 1));
        builder.populate(&menu);
        QCOMPARE(menu.actions().size(), 4);
    }

    void withoutVisibleCommandsHasNoSeparator()
    {
        CharacterMenu builder;
        QMenu menu;
        builder.populate(&menu);
        QCOMPARE(menu.actions().size(), 2);
        QCOMPARE(menu.actions().first()->text(), CharacterMenu::hideCaption());

        builder.setCommands({{QStringLiteral("x"), QStringLiteral("X"), true, false}});
        builder.populate(&menu);
        QCOMPARE(menu.actions().size(), 3);
        QVERIFY(!menu.actions().at(1)->isSeparator());
    }

    void reportsWhatWasChosen()
    {
        CharacterMenu builder;
        builder.setCommands(programCommands());
        QMenu menu;
        builder.populate(&menu);
        QSignalSpy command(&builder, &CharacterMenu::commandChosen);
        QSignalSpy hide(&builder, &CharacterMenu::hideChosen);
        QSignalSpy options(&builder, &CharacterMenu::optionsChosen);

        menu.actions().at(3)->trigger();
        menu.actions().at(0)->trigger();
        QCOMPARE(command.count(), 2);
        QCOMPARE(command.at(0).at(0).toString(), QStringLiteral("about"));
        QCOMPARE(command.at(1).at(0).toString(), QStringLiteral("read"));
        // A disabled command cannot be chosen.
        menu.actions().at(1)->trigger();
        QCOMPARE(command.count(), 2);
        QCOMPARE(hide.count(), 0);
        QCOMPARE(options.count(), 0);

        menu.actions().at(5)->trigger();
        QCOMPARE(hide.count(), 1);
        menu.actions().at(6)->trigger();
        QCOMPARE(options.count(), 1);
        QCOMPARE(command.count(), 2);
    }

    void popsUpAndGoesAwayWhenClosed()
    {
        CharacterMenu builder;
        builder.setCommands(programCommands());
        QSignalSpy hide(&builder, &CharacterMenu::hideChosen);
        QPointer<QMenu> menu = builder.popup(QPoint(100, 100));
        QVERIFY(menu);
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->actions().size(), 7);
        menu->setActiveAction(menu->actions().at(5));
        QTest::keyClick(menu, Qt::Key_Return);
        QCOMPARE(hide.count(), 1);
        QTRY_VERIFY(menu.isNull());
    }
};

QTEST_MAIN(TestCharacterMenu)
#include "CharacterMenuTest.moc"
