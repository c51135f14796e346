#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <optional>

namespace clipvoice::platform {

// Reads the text of the X11 clipboard (the CLIPBOARD selection, as UTF-8)
// over a connection of its own, so that it can run on a worker thread: a
// large copy takes the owner many round trips to hand over, and the window's
// thread must not wait for them. Large texts arrive in pieces (the INCR
// protocol); at most `maxBytes` are read.
class X11ClipboardReader
{
public:
    struct Result
    {
        bool ok = false;       // the clipboard could be asked
        QString text;          // empty when it holds no text
        QString error;         // why it could not be asked
        bool cut = false;      // the text was longer than maxBytes
        bool replaced = false; // something else was copied while reading
    };

    // `display` as in DISPLAY; empty for the environment's.
    static Result read(const QByteArray& display, qsizetype maxBytes,
                       const std::atomic_bool& cancel, int timeoutMs = 5000);
};

} // namespace clipvoice::platform
