#pragma once

#include "platform/Dialogs.h"

namespace clipvoice::platform {

// Dialogs shown as Qt message boxes.
class MessageBoxDialogs final : public Dialogs
{
public:
    void information(const QString& title, const QString& text) override;
    void error(const QString& title, const QString& text) override;
};

} // namespace clipvoice::platform
