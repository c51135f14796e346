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

// The system clipboard, as far as the program uses it.
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
};

} // namespace clipvoice::platform
