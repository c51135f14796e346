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

signals:
    // The user pressed the left or the right button on the icon.
    void pressed();
};

} // namespace clipvoice::platform
