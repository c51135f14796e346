#include "speech/ClipboardWatcher.h"

#include "platform/Clipboard.h"

namespace clipvoice::speech {

QString limitClipboardText(const QString& text, qsizetype limit)
{
    if (text.size() <= limit)
        return text;
    QString cut = text.left(limit);
    const qsizetype lastBreak = cut.lastIndexOf(QStringLiteral("\r\n"));
    if (lastBreak > 0)
        cut.truncate(lastBreak);
    else if (cut.back().isHighSurrogate())
        cut.chop(1); // never split a character in two
    return cut;
}

void clipboardTick(platform::Clipboard& clipboard, bool characterLoaded,
                   const std::function<void(const QString&)>& speak)
{
    if (!characterLoaded)
        return;
    const QString text = clipboard.text();
    if (text.isEmpty())
        return;
    clipboard.clear();
    speak(limitClipboardText(text));
}

void takeClipboardText(platform::Clipboard& clipboard, bool characterLoaded,
                       const platform::ClipboardRead& read,
                       const std::function<void(const QString&)>& speak)
{
    if (!characterLoaded || read.text.isEmpty())
        return;
    if (!clipboard.clearIfUnchanged(read))
        return;
    speak(limitClipboardText(read.text));
}

} // namespace clipvoice::speech
