#include "platform/agent/CharacterRegistry.h"

#include <QDir>
#include <QFileInfo>

namespace clipvoice::platform::agent {

QString resolveCharacterFile(const QString& folder, const QString& file)
{
    if (QFileInfo(file).isAbsolute() || folder.isEmpty())
        return file;
    return QDir(folder).filePath(file);
}

} // namespace clipvoice::platform::agent
