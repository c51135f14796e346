#include "agent/ui/CharacterMenu.h"

#include <QMenu>

namespace clipvoice::agent::ui {

CharacterMenu::CharacterMenu(QObject* parent)
    : QObject(parent)
{}

void CharacterMenu::setCommands(const QList<MenuCommand>& commands)
{
    m_commands = commands;
}

QString CharacterMenu::hideCaption()
{
    return QStringLiteral("隠す(&H)");
}

QString CharacterMenu::optionsCaption()
{
    return QStringLiteral("キャラクタの詳細オプション(&A)...");
}

void CharacterMenu::populate(QMenu* menu)
{
    menu->clear();
    bool anyVisible = false;
    for (const MenuCommand& command : std::as_const(m_commands)) {
        QAction* action = menu->addAction(command.caption);
        action->setEnabled(command.enabled);
        action->setVisible(command.visible);
        anyVisible = anyVisible || command.visible;
        const QString name = command.name;
        connect(action, &QAction::triggered, this, [this, name] { emit commandChosen(name); });
    }
    if (anyVisible)
        menu->addSeparator();
    connect(menu->addAction(hideCaption()), &QAction::triggered, this, &CharacterMenu::hideChosen);
    connect(menu->addAction(optionsCaption()), &QAction::triggered, this,
            &CharacterMenu::optionsChosen);
}

QMenu* CharacterMenu::popup(QPoint globalPos, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    populate(menu);
    menu->popup(globalPos);
    return menu;
}

} // namespace clipvoice::agent::ui
