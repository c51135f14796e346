#include "platform/qt/QtTrayIcon.h"

#include <QAction>
#include <QCursor>

namespace clipvoice::platform {

namespace {
constexpr int kTrayPollMs = 1000;
}

QtTrayIcon::QtTrayIcon(QObject* parent)
    : TrayIcon(parent)
{
    connect(&m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // Trigger is a left press, Context a right press; the middle
                // button and the second press of a double-click do nothing.
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context)
                    emit pressed();
                if (reason == QSystemTrayIcon::Context)
                    openMenu();
            });
    m_waitForTray.setInterval(kTrayPollMs);
    connect(&m_waitForTray, &QTimer::timeout, this, &QtTrayIcon::showWhenAvailable);
}

bool QtTrayIcon::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool QtTrayIcon::add(const QIcon& icon, const QString& tip)
{
    m_icon.setIcon(icon);
    m_icon.setToolTip(tip);
    if (isAvailable()) {
        m_icon.show();
        return true;
    }
    m_waitForTray.start();
    return false;
}

void QtTrayIcon::showWhenAvailable()
{
    if (!isAvailable())
        return;
    m_waitForTray.stop();
    m_icon.hide();
    m_icon.show();
}

void QtTrayIcon::remove()
{
    m_waitForTray.stop();
    m_icon.hide();
}

int QtTrayIcon::addMenuOption(const QString& text)
{
    QAction* action = m_menu.addAction(text);
    action->setCheckable(true);
    const int option = static_cast<int>(m_options.size());
    // triggered, unlike toggled, comes only from the user's choice.
    connect(action, &QAction::triggered, this,
            [this, option](bool checked) { emit menuOptionToggled(option, checked); });
    m_options.append(action);
    return option;
}

void QtTrayIcon::setMenuOptionChecked(int option, bool checked)
{
    if (option >= 0 && option < m_options.size())
        m_options[option]->setChecked(checked);
}

void QtTrayIcon::setMenuOptionEnabled(int option, bool enabled)
{
    if (option >= 0 && option < m_options.size())
        m_options[option]->setEnabled(enabled);
}

void QtTrayIcon::openMenu()
{
    if (m_options.isEmpty())
        return;
    emit menuAboutToOpen();
    m_menu.popup(QCursor::pos());
}

} // namespace clipvoice::platform
