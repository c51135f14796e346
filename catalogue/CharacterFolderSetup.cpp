#include "catalogue/CharacterFolderSetup.h"

#include "platform/SystemFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace clipvoice::catalogue {

int prepareCharacterFolder(platform::SystemFolders& folders, const QString& characterFolder)
{
    if (!folders.isDefaultWindowsDirectory() || QFileInfo::exists(characterFolder))
        return 0;
    if (!QDir().mkpath(characterFolder)) {
        std::fprintf(stderr, "clipvoice: cannot create the character folder %s\n",
                     qUtf8Printable(characterFolder));
        return 0;
    }
    const QDir shipped(folders.shippedCharactersDirectory());
    if (!shipped.exists())
        return 0;
    int copied = 0;
    const QStringList names =
        shipped.entryList({QStringLiteral("*.acs")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& name : names) {
        if (QFile::copy(shipped.filePath(name), QDir(characterFolder).filePath(name)))
            ++copied;
        else
            std::fprintf(stderr, "clipvoice: cannot copy the character %s\n", qUtf8Printable(name));
    }
    return copied;
}

} // namespace clipvoice::catalogue
