// The X11 clipboard reader against a real X server (run under Xvfb by
// x11_clipboard_reader_test.sh): owners that answer in UTF-8, only in
// Latin-1 or only in text/plain, that hold a picture, that never answer, that replace their text
// while it is read, and a large text handed over in pieces by xclip; and the
// owner of an empty text that empties the clipboard under Wayland; and the
// primary selection, read apart from the clipboard and left as it was.

#include "platform/qt/X11ClipboardReader.h"
#include "platform/qt/X11EmptyClipboardOwner.h"

#include <QProcess>
#include <QtTest>

#include <xcb/xcb.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <poll.h>
#include <thread>
#include <vector>

using clipvoice::platform::X11ClipboardReader;
using clipvoice::platform::X11EmptyClipboardOwner;

namespace {

// A clipboard owner of the test's own, answering on a thread of its own.
class TestOwner
{
public:
    struct Answer
    {
        xcb_atom_t type = XCB_ATOM_NONE;
        QByteArray bytes;
    };

    explicit TestOwner(bool answers = true)
        : m_answers(answers)
    {
        m_c = xcb_connect(nullptr, nullptr);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
        m_window = xcb_generate_id(m_c);
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);
        m_clipboard = atom("CLIPBOARD");
        m_timestampTarget = atom("TIMESTAMP");
        m_targetsTarget = atom("TARGETS");
    }
    bool connected() const { return xcb_connection_has_error(m_c) == 0; }
    ~TestOwner()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        xcb_disconnect(m_c);
    }

    xcb_atom_t atom(const char* name)
    {
        const auto cookie = xcb_intern_atom(m_c, 0, uint16_t(qstrlen(name)), name);
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(m_c, cookie, nullptr);
        if (reply == nullptr)
            return XCB_ATOM_NONE;
        const xcb_atom_t result = reply->atom;
        std::free(reply);
        return result;
    }

    void offer(xcb_atom_t target, xcb_atom_t type, const QByteArray& bytes)
    {
        m_offers[target] = Answer{type, bytes};
    }
    // Called on the owner's thread before it answers a request for `target`.
    void beforeAnswering(xcb_atom_t target, std::function<void()> action)
    {
        m_before[target] = std::move(action);
    }
    // Takes the clipboard again, as a program does when something new is
    // copied in it.
    void takeClipboard()
    {
        ++m_ownershipTime;
        xcb_set_selection_owner(m_c, m_window, m_clipboard, XCB_CURRENT_TIME);
        xcb_flush(m_c);
    }
    // Returns once the X server has handled every request sent so far.
    void sync() { std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr)); }
    xcb_window_t window() const { return m_window; }
    void start()
    {
        if (!connected())
            qFatal("the test's clipboard owner cannot reach the X server");
        takeClipboard();
        m_thread = std::thread([this] { serve(); });
    }

private:
    void serve()
    {
        pollfd fd{xcb_get_file_descriptor(m_c), POLLIN, 0};
        while (!m_stop) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_c)) {
                if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST && m_answers)
                    answer(*reinterpret_cast<xcb_selection_request_event_t*>(event));
                std::free(event);
            }
            poll(&fd, 1, 20);
        }
    }

    void answer(const xcb_selection_request_event_t& request)
    {
        if (const auto action = m_before.find(request.target); action != m_before.end())
            action->second();
        xcb_atom_t property = request.property;
        if (request.target == m_targetsTarget) {
            std::vector<xcb_atom_t> targets{m_targetsTarget, m_timestampTarget};
            for (const auto& offer : m_offers)
                targets.push_back(offer.first);
            xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                XCB_ATOM_ATOM, 32, uint32_t(targets.size()), targets.data());
        } else if (request.target == m_timestampTarget) {
            const uint32_t time = m_ownershipTime;
            xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                XCB_ATOM_INTEGER, 32, 1, &time);
        } else if (const auto offer = m_offers.find(request.target); offer != m_offers.end()) {
            xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                offer->second.type, 8, uint32_t(offer->second.bytes.size()),
                                offer->second.bytes.constData());
        } else {
            property = XCB_ATOM_NONE; // refused
        }
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request.time;
        notify.requestor = request.requestor;
        notify.selection = request.selection;
        notify.target = request.target;
        notify.property = property;
        xcb_send_event(m_c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&notify));
        xcb_flush(m_c);
    }

    const bool m_answers;
    xcb_connection_t* m_c = nullptr;
    xcb_window_t m_window = XCB_WINDOW_NONE;
    xcb_atom_t m_clipboard = XCB_ATOM_NONE;
    xcb_atom_t m_timestampTarget = XCB_ATOM_NONE;
    xcb_atom_t m_targetsTarget = XCB_ATOM_NONE;
    std::map<xcb_atom_t, Answer> m_offers;
    std::map<xcb_atom_t, std::function<void()>> m_before;
    std::atomic_uint32_t m_ownershipTime = 1000;
    std::atomic_bool m_stop = false;
    std::thread m_thread;
};

// xclip owning the clipboard with `bytes` in the form `type`; -quiet keeps it
// in the foreground, serving them, until it is killed.
void startXclip(QProcess& xclip, const QByteArray& bytes, const QString& type,
                const QString& selection = QStringLiteral("clipboard"))
{
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-quiet"), QStringLiteral("-selection"), selection,
                 QStringLiteral("-t"), type, QStringLiteral("-i")});
    QVERIFY2(xclip.waitForStarted(), "xclip is missing");
    xclip.write(bytes);
    xclip.closeWriteChannel();
}

void stopXclip(QProcess& xclip)
{
    xclip.kill();
    xclip.waitForFinished();
}

X11ClipboardReader::Result readClipboard(qsizetype maxBytes = 1 << 20, int timeoutMs = 5000)
{
    std::atomic_bool cancel = false;
    return X11ClipboardReader::read(QByteArray(), maxBytes, cancel, timeoutMs);
}

X11ClipboardReader::Result readPrimary(qsizetype maxBytes = 1 << 20)
{
    std::atomic_bool cancel = false;
    return X11ClipboardReader::read(QByteArray(), maxBytes, cancel, 5000,
                                    X11ClipboardReader::Selection::Primary);
}

// What xclip pastes from the primary selection; nothing when it fails.
std::optional<QByteArray> primaryText()
{
    QProcess paste;
    paste.start(QStringLiteral("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("primary")});
    if (!paste.waitForFinished(5000) || paste.exitCode() != 0)
        return std::nullopt;
    return paste.readAllStandardOutput();
}

bool xclipOwnsTheClipboard()
{
    QProcess list;
    list.start(QStringLiteral("xclip"),
               {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                QStringLiteral("-t"), QStringLiteral("TARGETS")});
    return list.waitForFinished(3000) && list.readAllStandardOutput().contains("TARGETS");
}

// What xclip pastes from the clipboard in the form `target`; nothing when
// the owner refuses that form.
std::optional<QByteArray> xclipOutput(const QString& target)
{
    QProcess paste;
    paste.start(QStringLiteral("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                 QStringLiteral("-t"), target});
    if (!paste.waitForFinished(5000) || paste.exitStatus() != QProcess::NormalExit ||
        paste.exitCode() != 0)
        return std::nullopt;
    return paste.readAllStandardOutput();
}

} // namespace

class X11ClipboardReaderTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QFAIL("needs an X server: run through x11_clipboard_reader_test.sh");
        // An X server resets when its last client leaves, and refuses
        // connections meanwhile; one connection stays open throughout, as
        // the program's own does.
        m_keepAlive = xcb_connect(nullptr, nullptr);
        QVERIFY(xcb_connection_has_error(m_keepAlive) == 0);
    }

    void cleanupTestCase() { xcb_disconnect(m_keepAlive); }

    void emptyClipboardHasNoText()
    {
        const auto result = readClipboard();
        QVERIFY2(result.ok, qPrintable(result.error));
        QVERIFY(result.text.isEmpty());
        QVERIFY(!result.replaced);
    }

    void textIsTakenInEachTextForm()
    {
        {
            TestOwner owner;
            owner.offer(owner.atom("UTF8_STRING"), owner.atom("UTF8_STRING"),
                        QStringLiteral("こんにちは\nworld <speak>").toUtf8());
            owner.offer(XCB_ATOM_STRING, XCB_ATOM_STRING, "wrong form");
            owner.start();
            const auto result = readClipboard();
            QVERIFY2(result.ok, qPrintable(result.error));
            QCOMPARE(result.text, QStringLiteral("こんにちは\nworld <speak>"));
        }
        {
            TestOwner owner; // an old program that offers Latin-1 only
            owner.offer(XCB_ATOM_STRING, XCB_ATOM_STRING, QByteArray("caf\xe9"));
            owner.start();
            const auto result = readClipboard();
            QVERIFY2(result.ok, qPrintable(result.error));
            QCOMPARE(result.text, QStringLiteral("café"));
        }
        {
            TestOwner owner; // text/plain with no charset: the locale's, UTF-8
            owner.offer(owner.atom("text/plain"), owner.atom("text/plain"),
                        QStringLiteral("grüße").toUtf8());
            owner.offer(owner.atom("TEXT"), owner.atom("COMPOUND_TEXT"), "wrong form");
            owner.start();
            const auto result = readClipboard();
            QVERIFY2(result.ok, qPrintable(result.error));
            QCOMPARE(result.text, QStringLiteral("grüße"));
        }
    }

    void pictureIsNotText()
    {
        {
            TestOwner owner;
            owner.offer(owner.atom("image/png"), owner.atom("image/png"), QByteArray("\x89PNG", 4));
            owner.start();
            const auto result = readClipboard();
            QVERIFY2(result.ok, qPrintable(result.error));
            QVERIFY(result.text.isEmpty());
            QVERIFY(!result.replaced);
        }
        {
            // xclip answers a request for any form with its bytes; only what
            // it lists may be asked for.
            QProcess xclip;
            startXclip(xclip, "picture bytes", QStringLiteral("image/png"));
            QTRY_VERIFY_WITH_TIMEOUT(xclipOwnsTheClipboard(), 10000);
            const auto result = readClipboard();
            QVERIFY2(result.ok, qPrintable(result.error));
            QVERIFY(result.text.isEmpty());
            stopXclip(xclip);
        }
    }

    void silentOwnerIsReportedNotWaitedFor()
    {
        TestOwner owner(false);
        owner.start();
        const auto result = readClipboard(1 << 20, 300);
        QVERIFY(!result.ok);
        QCOMPARE(result.error, QStringLiteral("the clipboard's owner did not answer"));
        QVERIFY(result.text.isEmpty());
    }

    void textReplacedDuringTheReadIsNotTaken()
    {
        {
            // The same program copies something new while its old text is read.
            TestOwner owner;
            const xcb_atom_t utf8 = owner.atom("UTF8_STRING");
            owner.offer(utf8, utf8, "old text");
            owner.beforeAnswering(utf8, [&owner] { owner.takeClipboard(); });
            owner.start();
            const auto result = readClipboard();
            QVERIFY2(result.ok, qPrintable(result.error));
            QVERIFY(result.replaced);
            QVERIFY(result.text.isEmpty());
        }
        {
            // Another program takes the clipboard during the read.
            TestOwner first;
            TestOwner second;
            const xcb_atom_t utf8 = first.atom("UTF8_STRING");
            first.offer(utf8, utf8, "old text");
            second.offer(utf8, utf8, "new text");
            first.beforeAnswering(utf8, [&second] { second.takeClipboard(); });
            first.start();
            const auto result = readClipboard();
            QVERIFY2(result.ok, qPrintable(result.error));
            QVERIFY(result.replaced);
            QVERIFY(result.text.isEmpty());
        }
    }

    void clearLeavesWhatWasCopiedAfterTheRead()
    {
        TestOwner first;
        const xcb_atom_t utf8 = first.atom("UTF8_STRING");
        first.offer(utf8, utf8, "first text");
        first.start();
        const auto read = readClipboard();
        QVERIFY2(read.ok, qPrintable(read.error));
        QCOMPARE(read.text, QStringLiteral("first text"));
        QCOMPARE(read.owner, first.window());
        QVERIFY(read.readTime != 0);

        // Another program copies before the clear: its text stays.
        TestOwner second;
        second.offer(utf8, utf8, "second text");
        second.start();
        QTRY_COMPARE_WITH_TIMEOUT(owner(), second.window(), 5000);
        QVERIFY(!X11ClipboardReader::clearIfUnchanged(QByteArray(), read.owner, read.readTime));
        QCOMPARE(owner(), second.window());
        const auto again = readClipboard();
        QCOMPARE(again.text, QStringLiteral("second text"));

        // Nothing copied since that read: the clear empties the clipboard.
        QVERIFY(X11ClipboardReader::clearIfUnchanged(QByteArray(), again.owner, again.readTime));
        QCOMPARE(owner(), xcb_window_t(XCB_WINDOW_NONE));
        const auto empty = readClipboard();
        QVERIFY2(empty.ok, qPrintable(empty.error));
        QVERIFY(empty.text.isEmpty());
    }

    void emptyOwnerAnswersWithNoTextUntilSomethingIsCopied()
    {
        TestOwner first;
        const xcb_atom_t utf8 = first.atom("UTF8_STRING");
        first.offer(utf8, utf8, "first text");
        first.start();
        const auto read = readClipboard();
        QCOMPARE(read.text, QStringLiteral("first text"));

        X11EmptyClipboardOwner empty;
        QVERIFY(empty.takeIfUnchanged(QByteArray(), read.owner, read.readTime));
        QVERIFY(empty.owns());
        QVERIFY(owner() != XCB_WINDOW_NONE);
        QVERIFY(owner() != first.window());
        // Every reader gets an empty text: this program's own reader, and
        // xclip in each of the text forms and as its list of forms.
        const auto emptied = readClipboard();
        QVERIFY2(emptied.ok, qPrintable(emptied.error));
        QVERIFY(!emptied.replaced);
        QVERIFY(emptied.text.isEmpty());
        for (const char* form : {"UTF8_STRING", "STRING", "text/plain;charset=utf-8", "TEXT"}) {
            const auto pasted = xclipOutput(QString::fromLatin1(form));
            QVERIFY2(pasted.has_value(), form);
            QVERIFY2(pasted->isEmpty(), form);
        }
        const auto forms = xclipOutput(QStringLiteral("TARGETS"));
        QVERIFY(forms.has_value());
        QVERIFY(forms->contains("UTF8_STRING"));
        QVERIFY(!forms->contains("image/png"));
        QVERIFY(!xclipOutput(QStringLiteral("image/png")).has_value());

        // Something copied afterwards ends the empty text and stays.
        TestOwner second;
        second.offer(utf8, utf8, "second text");
        second.start();
        QTRY_VERIFY_WITH_TIMEOUT(!empty.owns(), 5000);
        QCOMPARE(owner(), second.window());
        const auto again = readClipboard();
        QCOMPARE(again.text, QStringLiteral("second text"));

        // A copy made after the read, even by the same program, is not
        // replaced by the empty text.
        QTRY_VERIFY_WITH_TIMEOUT(readClipboard().readTime > again.readTime, 5000);
        second.takeClipboard();
        second.sync();
        X11EmptyClipboardOwner late;
        QVERIFY(!late.takeIfUnchanged(QByteArray(), again.owner, again.readTime));
        QVERIFY(!late.owns());
        QCOMPARE(owner(), second.window());

        // Ending the owner leaves the clipboard without one.
        const auto last = readClipboard();
        {
            X11EmptyClipboardOwner ending;
            QVERIFY(ending.takeIfUnchanged(QByteArray(), last.owner, last.readTime));
            QVERIFY(owner() != second.window());
        }
        QTRY_COMPARE_WITH_TIMEOUT(owner(), xcb_window_t(XCB_WINDOW_NONE), 5000);
    }

    void largeTextArrivesInPiecesAndIsCappedAtTheLimit()
    {
        // xclip hands over anything larger than the server's request size in
        // INCR pieces.
        // The 1,000,000th byte is the first half of "é": a text cut there
        // must end before it.
        QByteArray text = QByteArray(999'999, 'a') + "\xc3\xa9\n";
        for (int line = 0; text.size() < 3'000'000; ++line)
            text += "line " + QByteArray::number(line) + " of a long copy, ünïcödé\n";
        QProcess xclip;
        startXclip(xclip, text, QStringLiteral("UTF8_STRING"));
        QTRY_VERIFY_WITH_TIMEOUT(xclipOwnsTheClipboard(), 10000);
        const auto whole = readClipboard(qsizetype(1) << 28);
        QVERIFY2(whole.ok, qPrintable(whole.error));
        QVERIFY(!whole.cut);
        QCOMPARE(whole.text.toUtf8(), text);

        const auto capped = readClipboard(1'000'000);
        QVERIFY2(capped.ok, qPrintable(capped.error));
        QVERIFY(capped.cut);
        QCOMPARE(capped.text.toUtf8(), text.left(999'999));

        stopXclip(xclip);
    }

    void primarySelectionIsReadApartFromTheClipboardAndKept()
    {
        // The clipboard holds one text, the primary selection a large other
        // one, which xclip hands over in pieces.
        TestOwner clipboardOwner;
        clipboardOwner.offer(clipboardOwner.atom("UTF8_STRING"), clipboardOwner.atom("UTF8_STRING"),
                             "on the clipboard");
        clipboardOwner.start();
        QByteArray selected;
        for (int line = 0; selected.size() < 1'500'000; ++line)
            selected += "selected line " + QByteArray::number(line) + ", ünïcödé\n";
        QProcess xclip;
        startXclip(xclip, selected, QStringLiteral("UTF8_STRING"), QStringLiteral("primary"));
        QTRY_VERIFY_WITH_TIMEOUT(primaryText() == selected, 10000);

        const auto primary = readPrimary(qsizetype(1) << 28);
        QVERIFY2(primary.ok, qPrintable(primary.error));
        QVERIFY(!primary.replaced);
        QVERIFY(!primary.cut);
        QCOMPARE(primary.text.toUtf8(), selected);

        const auto clipboard = readClipboard();
        QVERIFY2(clipboard.ok, qPrintable(clipboard.error));
        QCOMPARE(clipboard.text, QStringLiteral("on the clipboard"));
        QCOMPARE(clipboard.owner, clipboardOwner.window());

        // Reading leaves the selection with its owner and its text.
        QCOMPARE(xclip.state(), QProcess::Running);
        const std::optional<QByteArray> after = primaryText();
        QVERIFY(after.has_value());
        QCOMPARE(after->size(), selected.size());
        QCOMPARE(*after, selected);

        // Cut at the limit. (xclip then waits for the rest of its transfer
        // to a window that has gone, and answers no one else: this comes last.)
        const auto capped = readPrimary(100'000);
        QVERIFY(capped.ok && capped.cut);
        QCOMPARE(capped.text.toUtf8(), selected.left(100'000));
        stopXclip(xclip);

        // Nothing selected: no text, and no error.
        QTRY_VERIFY_WITH_TIMEOUT(readPrimary().ok && readPrimary().text.isEmpty(), 5000);
    }

    void cancelEndsTheWait()
    {
        TestOwner owner(false);
        owner.start();
        std::atomic_bool cancel = true;
        const auto result = X11ClipboardReader::read(QByteArray(), 1 << 20, cancel, 60000);
        QVERIFY(!result.ok);
    }

private:
    xcb_window_t owner() const
    {
        const xcb_atom_t clipboard = [this] {
            const auto cookie = xcb_intern_atom(m_keepAlive, 0, 9, "CLIPBOARD");
            xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(m_keepAlive, cookie, nullptr);
            const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
            std::free(reply);
            return atom;
        }();
        xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(
            m_keepAlive, xcb_get_selection_owner(m_keepAlive, clipboard), nullptr);
        const xcb_window_t window = reply != nullptr ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
        std::free(reply);
        return window;
    }

    xcb_connection_t* m_keepAlive = nullptr;
};

QTEST_GUILESS_MAIN(X11ClipboardReaderTest)
#include "X11ClipboardReaderTest.moc"
