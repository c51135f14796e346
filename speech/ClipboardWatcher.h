#pragma once

#include <QString>

#include <functional>

namespace clipvoice::platform {
class Clipboard;
struct ClipboardRead;
} // namespace clipvoice::platform

namespace clipvoice::speech {

// The longest copied text taken in one tick (characters). Longer text is cut
// at the last line break before the limit: reading even this much aloud
// would take weeks, and more would only flood the character with requests.
inline constexpr qsizetype kMaxClipboardText = qsizetype(1) << 26;

// One tick of clipboard watching. While no character is loaded the clipboard
// is left alone, so nothing copied is lost. Otherwise its text is taken; only
// when there was text is the clipboard emptied and the text handed to speak.
// Pictures and other data without text stay on the clipboard.
void clipboardTick(platform::Clipboard& clipboard, bool characterLoaded,
                   const std::function<void(const QString&)>& speak);

// The second half of a tick whose text was read in the background: takes the
// text as clipboardTick does, if a character is still loaded. Only the text
// that was read is cleared: when something was copied since, the clipboard is
// left to the next tick and the stale text is not spoken.
void takeClipboardText(platform::Clipboard& clipboard, bool characterLoaded,
                       const platform::ClipboardRead& read,
                       const std::function<void(const QString&)>& speak);

// The text to speak from a copied text: at most `limit` characters, cut at a
// line break where there is one.
QString limitClipboardText(const QString& text, qsizetype limit = kMaxClipboardText);

} // namespace clipvoice::speech
