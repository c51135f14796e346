#pragma once

#include "platform/InstanceGuard.h"

namespace clipvoice::platform::testing {

// Instance guard whose answer the test chooses; counts the claims made.
class RecordingInstanceGuard final : public InstanceGuard
{
public:
    bool claim() override
    {
        ++claims;
        return otherCopyRunning ? false : true;
    }

    bool otherCopyRunning = false;
    int claims = 0;
};

} // namespace clipvoice::platform::testing
