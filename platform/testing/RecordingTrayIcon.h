#pragma once

#include "platform/TrayIcon.h"

#include <QIcon>
#include <QList>
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

    int addMenuOption(const QString& text) override
    {
        options.append({text, false});
        return static_cast<int>(options.size() - 1);
    }
    void setMenuOptionChecked(int option, bool checked) override
    {
        if (option >= 0 && option < options.size())
            options[option].checked = checked;
    }

    void setMenuOptionEnabled(int option, bool enabled) override
    {
        if (option >= 0 && option < options.size())
            options[option].enabled = enabled;
    }

    // A left press.
    void press() { emit pressed(); }
    // A right press: the press, then the menu opens when it has options.
    void pressRight()
    {
        emit pressed();
        if (!options.isEmpty()) {
            emit menuAboutToOpen();
            ++menuOpenings;
        }
    }
    // The user chooses an option in the open menu: its check mark flips, as a
    // checkable menu item's does, and the choice is reported. A disabled
    // option cannot be chosen.
    void choose(int option)
    {
        if (!options[option].enabled)
            return;
        options[option].checked = !options[option].checked;
        emit menuOptionToggled(option, options[option].checked);
    }

    struct MenuOption
    {
        QString text;
        bool checked = false;
        bool enabled = true;
    };

    bool available = true;
    bool shown = false;
    QIcon addedIcon;
    QString addedTip;
    QStringList calls;
    QList<MenuOption> options;
    int menuOpenings = 0;
};

} // namespace clipvoice::platform::testing
