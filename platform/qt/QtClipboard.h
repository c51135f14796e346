#pragma once

#include "platform/Clipboard.h"

namespace clipvoice::platform {

// The system clipboard through Qt.
class QtClipboard final : public Clipboard
{
public:
    QString text() override;
    void clear() override;
};

} // namespace clipvoice::platform
