#pragma once

namespace clipvoice::platform {

// Tells whether this is the only copy of the program running for the current user.
// The first successful claim is held until the process ends.
class InstanceGuard
{
public:
    virtual ~InstanceGuard() = default;

    // True when no other copy holds the claim; this copy then holds it.
    virtual bool claim() = 0;
};

} // namespace clipvoice::platform
