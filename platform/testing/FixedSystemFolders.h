#pragma once

#include "platform/SystemFolders.h"

namespace clipvoice::platform::testing {

// System folders chosen by the test.
class FixedSystemFolders final : public SystemFolders
{
public:
    QString windowsDirectory() override { return windowsDir; }
    bool isDefaultWindowsDirectory() const override { return isDefault; }
    QString shippedCharactersDirectory() override { return shippedDir; }

    QString windowsDir;
    bool isDefault = false;
    QString shippedDir;
};

} // namespace clipvoice::platform::testing
