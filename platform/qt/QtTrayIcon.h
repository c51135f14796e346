#pragma once

#include "platform/TrayIcon.h"

#include <QList>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

namespace clipvoice::platform {

// The notification-area icon through Qt (StatusNotifierItem or XEmbed).
// When the desktop's notification area is not there yet (a program started
// before the panel), the icon is shown as soon as one appears. The menu is
// opened here on a right press rather than handed to the tray: a tray that
// showed it itself might not report the press, and the window would not come
// back.
class QtTrayIcon final : public TrayIcon
{
    Q_OBJECT

public:
    explicit QtTrayIcon(QObject* parent = nullptr);

    bool isAvailable() const override;
    bool add(const QIcon& icon, const QString& tip) override;
    void remove() override;
    int addMenuOption(const QString& text) override;
    void setMenuOptionChecked(int option, bool checked) override;
    void setMenuOptionEnabled(int option, bool enabled) override;

private:
    void showWhenAvailable();
    void openMenu();

    QSystemTrayIcon m_icon;
    QMenu m_menu;
    QList<QAction*> m_options;
    QTimer m_waitForTray;
};

} // namespace clipvoice::platform
