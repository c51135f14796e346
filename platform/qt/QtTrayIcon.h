#pragma once

#include "platform/TrayIcon.h"

#include <QSystemTrayIcon>
#include <QTimer>

namespace clipvoice::platform {

// The notification-area icon through Qt (StatusNotifierItem or XEmbed).
// When the desktop's notification area is not there yet (a program started
// before the panel), the icon is shown as soon as one appears.
class QtTrayIcon final : public TrayIcon
{
    Q_OBJECT

public:
    explicit QtTrayIcon(QObject* parent = nullptr);

    bool isAvailable() const override;
    bool add(const QIcon& icon, const QString& tip) override;
    void remove() override;

private:
    void showWhenAvailable();

    QSystemTrayIcon m_icon;
    QTimer m_waitForTray;
};

} // namespace clipvoice::platform
