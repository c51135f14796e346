#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>

namespace clipvoice::platform {

// Reads the text of the X11 clipboard (the CLIPBOARD selection), or of the
// primary selection (PRIMARY, the text last selected) over a connection of its
// own, so that it can run on a worker thread: a large copy
// takes the owner many round trips to hand over, and an owner that does not
// answer must not hold up the window's thread. Large texts arrive in pieces
// (the INCR protocol); at most `maxBytes` are read.
//
// The owner is asked which forms it offers (TARGETS), and the text is asked
// for as UTF-8 where offered, else as Latin-1 (STRING), else as text/plain
// without a charset (read as UTF-8). Before and after the
// read the owner is asked when it took the clipboard (TIMESTAMP), where it
// offers that, so that a text replaced during the read, even by the same
// program, is reported as replaced rather than taken as the current one.
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
        uint32_t owner = 0;    // the window that owned the clipboard
        uint32_t readTime = 0; // the X server's time when the text was known current
    };

    enum class Selection
    {
        Clipboard,
        Primary
    };

    // `display` as in DISPLAY; empty for the environment's. `timeoutMs`
    // bounds each wait for the owner. The primary selection is read in the
    // same way; only the clipboard is ever emptied (clearIfUnchanged).
    static Result read(const QByteArray& display, qsizetype maxBytes,
                       const std::atomic_bool& cancel, int timeoutMs = 5000,
                       Selection selection = Selection::Clipboard);

    // Empties the clipboard unless something was copied since a read (its
    // owner and readTime): by another program, or by the same one after
    // readTime. True when the clipboard is empty afterwards. Only the X
    // server is asked, never the clipboard's owner, so this returns at once
    // whatever the owner does.
    static bool clearIfUnchanged(const QByteArray& display, uint32_t owner, uint32_t readTime);
};

} // namespace clipvoice::platform
