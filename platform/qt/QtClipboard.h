#pragma once

#include "platform/Clipboard.h"
#include "platform/qt/X11ClipboardReader.h"
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
// The primary selection is read in the same way, on the same worker thread
// (one read at a time, clipboard or selection), and never emptied. Qt tells of
// each new owner of the selection (on X11 through XFixes), without reading it.
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
    bool supportsSelection() const override;
    void readSelection(const std::function<void(const SelectionRead&)>& done) override;
    void watchSelection(std::function<void()> changed) override;

    static QString withCrLfLineBreaks(const QString& text);

private:
    void finishRead();
    // Starts a read of the clipboard or the selection on the worker thread;
    // `finish` gets its result on the window's thread. False when another
    // read is still under way.
    bool startRead(X11ClipboardReader::Selection selection,
                   std::function<void(const X11ClipboardReader::Result&)> finish);

    bool readsInBackground() const;
    static bool clearsByOwningEmptyText();

    QObject m_context; // receives the worker's result on the window's thread
    std::thread m_worker;
    std::atomic_bool m_cancel = false;
    bool m_reading = false;
    X11EmptyClipboardOwner m_emptyOwner; // holds the emptied clipboard under Wayland
    std::function<void()> m_selectionChanged;
    bool m_watchingSelection = false; // connected to Qt's notice of a new selection
};

} // namespace clipvoice::platform
