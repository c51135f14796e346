#pragma once

#include <QString>

namespace clipvoice::platform {

// The system clipboard, as far as the program uses it.
class Clipboard
{
public:
    virtual ~Clipboard() = default;

    // The clipboard's plain text, or an empty text when it holds none.
    virtual QString text() = 0;
    // Empties the clipboard, whatever it holds.
    virtual void clear() = 0;
};

} // namespace clipvoice::platform
