#include "platform/qt/DesktopSystemFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace clipvoice::platform {

QString DesktopSystemFolders::windowsDirectory()
{
    const QString configured = qEnvironmentVariable("CLIPVOICE_WINDOWS_DIR");
    if (!configured.isEmpty())
        return configured;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return {};
    return QDir(data).filePath(QStringLiteral("clipvoice"));
}

bool DesktopSystemFolders::isDefaultWindowsDirectory() const
{
    return qEnvironmentVariable("CLIPVOICE_WINDOWS_DIR").isEmpty();
}

QString DesktopSystemFolders::shippedCharactersDirectory()
{
    const QString configured = qEnvironmentVariable("CLIPVOICE_SHIPPED_CHARACTERS");
    if (!configured.isEmpty())
        return configured;
    // Installed layout: <prefix>/bin/clipvoice and <prefix>/share/clipvoice/characters.
    return QDir(QCoreApplication::applicationDirPath())
        .absoluteFilePath(QStringLiteral("../share/clipvoice/characters"));
}

} // namespace clipvoice::platform
