#pragma once

#include "platform/Autostart.h"

#include <QList>

namespace clipvoice::platform::testing {

// Start at login kept in memory; records each change asked for and can be
// told to refuse them with a reason.
class RecordingAutostart final : public Autostart
{
public:
    bool isEnabled() const override { return enabled; }

    std::optional<QString> setEnabled(bool on) override
    {
        requests.append(on);
        if (!refusal.isEmpty())
            return refusal;
        enabled = on;
        return std::nullopt;
    }

    bool enabled = false;
    QString refusal;      // when set, every change fails with it
    QList<bool> requests; // each setEnabled() argument, in order
};

} // namespace clipvoice::platform::testing
