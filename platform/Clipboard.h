#pragma once

#include <QString>

#include <functional>

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

    // Reads the text like text() and hands it to `done` on this thread: at
    // once here; a desktop clipboard may read a large text in the background
    // and call later. While one read is under way, another gets an empty text.
    virtual void readText(const std::function<void(const QString&)>& done) { done(text()); }
};

} // namespace clipvoice::platform
