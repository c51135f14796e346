#pragma once

#include <QString>

namespace clipvoice::platform {
class SystemFolders;
}

namespace clipvoice::catalogue {

// The directory separator of this platform.
inline QChar directorySeparator()
{
    return QLatin1Char('/');
}

// The system folder under which the character folder lies, with a trailing
// separator, or an empty text when the system gives none.
QString GetWindowsDir(platform::SystemFolders& folders);

// The text cut before its first NUL character; unchanged when it holds none.
QString StripTerminator(const QString& strString);

// Appends a separator unless the text, without its trailing spaces, already
// ends with one. When it does, the text is left as it was, spaces included.
void AddDirSep(QString& strPathName);

// Returns the text unchanged: no case conversion takes place.
QString UCase16(const QString& text);

// The character folder under a system folder text as GetWindowsDir gives it:
// the text followed by "msagent", a separator and "chars". An empty system
// folder gives the relative folder "msagent/chars".
QString characterFolder(const QString& windowsDir);

} // namespace clipvoice::catalogue
