#pragma once

#include <QObject>
#include <QString>

class QIcon;

namespace clipvoice::platform {

// The program's icon in the notification area.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Whether the desktop has a notification area at all.
    virtual bool isAvailable() const = 0;
    // Adds the icon with the tip; false when it could not be added.
    virtual bool add(const QIcon& icon, const QString& tip) = 0;
    virtual void remove() = 0;

    // The icon's menu, which a right press opens at the pointer (after
    // pressed()) once it has an option: checkable options, numbered from 0 in
    // the order added. Returns the new option's number.
    virtual int addMenuOption(const QString& text) = 0;
    virtual void setMenuOptionChecked(int option, bool checked) = 0;
    // A disabled option is shown greyed out and cannot be chosen.
    virtual void setMenuOptionEnabled(int option, bool enabled) = 0;

signals:
    // The user pressed the left or the right button on the icon.
    void pressed();
    // The menu is about to open: the options' check marks can be brought up
    // to date now.
    void menuAboutToOpen();
    // The user chose an option, which is now checked or not.
    void menuOptionToggled(int option, bool checked);
};

} // namespace clipvoice::platform
