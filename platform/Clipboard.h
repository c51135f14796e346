#pragma once

#include <QString>

#include <functional>

namespace clipvoice::platform {

// A text taken from the clipboard, with a mark by which the clipboard can
// tell later whether it still holds that text. The mark means something only
// to the clipboard that made it; 0 is "no mark".
struct ClipboardRead
{
    QString text;
    quint64 mark = 0;
};

// A text taken from the primary selection (the text last selected, which a
// middle press pastes on X11). `ok` is false when it could not be read just
// now (another read was under way, or its owner did not answer in time);
// then it is worth asking again later. An empty text with `ok` means nothing
// with text is selected.
struct SelectionRead
{
    bool ok = false;
    QString text;
};

// The system clipboard, as far as the program uses it, and the primary
// selection where the desktop has one. The selection is only ever read:
// never taken, changed or emptied.
class Clipboard
{
public:
    virtual ~Clipboard() = default;

    // The clipboard's plain text, or an empty text when it holds none.
    virtual QString text() = 0;
    // Empties the clipboard, whatever it holds.
    virtual void clear() = 0;

    // Reads the text like text() and hands it to `done` on this thread: at
    // once here; a desktop clipboard may read a large text in the background
    // and call later. While one read is under way, another gets an empty text.
    virtual void readText(const std::function<void(const ClipboardRead&)>& done)
    {
        done({text(), 0});
    }

    // Empties the clipboard only if nothing was copied since `read` was taken,
    // so that a text copied while the last one was being read is not lost.
    // False, with the clipboard left as it is, when something was. Here the
    // read and the clear follow each other on one thread, so nothing can come
    // between them.
    virtual bool clearIfUnchanged(const ClipboardRead& read)
    {
        Q_UNUSED(read);
        clear();
        return true;
    }

    // Whether the desktop has a primary selection at all. None here.
    virtual bool supportsSelection() const { return false; }

    // Reads the primary selection's plain text, with line breaks as text()
    // gives them, and hands it to `done` on this thread, at once or later.
    virtual void readSelection(const std::function<void(const SelectionRead&)>& done) { done({}); }

    // From now on `changed` is called on this thread whenever a program takes
    // the primary selection (a new text was selected, mostly). Whoever keeps
    // the selection may also change its text without a new call; an empty
    // function stops the calls.
    virtual void watchSelection(std::function<void()> changed) { Q_UNUSED(changed); }
};

} // namespace clipvoice::platform
