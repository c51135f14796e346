#pragma once

#include <QString>

#include <optional>

namespace clipvoice::platform {

// Starting the program, hidden in the tray, when the user logs in.
class Autostart
{
public:
    virtual ~Autostart() = default;

    // Whether the desktop starts the program at login. Read afresh at each
    // call: the user may change it by hand.
    virtual bool isEnabled() const = 0;

    // Turns start at login on or off. Nothing on success; otherwise why it
    // failed, and the state is as it was.
    virtual std::optional<QString> setEnabled(bool enabled) = 0;
};

} // namespace clipvoice::platform
