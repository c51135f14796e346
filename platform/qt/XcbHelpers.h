#pragma once

// Small helpers shared by the X11 clipboard adapters, which talk to the X
// server over connections of their own.

#include <xcb/xcb.h>

#include <QtGlobal>

#include <cstdlib>
#include <memory>

namespace clipvoice::platform::xcb {

// xcb hands replies and events over in memory taken with malloc().
struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using XcbReply = std::unique_ptr<T, FreeDeleter>;

// The atom of `name`, made when the server does not know it yet;
// XCB_ATOM_NONE when the server did not answer.
inline xcb_atom_t internAtom(xcb_connection_t* c, const char* name)
{
    const auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(qstrlen(name)), name);
    const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The window that owns `selection`, or XCB_WINDOW_NONE.
inline xcb_window_t selectionOwner(xcb_connection_t* c, xcb_atom_t selection)
{
    const XcbReply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
    return reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
}

} // namespace clipvoice::platform::xcb
