#include "agent/desktop/WindowCharacterView.h"

#include <QMenu>
#include <QTimer>

namespace clipvoice::agent::desktop {

WindowCharacterView::WindowCharacterView(CharacterActions actions)
{
    m_window.setObjectName(QStringLiteral("CharacterWindow"));
    QObject::connect(&m_window, &ui::CharacterWindow::contextMenuRequested, &m_menu,
                     [this](QPoint at) { m_menu.popup(at, &m_window); });
    // Choices are acted on once the menu has closed, outside the menu's own events.
    QObject::connect(&m_menu, &ui::CharacterMenu::commandChosen, &m_menu,
                     [actions](const QString& name) {
                         QTimer::singleShot(0, [actions, name] { actions.chooseCommand(name); });
                     });
    QObject::connect(&m_menu, &ui::CharacterMenu::hideChosen, &m_menu,
                     [actions] { QTimer::singleShot(0, actions.hide); });
    QObject::connect(&m_menu, &ui::CharacterMenu::optionsChosen, &m_menu,
                     [actions] { QTimer::singleShot(0, actions.openOptions); });
}

WindowCharacterView::~WindowCharacterView() = default;

void WindowCharacterView::showFrame(const QImage& frame)
{
    m_window.setFrame(frame);
}

void WindowCharacterView::setVisible(bool visible)
{
    m_window.setVisible(visible);
}

void WindowCharacterView::setCommands(const QList<engine::CommandEntry>& commands)
{
    QList<ui::MenuCommand> entries;
    entries.reserve(commands.size());
    for (const engine::CommandEntry& command : commands)
        entries.append({command.name, command.caption, command.enabled, command.visible});
    m_menu.setCommands(entries);
}

} // namespace clipvoice::agent::desktop
