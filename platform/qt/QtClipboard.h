#pragma once

#include "platform/Clipboard.h"

namespace clipvoice::platform {

// The system clipboard through Qt. Its text comes with CR LF line breaks,
// the form plain text takes on the clipboard of Windows, whatever line breaks
// the program that copied it used: every line break separates two lines.
class QtClipboard final : public Clipboard
{
public:
    QString text() override;
    void clear() override;

    static QString withCrLfLineBreaks(const QString& text);
};

} // namespace clipvoice::platform
