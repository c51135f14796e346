#include "platform/qt/QtTrayIcon.h"

namespace clipvoice::platform {

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
}

bool QtTrayIcon::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool QtTrayIcon::add(const QIcon& icon, const QString& tip)
{
    m_icon.setIcon(icon);
    m_icon.setToolTip(tip);
    m_icon.show();
    return m_icon.isVisible();
}

void QtTrayIcon::remove()
{
    m_icon.hide();
}

} // namespace clipvoice::platform
