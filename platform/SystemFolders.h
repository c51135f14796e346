#pragma once

#include <QString>

namespace clipvoice::platform {

// Folders the program finds through the system.
class SystemFolders
{
public:
    virtual ~SystemFolders() = default;

    // The folder that plays the part of the Windows directory: the character
    // folder lies under it. Empty when the system gives none.
    virtual QString windowsDirectory() = 0;

    // True when windowsDirectory() is the per-user default rather than a folder
    // the user configured; only then may the program create it.
    virtual bool isDefaultWindowsDirectory() const = 0;

    // The folder of the characters that come with the program (may not exist).
    virtual QString shippedCharactersDirectory() = 0;
};

} // namespace clipvoice::platform
