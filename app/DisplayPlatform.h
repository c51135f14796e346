#pragma once

#include <QByteArray>
#include <QList>

namespace clipvoice::app {

// The Qt platform plugin to ask for, or an empty text to leave Qt's choice.
// In a Wayland session the program runs through XWayland unless the user chose
// a platform (by QT_QPA_PLATFORM or -platform): reading the clipboard in the
// background, placing windows and keeping them on top need X11 there.
// Falls back to Wayland when no X server is reachable.
QByteArray preferredPlatformPlugin(const QByteArray& sessionType, bool waylandDisplaySet,
                                   bool userChosePlatform);

// Applies the choice for this process; call before the application object exists.
void choosePlatformPlugin(int argc, char** argv);

} // namespace clipvoice::app
