#include "platform/qt/X11EmptyClipboardOwner.h"

#include "platform/qt/XcbHelpers.h"

#include <xcb/xcb.h>

#include <QtGlobal>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <unistd.h>

namespace clipvoice::platform {

namespace {

using xcb::internAtom;
using xcb::selectionOwner;
using xcb::XcbReply;

// The names the owner answers to.
struct Names
{
    xcb_atom_t clipboard = XCB_ATOM_NONE;
    xcb_atom_t targets = XCB_ATOM_NONE;
    xcb_atom_t timestamp = XCB_ATOM_NONE;
    xcb_atom_t utf8 = XCB_ATOM_NONE;
    xcb_atom_t text = XCB_ATOM_NONE;
    xcb_atom_t utf8Plain = XCB_ATOM_NONE;
    xcb_atom_t plain = XCB_ATOM_NONE;

    bool intern(xcb_connection_t* c)
    {
        clipboard = internAtom(c, "CLIPBOARD");
        targets = internAtom(c, "TARGETS");
        timestamp = internAtom(c, "TIMESTAMP");
        utf8 = internAtom(c, "UTF8_STRING");
        text = internAtom(c, "TEXT");
        utf8Plain = internAtom(c, "text/plain;charset=utf-8");
        plain = internAtom(c, "text/plain");
        return clipboard != XCB_ATOM_NONE && targets != XCB_ATOM_NONE &&
               timestamp != XCB_ATOM_NONE && utf8 != XCB_ATOM_NONE && text != XCB_ATOM_NONE &&
               utf8Plain != XCB_ATOM_NONE && plain != XCB_ATOM_NONE;
    }
};

// Answers one request for the clipboard: the forms offered, the time it was
// taken, or an empty text in any text form. Anything else is refused.
void answer(xcb_connection_t* c, const Names& names, uint32_t takenAt,
            const xcb_selection_request_event_t& request)
{
    // Clients of the first protocol version name no property: the target
    // stands for it.
    xcb_atom_t property = request.property != XCB_ATOM_NONE ? request.property : request.target;
    const xcb_atom_t target = request.target;
    if (request.selection != names.clipboard) {
        property = XCB_ATOM_NONE;
    } else if (target == names.targets) {
        const xcb_atom_t offered[] = {names.targets,   names.timestamp, names.utf8,
                                      names.utf8Plain, names.plain,     names.text,
                                      XCB_ATOM_STRING};
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM,
                            32, sizeof offered / sizeof offered[0], offered);
    } else if (target == names.timestamp) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_INTEGER,
                            32, 1, &takenAt);
    } else if (target == names.utf8 || target == names.text) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, names.utf8, 8, 0,
                            nullptr);
    } else if (target == names.utf8Plain || target == names.plain || target == XCB_ATOM_STRING) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, target, 8, 0,
                            nullptr);
    } else {
        property = XCB_ATOM_NONE;
    }
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = target;
    notify.property = property;
    xcb_send_event(c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&notify));
    xcb_flush(c);
}

// Serves the clipboard until another program takes it, the connection
// breaks, or `wakeFd` becomes readable.
void serve(xcb_connection_t* c, Names names, uint32_t takenAt, int wakeFd, std::atomic_bool& owning)
{
    pollfd watched[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {wakeFd, POLLIN, 0}};
    for (;;) {
        while (const XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(c)}) {
            switch (event->response_type & 0x7f) {
            case XCB_SELECTION_REQUEST:
                answer(c, names, takenAt,
                       *reinterpret_cast<const xcb_selection_request_event_t*>(event.get()));
                break;
            case XCB_SELECTION_CLEAR:
                owning = false; // another program copied something
                return;
            default:
                break; // errors about requestors that went away, among others
            }
        }
        if (xcb_connection_has_error(c) != 0) {
            owning = false;
            return;
        }
        watched[0].revents = watched[1].revents = 0;
        if (poll(watched, 2, -1) < 0 && errno != EINTR) {
            owning = false;
            return;
        }
        if (watched[1].revents != 0)
            return;
    }
}

} // namespace

X11EmptyClipboardOwner::~X11EmptyClipboardOwner()
{
    stop();
}

bool X11EmptyClipboardOwner::owns() const
{
    return m_owning;
}

bool X11EmptyClipboardOwner::takeIfUnchanged(const QByteArray& display, uint32_t owner,
                                             uint32_t readTime)
{
    stop();
    xcb_connection_t* c = xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr);
    const auto giveUp = [c] {
        if (c != nullptr)
            xcb_disconnect(c);
        return false;
    };
    if (c == nullptr || xcb_connection_has_error(c) != 0)
        return giveUp();
    Names names;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (screen == nullptr || !names.intern(c))
        return giveUp();
    // Another program copied something: it stays.
    if (selectionOwner(c, names.clipboard) != owner)
        return giveUp();
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);
    // The server ignores a change of owner dated before the clipboard's last
    // change, so what the same program copied after readTime stays too.
    xcb_set_selection_owner(c, window, names.clipboard, readTime);
    if (selectionOwner(c, names.clipboard) != window)
        return giveUp();
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_wake[0] = m_wake[1] = -1;
        return giveUp();
    }
    m_connection = c;
    m_owning = true;
    m_server = std::thread(serve, c, names, readTime, m_wake[0], std::ref(m_owning));
    return true;
}

void X11EmptyClipboardOwner::stop()
{
    if (m_server.joinable()) {
        const char wake = 1;
        while (write(m_wake[1], &wake, 1) < 0 && errno == EINTR) {
        }
        m_server.join();
    }
    for (int& fd : m_wake) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
    if (m_connection != nullptr)
        xcb_disconnect(m_connection); // the server drops the ownership with the window
    m_connection = nullptr;
    m_owning = false;
}

} // namespace clipvoice::platform
