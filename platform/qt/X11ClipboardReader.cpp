#include "platform/qt/X11ClipboardReader.h"

#include "platform/qt/XcbHelpers.h"

#include <xcb/xcb.h>

#include <QElapsedTimer>
#include <QScopeGuard>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <poll.h>
#include <vector>

namespace clipvoice::platform {

namespace {

using xcb::internAtom;
using xcb::XcbReply;

// One read of a selection (the clipboard or the primary selection): a
// connection, a window that receives the owner's answers, and the names it
// needs.
class Session
{
public:
    enum class Outcome
    {
        Answered,
        Refused,
        NoAnswer
    };

    Session(const QByteArray& display, const char* selectionName, const std::atomic_bool& cancel,
            int timeoutMs)
        : m_selectionName(selectionName)
        , m_cancel(cancel)
        , m_timeoutMs(timeoutMs)
    {
        m_c = xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr);
    }
    ~Session()
    {
        if (m_c != nullptr)
            xcb_disconnect(m_c);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Empty when ready, else why not.
    QString open()
    {
        if (m_c == nullptr || xcb_connection_has_error(m_c) != 0)
            return QStringLiteral("cannot connect to the X server");
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
        if (screen == nullptr)
            return QStringLiteral("the X server has no screen");
        selection = internAtom(m_c, m_selectionName);
        utf8 = internAtom(m_c, "UTF8_STRING");
        utf8Plain = internAtom(m_c, "text/plain;charset=utf-8");
        plain = internAtom(m_c, "text/plain");
        incr = internAtom(m_c, "INCR");
        timestamp = internAtom(m_c, "TIMESTAMP");
        targets = internAtom(m_c, "TARGETS");
        m_property = internAtom(m_c, "CLIPVOICE_CLIPBOARD");
        m_timeProperty = internAtom(m_c, "CLIPVOICE_TIME");
        if (selection == XCB_ATOM_NONE || utf8 == XCB_ATOM_NONE || utf8Plain == XCB_ATOM_NONE ||
            plain == XCB_ATOM_NONE || incr == XCB_ATOM_NONE || timestamp == XCB_ATOM_NONE ||
            targets == XCB_ATOM_NONE || m_property == XCB_ATOM_NONE ||
            m_timeProperty == XCB_ATOM_NONE)
            return QStringLiteral("the X server refused the selection's names");
        m_window = xcb_generate_id(m_c);
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, XCB_CW_EVENT_MASK,
                          &events);
        return {};
    }

    xcb_window_t owner() { return xcb::selectionOwner(m_c, selection); }

    // Asks the owner for the selection in the form `target`; when it answers,
    // `reply` holds what it put on our window (possibly the INCR marker).
    Outcome convert(xcb_atom_t target, XcbReply<xcb_get_property_reply_t>& reply)
    {
        xcb_convert_selection(m_c, m_window, selection, target, m_property, XCB_CURRENT_TIME);
        xcb_flush(m_c);
        m_clock.start();
        for (;;) {
            const auto event = waitForEvent(XCB_SELECTION_NOTIFY);
            if (!event)
                return Outcome::NoAnswer;
            const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event.get());
            if (notify->target != target)
                continue; // a late answer to an earlier request
            if (notify->property == XCB_ATOM_NONE)
                return Outcome::Refused;
            reply = takeProperty();
            return reply ? Outcome::Answered : Outcome::Refused;
        }
    }

    // The rest of an INCR transfer: piece after piece, each sent when the last
    // was taken, and an empty piece at the end. False when the owner stopped.
    bool takePieces(QByteArray& bytes, qsizetype maxBytes, bool& cut)
    {
        m_clock.start();
        for (;;) {
            const auto event = waitForEvent(XCB_PROPERTY_NOTIFY);
            if (!event)
                return false;
            const auto* changed = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
            if (changed->atom != m_property || changed->state != XCB_PROPERTY_NEW_VALUE)
                continue;
            const auto piece = takeProperty();
            if (!piece)
                return true;
            const int length = xcb_get_property_value_length(piece.get());
            if (length == 0)
                return true;
            const auto* data = static_cast<const char*>(xcb_get_property_value(piece.get()));
            if (bytes.size() + length > maxBytes) {
                bytes.append(data, maxBytes - bytes.size()); // as much as the limit allows
                cut = true;
                return true;
            }
            bytes.append(data, length);
            m_clock.start(); // the owner is alive: the time limit is per piece
        }
    }

    // The X server's time now (ICCCM's way: an empty change of a property of
    // our own window, whose notification carries the time). Only the server
    // answers this, so a silent owner cannot hold it up.
    std::optional<uint32_t> serverTime()
    {
        xcb_change_property(m_c, XCB_PROP_MODE_APPEND, m_window, m_timeProperty, XCB_ATOM_STRING, 8,
                            0, nullptr);
        xcb_flush(m_c);
        m_clock.start();
        for (;;) {
            const auto event = waitForEvent(XCB_PROPERTY_NOTIFY);
            if (!event)
                return std::nullopt;
            const auto* changed = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
            if (changed->atom == m_timeProperty)
                return changed->time;
        }
    }

    xcb_atom_t selection = XCB_ATOM_NONE;
    xcb_atom_t utf8 = XCB_ATOM_NONE;
    xcb_atom_t utf8Plain = XCB_ATOM_NONE;
    xcb_atom_t plain = XCB_ATOM_NONE;
    xcb_atom_t incr = XCB_ATOM_NONE;
    xcb_atom_t timestamp = XCB_ATOM_NONE;
    xcb_atom_t targets = XCB_ATOM_NONE;

private:
    // Waits for the next event of the wanted kind; null on timeout, cancel or
    // a broken connection. Other events are dropped.
    XcbReply<xcb_generic_event_t> waitForEvent(uint8_t wanted)
    {
        pollfd fd{xcb_get_file_descriptor(m_c), POLLIN, 0};
        while (!m_cancel.load() && m_clock.elapsed() < m_timeoutMs &&
               xcb_connection_has_error(m_c) == 0) {
            while (xcb_generic_event_t* raw = xcb_poll_for_event(m_c)) {
                XcbReply<xcb_generic_event_t> event(raw);
                if ((event->response_type & 0x7f) == wanted)
                    return event;
            }
            poll(&fd, 1, 50);
        }
        return nullptr;
    }

    // Deleting the property as it is read tells an incremental owner to send
    // the next piece.
    XcbReply<xcb_get_property_reply_t> takeProperty()
    {
        const auto cookie = xcb_get_property(m_c, 1, m_window, m_property,
                                             XCB_GET_PROPERTY_TYPE_ANY, 0, UINT32_MAX / 4);
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(m_c, cookie, nullptr));
        xcb_flush(m_c);
        return reply;
    }

    const char* m_selectionName;
    const std::atomic_bool& m_cancel;
    const int m_timeoutMs;
    xcb_connection_t* m_c = nullptr;
    xcb_window_t m_window = XCB_WINDOW_NONE;
    xcb_atom_t m_property = XCB_ATOM_NONE;
    xcb_atom_t m_timeProperty = XCB_ATOM_NONE;
    QElapsedTimer m_clock;
};

// The forms the owner offers the selection in (ICCCM's TARGETS). Only these
// may be asked for: some owners answer any other request with their data
// too, a picture's bytes included.
std::vector<xcb_atom_t> offeredTargets(Session& session, bool& answered)
{
    XcbReply<xcb_get_property_reply_t> reply;
    const Session::Outcome outcome = session.convert(session.targets, reply);
    answered = outcome != Session::Outcome::NoAnswer;
    if (outcome != Session::Outcome::Answered || reply->format != 32)
        return {};
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    return std::vector<xcb_atom_t>(atoms, atoms + xcb_get_property_value_length(reply.get()) / 4);
}

// When the owner took the selection (ICCCM's TIMESTAMP).
std::optional<uint32_t> ownershipTime(Session& session, bool& answered)
{
    XcbReply<xcb_get_property_reply_t> reply;
    const Session::Outcome outcome = session.convert(session.timestamp, reply);
    answered = outcome != Session::Outcome::NoAnswer;
    if (outcome != Session::Outcome::Answered || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) < 4)
        return std::nullopt;
    uint32_t time = 0;
    std::memcpy(&time, xcb_get_property_value(reply.get()), sizeof time);
    return time;
}

// The length of `bytes` without a UTF-8 sequence cut short at its end, as a
// text cut at the size limit may have.
qsizetype withoutPartialCharacter(const QByteArray& bytes)
{
    qsizetype lead = bytes.size();
    for (int back = 0; back < 4 && lead > 0; ++back) {
        const auto byte = static_cast<unsigned char>(bytes[--lead]);
        if ((byte & 0xc0) == 0x80)
            continue; // a continuation byte: look further back
        const int length = byte < 0x80 ? 1 : byte >= 0xf0 ? 4 : byte >= 0xe0 ? 3 : 2;
        return bytes.size() - lead >= length ? bytes.size() : lead;
    }
    return bytes.size();
}

} // namespace

X11ClipboardReader::Result X11ClipboardReader::read(const QByteArray& display, qsizetype maxBytes,
                                                    const std::atomic_bool& cancel, int timeoutMs,
                                                    Selection selection)
{
    Result result;
    Session session(display, selection == Selection::Primary ? "PRIMARY" : "CLIPBOARD", cancel,
                    timeoutMs);
    result.error = session.open();
    if (!result.error.isEmpty())
        return result;
    const QString noAnswer = QStringLiteral("the clipboard's owner did not answer");

    const xcb_window_t ownerBefore = session.owner();
    if (ownerBefore == XCB_WINDOW_NONE) {
        result.ok = true; // nothing was copied, or it was cleared
        return result;
    }
    bool answered = false;
    const std::vector<xcb_atom_t> offered = offeredTargets(session, answered);
    if (!answered) {
        result.error = noAnswer;
        return result;
    }
    const auto offers = [&offered](xcb_atom_t target) {
        return std::find(offered.begin(), offered.end(), target) != offered.end();
    };
    std::optional<uint32_t> timeBefore;
    if (offers(session.timestamp)) {
        timeBefore = ownershipTime(session, answered);
        if (!answered) {
            result.error = noAnswer;
            return result;
        }
    }

    // UTF-8 under either of its names, else Latin-1, else text/plain without
    // a charset (taken as UTF-8, the usual locale); nothing when the owner
    // offers no text (a picture, files).
    QByteArray bytes;
    bool latin1 = false;
    for (const xcb_atom_t target :
         {session.utf8, session.utf8Plain, xcb_atom_t(XCB_ATOM_STRING), session.plain}) {
        if (!offers(target))
            continue;
        XcbReply<xcb_get_property_reply_t> reply;
        const Session::Outcome outcome = session.convert(target, reply);
        if (outcome == Session::Outcome::NoAnswer) {
            result.error = noAnswer;
            return result;
        }
        if (outcome == Session::Outcome::Refused)
            continue;
        latin1 = reply->type == XCB_ATOM_STRING;
        if (reply->type != session.incr) {
            bytes = QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                               xcb_get_property_value_length(reply.get()));
        } else if (!session.takePieces(bytes, maxBytes, result.cut)) {
            result.error = QStringLiteral("the clipboard's owner stopped sending");
            return result;
        }
        break;
    }
    if (bytes.size() > maxBytes) {
        bytes.truncate(maxBytes);
        result.cut = true;
    }
    if (result.cut && !latin1)
        bytes.truncate(withoutPartialCharacter(bytes));

    // The time at which the clipboard is known to hold this text, taken
    // before the checks below: a copy after it is seen by clearIfUnchanged(),
    // one before it by the checks.
    const std::optional<uint32_t> readTime = session.serverTime();
    if (!readTime) {
        result.error = QStringLiteral("the X server did not tell its time");
        return result;
    }
    result.readTime = *readTime;
    result.owner = ownerBefore;

    // Something copied meanwhile, by another program or by the same one,
    // makes this text stale.
    if (session.owner() != ownerBefore) {
        result.ok = true;
        result.replaced = true;
        return result;
    }
    if (timeBefore) {
        const std::optional<uint32_t> timeAfter = ownershipTime(session, answered);
        if (!answered) {
            result.error = noAnswer;
            return result;
        }
        result.replaced = timeAfter != timeBefore;
    }
    result.ok = true;
    if (!result.replaced)
        result.text = latin1 ? QString::fromLatin1(bytes) : QString::fromUtf8(bytes);
    return result;
}

bool X11ClipboardReader::clearIfUnchanged(const QByteArray& display, uint32_t owner,
                                          uint32_t readTime)
{
    xcb_connection_t* c = xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr);
    const auto closeConnection = qScopeGuard([c] {
        if (c != nullptr)
            xcb_disconnect(c);
    });
    if (c == nullptr || xcb_connection_has_error(c) != 0)
        return false;
    const xcb_atom_t clipboard = internAtom(c, "CLIPBOARD");
    if (clipboard == XCB_ATOM_NONE)
        return false;
    const auto currentOwner = [c, clipboard] { return xcb::selectionOwner(c, clipboard); };
    // Another program copied something: it stays.
    if (currentOwner() != owner)
        return false;
    // The server ignores a change of owner dated before the clipboard's last
    // change, so what the same program copied after readTime stays too.
    xcb_set_selection_owner(c, XCB_WINDOW_NONE, clipboard, readTime);
    return currentOwner() == XCB_WINDOW_NONE;
}

} // namespace clipvoice::platform
