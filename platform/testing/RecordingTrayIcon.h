#pragma once

#include "platform/TrayIcon.h"

#include <QIcon>
#include <QStringList>

namespace clipvoice::platform::testing {

// A tray icon that records what was asked of it; press() plays a user's press.
class RecordingTrayIcon final : public TrayIcon
{
    Q_OBJECT

public:
    using TrayIcon::TrayIcon;

    bool isAvailable() const override { return available; }
    bool add(const QIcon& icon, const QString& tip) override
    {
        calls.append(QStringLiteral("add"));
        addedIcon = icon;
        addedTip = tip;
        shown = available;
        return shown;
    }
    void remove() override
    {
        calls.append(QStringLiteral("remove"));
        shown = false;
    }

    void press() { emit pressed(); }

    bool available = true;
    bool shown = false;
    QIcon addedIcon;
    QString addedTip;
    QStringList calls;
};

} // namespace clipvoice::platform::testing
