#include "catalogue/CharacterFolderSetup.h"

#include "catalogue/CatalogueLog.h"
#include "platform/SystemFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace clipvoice::catalogue {

int prepareCharacterFolder(platform::SystemFolders& folders, const QString& characterFolder)
{
    if (!folders.isDefaultWindowsDirectory() || QFileInfo::exists(characterFolder))
        return 0;
    if (!QDir().mkpath(characterFolder)) {
        qCWarning(lcCatalogue).noquote() << "cannot create the character folder" << characterFolder;
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
            qCWarning(lcCatalogue).noquote() << "cannot copy the character" << name;
    }
    return copied;
}

} // namespace clipvoice::catalogue
