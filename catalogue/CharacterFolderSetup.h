#pragma once

#include <QString>

namespace clipvoice::platform {
class SystemFolders;
}

namespace clipvoice::catalogue {

// On the first start the per-user character folder does not exist yet: it is
// created and the characters that come with the program are copied into it.
// A folder the user configured is never created or filled. Returns the number
// of characters copied.
int prepareCharacterFolder(platform::SystemFolders& folders, const QString& characterFolder);

} // namespace clipvoice::catalogue
