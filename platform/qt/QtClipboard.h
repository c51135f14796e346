#pragma once

#include "platform/Clipboard.h"
#include "platform/qt/X11EmptyClipboardOwner.h"

#include <QObject>

#include <atomic>
#include <thread>

namespace clipvoice::platform {

// The system clipboard through Qt. Its text comes with CR LF line breaks,
// the form plain text takes on the clipboard of Windows, whatever line breaks
// the program that copied it used: every line break separates two lines.
//
// On X11 a large copy takes its owner many round trips to hand over, an
// owner may not answer at all, and Qt waits for it on the window's thread;
// readText() asks and reads on a worker thread instead, over a connection of
// its own. Such a read is marked with the X server's time at which the text
// was known to be current, so that the clear that follows leaves alone
// whatever was copied after it.
//
// In a Wayland session (through XWayland) the clipboard is emptied by owning
// it with an empty text rather than by leaving it without an owner, which the
// compositor would not hand on to Wayland programs.
class QtClipboard final : public Clipboard
{
public:
    QtClipboard() = default;
    ~QtClipboard() override;

    QString text() override;
    void clear() override;
    void readText(const std::function<void(const ClipboardRead&)>& done) override;
    bool clearIfUnchanged(const ClipboardRead& read) override;

    static QString withCrLfLineBreaks(const QString& text);

private:
    void finishRead();

    bool readsInBackground() const;
    static bool clearsByOwningEmptyText();

    QObject m_context; // receives the worker's result on the window's thread
    std::thread m_worker;
    std::atomic_bool m_cancel = false;
    bool m_reading = false;
    X11EmptyClipboardOwner m_emptyOwner; // holds the emptied clipboard under Wayland
};

} // namespace clipvoice::platform
