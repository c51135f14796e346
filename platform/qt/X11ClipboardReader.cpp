#include "platform/qt/X11ClipboardReader.h"

#include <xcb/xcb.h>

#include <QElapsedTimer>

#include <cstdlib>
#include <memory>
#include <poll.h>

namespace clipvoice::platform {

namespace {

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using XcbReply = std::unique_ptr<T, FreeDeleter>;

struct Connection
{
    xcb_connection_t* c = nullptr;
    ~Connection()
    {
        if (c != nullptr)
            xcb_disconnect(c);
    }
};

xcb_window_t selectionOwner(xcb_connection_t* c, xcb_atom_t selection)
{
    const XcbReply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
    return reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
}

xcb_atom_t internAtom(xcb_connection_t* c, const char* name)
{
    const auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(qstrlen(name)), name);
    const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// Waits for the next event of one of the wanted kinds; null on timeout,
// cancel or a broken connection. Other events are dropped.
XcbReply<xcb_generic_event_t> waitForEvent(xcb_connection_t* c, uint8_t wanted,
                                           const std::atomic_bool& cancel, QElapsedTimer& clock,
                                           int timeoutMs)
{
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (!cancel.load() && clock.elapsed() < timeoutMs && xcb_connection_has_error(c) == 0) {
        while (xcb_generic_event_t* raw = xcb_poll_for_event(c)) {
            XcbReply<xcb_generic_event_t> event(raw);
            if ((event->response_type & 0x7f) == wanted)
                return event;
        }
        poll(&fd, 1, 50);
    }
    return nullptr;
}

XcbReply<xcb_get_property_reply_t> takeProperty(xcb_connection_t* c, xcb_window_t window,
                                                xcb_atom_t property)
{
    // Deleting the property as it is read tells an incremental owner to send
    // the next piece.
    const auto cookie =
        xcb_get_property(c, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, UINT32_MAX / 4);
    return XcbReply<xcb_get_property_reply_t>(xcb_get_property_reply(c, cookie, nullptr));
}

} // namespace

X11ClipboardReader::Result X11ClipboardReader::read(const QByteArray& display, qsizetype maxBytes,
                                                    const std::atomic_bool& cancel, int timeoutMs)
{
    Result result;
    Connection connection;
    connection.c = xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr);
    xcb_connection_t* c = connection.c;
    if (c == nullptr || xcb_connection_has_error(c) != 0) {
        result.error = QStringLiteral("cannot connect to the X server");
        return result;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (screen == nullptr) {
        result.error = QStringLiteral("the X server has no screen");
        return result;
    }
    const xcb_atom_t clipboard = internAtom(c, "CLIPBOARD");
    const xcb_atom_t utf8 = internAtom(c, "UTF8_STRING");
    const xcb_atom_t incr = internAtom(c, "INCR");
    const xcb_atom_t property = internAtom(c, "CLIPVOICE_CLIPBOARD");
    if (clipboard == XCB_ATOM_NONE || utf8 == XCB_ATOM_NONE || property == XCB_ATOM_NONE) {
        result.error = QStringLiteral("the X server refused the clipboard's names");
        return result;
    }

    const xcb_window_t ownerBefore = selectionOwner(c, clipboard);
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, XCB_CW_EVENT_MASK, &events);
    xcb_convert_selection(c, window, clipboard, utf8, property, XCB_CURRENT_TIME);
    xcb_flush(c);

    QElapsedTimer clock;
    clock.start();
    const auto notify = waitForEvent(c, XCB_SELECTION_NOTIFY, cancel, clock, timeoutMs);
    if (!notify) {
        result.error = QStringLiteral("the clipboard's owner did not answer");
        return result;
    }
    result.ok = true;
    const auto* selection = reinterpret_cast<const xcb_selection_notify_event_t*>(notify.get());
    if (selection->property == XCB_ATOM_NONE)
        return result; // no text on the clipboard (a picture, or nothing)

    QByteArray bytes;
    auto reply = takeProperty(c, window, property);
    xcb_flush(c);
    if (!reply)
        return result;
    if (reply->type != incr) {
        bytes = QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                           xcb_get_property_value_length(reply.get()));
    } else {
        // The owner sends piece after piece, each when the last was taken,
        // and an empty piece at the end.
        for (;;) {
            const auto changed = waitForEvent(c, XCB_PROPERTY_NOTIFY, cancel, clock, timeoutMs);
            if (!changed) {
                result.ok = false;
                result.error = QStringLiteral("the clipboard's owner stopped sending");
                return result;
            }
            const auto* event = reinterpret_cast<const xcb_property_notify_event_t*>(changed.get());
            if (event->atom != property || event->state != XCB_PROPERTY_NEW_VALUE)
                continue;
            auto piece = takeProperty(c, window, property);
            xcb_flush(c);
            if (!piece)
                break;
            const int length = xcb_get_property_value_length(piece.get());
            if (length == 0)
                break;
            if (bytes.size() + length > maxBytes) {
                result.cut = true;
                break;
            }
            bytes.append(static_cast<const char*>(xcb_get_property_value(piece.get())), length);
            clock.restart(); // the owner is alive: the time limit is per piece
        }
    }
    if (bytes.size() > maxBytes) {
        bytes.truncate(maxBytes);
        result.cut = true;
    }
    result.replaced = selectionOwner(c, clipboard) != ownerBefore;
    result.text = QString::fromUtf8(bytes);
    return result;
}

} // namespace clipvoice::platform
