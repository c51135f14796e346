#pragma once

#include "platform/TrayIcon.h"

#include <QSystemTrayIcon>

namespace clipvoice::platform {

// The notification-area icon through Qt (StatusNotifierItem or XEmbed).
class QtTrayIcon final : public TrayIcon
{
    Q_OBJECT

public:
    explicit QtTrayIcon(QObject* parent = nullptr);

    bool isAvailable() const override;
    bool add(const QIcon& icon, const QString& tip) override;
    void remove() override;

private:
    QSystemTrayIcon m_icon;
};

} // namespace clipvoice::platform
