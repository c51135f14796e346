#pragma once

#include "platform/SystemFolders.h"

namespace clipvoice::platform {

// The folder under which characters are kept: $CLIPVOICE_WINDOWS_DIR when
// set, otherwise the per-user data folder ($XDG_DATA_HOME/clipvoice).
class DesktopSystemFolders final : public SystemFolders
{
public:
    QString windowsDirectory() override;
    bool isDefaultWindowsDirectory() const override;
    QString shippedCharactersDirectory() override;
};

} // namespace clipvoice::platform
