#pragma once

#include "agent/timing/Scheduler.h"

#include <QString>

#include <functional>
#include <memory>

namespace clipvoice::platform {
class Clipboard;
struct SelectionRead;
} // namespace clipvoice::platform

namespace clipvoice::speech {

// Watches the primary selection (the text last selected) and speaks a new
// one once it has settled: when two reads kSettleMs apart give the same text,
// the user has stopped dragging. The selection is only ever read, never
// cleared or changed, and the same text is not spoken twice in a row.
//
// It reads only when there is reason to: the clipboard tells of each new
// owner of the selection, and each notice pushes the next read kSettleMs
// further off, so a drag that takes the selection at every move of the mouse
// costs one read after it stops. A program may also change the text of a
// selection it keeps without taking it again (Qt programs and xclip take it
// anew for every change, but nothing obliges an owner to); that happens while
// the user is still at work on the selection, so for kFollowMs after the
// last notice or change a text of at most kQuietCheckLimit characters is
// read again every kQuietCheckMs. After that a selection that stays as it is
// costs nothing: each read takes a few milliseconds of CPU, and reading every
// two seconds for ever would cost more than the program's whole idle budget.
//
// Nothing is read while watching is off, nor while no character is loaded.
// The selection found when watching starts is the one to compare with, not
// one to speak, so turning watching on never speaks an old selection.
class SelectionWatcher
{
public:
    // A drag's text changes many times a second; a pause of this long with
    // the same text is a drag that ended, short enough for the speech to start
    // within about a second of letting go. (A slower drag with a longer pause
    // is spoken in the middle and again when it ends.)
    static constexpr qint64 kSettleMs = 400;
    // How often a kept selection is read for a text changed in place; one
    // small read every two seconds, as the clipboard's own tick, for
    // kFollowMs after the last notice or change.
    static constexpr qint64 kQuietCheckMs = 2000;
    static constexpr qint64 kFollowMs = 20000;
    // A longer selection is read again only when a new owner is announced:
    // reading megabytes every few seconds would cost more than it finds.
    static constexpr qsizetype kQuietCheckLimit = 64 * 1024;
    // A read that fails (an owner that does not answer) is tried again
    // kSettleMs later, then twice as long after each further failure, up to
    // this: such reads hold the worker the clipboard is read on too.
    static constexpr qint64 kLongestRetryMs = 30000;

    SelectionWatcher(platform::Clipboard& clipboard, agent::timing::Scheduler& scheduler,
                     std::function<bool()> characterLoaded,
                     std::function<void(const QString&)> speak);
    ~SelectionWatcher();
    SelectionWatcher(const SelectionWatcher&) = delete;
    SelectionWatcher& operator=(const SelectionWatcher&) = delete;

    // Switches watching on or off (the option and clipboard watching both on).
    void setWatching(bool on);
    bool isWatching() const { return m_watching; }

    // The clipboard's tick took `text` (copied): true when the selection has
    // just spoken the same text, so it is not spoken twice (a text selected,
    // spoken, then copied). Either way the copied text counts as the last one
    // spoken, so selecting it again is not spoken either. Always false while
    // watching is off.
    bool takeCopied(const QString& text);

    // How many reads were asked for, for tests and benchmarks.
    int readCount() const { return m_reads; }

private:
    void changed();
    void scheduleRead(qint64 delayMs);
    void read();
    void readDone(quint64 generation, const platform::SelectionRead& result);
    bool canRead() const;

    platform::Clipboard& m_clipboard;
    agent::timing::Scheduler& m_scheduler;
    std::function<bool()> m_characterLoaded;
    std::function<void(const QString&)> m_speak;

    bool m_watching = false;
    bool m_reading = false;
    bool m_changedWhileReading = false;
    bool m_needsBaseline = true; // the next read only sets what to compare with
    agent::timing::Scheduler::TaskId m_next = 0;
    quint64 m_generation = 0;          // reads of an earlier watch are ignored
    QString m_lastRead;                // the text the last read found
    bool m_handled = true;             // m_lastRead was spoken, or was not to be
    QString m_lastSpoken;              // the last text spoken, by either source
    bool m_selectionSpokeLast = false; // m_lastSpoken came from the selection
    int m_reads = 0;
    int m_failures = 0;            // reads failed in a row
    qint64 m_followUntil = 0;      // quiet checks go on until then
    std::shared_ptr<bool> m_alive; // a read that ends after the watcher is ignored
};

} // namespace clipvoice::speech
