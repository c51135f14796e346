#include "catalogue/WindowsDirectory.h"

#include "platform/SystemFolders.h"

namespace clipvoice::catalogue {

QString GetWindowsDir(platform::SystemFolders& folders)
{
    const QString dir = folders.windowsDirectory();
    if (dir.isEmpty())
        return {};
    QString path = StripTerminator(dir);
    AddDirSep(path);
    return UCase16(path);
}

QString StripTerminator(const QString& strString)
{
    const qsizetype nul = strString.indexOf(QChar(u'\0'));
    return nul < 0 ? strString : strString.left(nul);
}

void AddDirSep(QString& strPathName)
{
    QString trimmed = strPathName;
    while (trimmed.endsWith(QLatin1Char(' ')))
        trimmed.chop(1);
    if (!trimmed.endsWith(directorySeparator()))
        strPathName = trimmed + directorySeparator();
}

QString UCase16(const QString& text)
{
    return text;
}

QString characterFolder(const QString& windowsDir)
{
    return windowsDir + QStringLiteral("msagent") + directorySeparator() + QStringLiteral("chars");
}

} // namespace clipvoice::catalogue
