#include "platform/qt/QtTrayIcon.h"

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

} // namespace clipvoice::platform
