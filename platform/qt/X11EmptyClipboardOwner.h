#pragma once

#include <QByteArray>

#include <atomic>
#include <cstdint>
#include <thread>

struct xcb_connection_t;

namespace clipvoice::platform {

// Empties the X11 clipboard by owning it with an empty text, for desktops
// where leaving it without an owner does not empty it everywhere. Under a
// Wayland compositor the X clipboard is a copy of the Wayland one: weston
// hands an ownerless X clipboard on to Wayland programs only when an X
// program had owned it, and puts the last copied text back when the Wayland
// clipboard is emptied. An X owner of an empty text is handed on like any
// copy, so Wayland programs then paste nothing.
//
// The clipboard is taken over a connection of its own and served on a thread
// of its own, so that requests are answered whatever the window's thread is
// doing. Serving stops when another program copies something, or when this
// object is destroyed (the X server then drops the ownership).
class X11EmptyClipboardOwner
{
public:
    X11EmptyClipboardOwner() = default;
    ~X11EmptyClipboardOwner();
    X11EmptyClipboardOwner(const X11EmptyClipboardOwner&) = delete;
    X11EmptyClipboardOwner& operator=(const X11EmptyClipboardOwner&) = delete;

    // Takes the clipboard unless something was copied since a read (its owner
    // and readTime), as X11ClipboardReader::clearIfUnchanged() empties it.
    // True when this object owns the clipboard afterwards. `display` as in
    // DISPLAY; empty for the environment's.
    bool takeIfUnchanged(const QByteArray& display, uint32_t owner, uint32_t readTime);

    // Whether this object still answers for the clipboard.
    bool owns() const;

private:
    void stop();

    xcb_connection_t* m_connection = nullptr;
    int m_wake[2] = {-1, -1}; // written to end the serving thread
    std::atomic_bool m_owning = false;
    std::thread m_server;
};

} // namespace clipvoice::platform
