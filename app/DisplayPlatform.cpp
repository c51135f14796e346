#include "app/DisplayPlatform.h"

#include <QtGlobal>

#include <cstring>

namespace clipvoice::app {

QByteArray preferredPlatformPlugin(const QByteArray& sessionType, bool waylandDisplaySet,
                                   bool userChosePlatform)
{
    if (userChosePlatform)
        return {};
    if (sessionType.toLower() == "wayland" || waylandDisplaySet)
        return QByteArrayLiteral("xcb;wayland");
    return {};
}

void choosePlatformPlugin(int argc, char** argv)
{
    bool chosen = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    for (int i = 1; i < argc && !chosen; ++i)
        chosen = std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0;
    const QByteArray plugin = preferredPlatformPlugin(
        qgetenv("XDG_SESSION_TYPE"), qEnvironmentVariableIsSet("WAYLAND_DISPLAY"), chosen);
    if (!plugin.isEmpty())
        qputenv("QT_QPA_PLATFORM", plugin);
}

} // namespace clipvoice::app
