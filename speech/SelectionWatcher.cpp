#include "speech/SelectionWatcher.h"

#include "platform/Clipboard.h"
#include "speech/ClipboardWatcher.h"

#include <algorithm>

namespace clipvoice::speech {

SelectionWatcher::SelectionWatcher(platform::Clipboard& clipboard,
                                   agent::timing::Scheduler& scheduler,
                                   std::function<bool()> characterLoaded,
                                   std::function<void(const QString&)> speak)
    : m_clipboard(clipboard)
    , m_scheduler(scheduler)
    , m_characterLoaded(std::move(characterLoaded))
    , m_speak(std::move(speak))
    , m_alive(std::make_shared<bool>(true))
{}

SelectionWatcher::~SelectionWatcher()
{
    m_scheduler.cancel(m_next);
    if (m_watching)
        m_clipboard.watchSelection({});
}

void SelectionWatcher::setWatching(bool on)
{
    if (on == m_watching)
        return;
    m_watching = on;
    ++m_generation; // a read under way belongs to the watch that asked for it
    m_reading = false;
    m_changedWhileReading = false;
    m_scheduler.cancel(m_next);
    m_next = 0;
    m_needsBaseline = true;
    m_selectionSpokeLast = false;
    m_failures = 0;
    if (!on) {
        m_clipboard.watchSelection({});
        return;
    }
    m_clipboard.watchSelection([this] { changed(); });
    if (m_characterLoaded())
        scheduleRead(0);
}

bool SelectionWatcher::canRead() const
{
    return m_watching && m_characterLoaded();
}

void SelectionWatcher::changed()
{
    if (!m_watching || !m_characterLoaded())
        return;
    // A selection made while reading is possible is a new one, even when
    // the selection found before has not been read yet.
    m_needsBaseline = false;
    m_followUntil = m_scheduler.now() + kFollowMs;
    if (m_reading) {
        m_changedWhileReading = true;
        return;
    }
    // Every notice moves the read further off: while a drag goes on there is
    // nothing worth reading yet.
    scheduleRead(kSettleMs);
}

void SelectionWatcher::scheduleRead(qint64 delayMs)
{
    m_scheduler.cancel(m_next);
    m_next = m_scheduler.schedule(delayMs, [this] {
        m_next = 0;
        read();
    });
}

void SelectionWatcher::read()
{
    if (!canRead()) {
        // Until the next notice, whatever is selected now is only compared
        // with, not spoken.
        m_needsBaseline = true;
        return;
    }
    m_reading = true;
    m_changedWhileReading = false;
    ++m_reads;
    const quint64 generation = m_generation;
    m_clipboard.readSelection([this, generation, alive = std::weak_ptr<bool>(m_alive)](
                                  const platform::SelectionRead& result) {
        if (alive.lock())
            readDone(generation, result);
    });
}

void SelectionWatcher::readDone(quint64 generation, const platform::SelectionRead& result)
{
    if (generation != m_generation)
        return;
    m_reading = false;
    // Not read just now (the clipboard was being read, or the owner was
    // slow): soon again, and less and less often while it keeps failing.
    if (!result.ok) {
        qint64 delay = kSettleMs;
        for (int i = 0; i < m_failures && delay < kLongestRetryMs; ++i)
            delay *= 2;
        ++m_failures;
        scheduleRead(std::min(delay, kLongestRetryMs));
        return;
    }
    m_failures = 0;
    if (!canRead()) {
        m_needsBaseline = true;
        return;
    }
    const QString& text = result.text;
    bool settling = false;
    if (m_needsBaseline) {
        m_needsBaseline = false;
        m_lastRead = text;
        m_handled = true;
    } else if (text != m_lastRead) {
        // Still changing, or changed since the last check: once more, after
        // a pause, to see whether it stays.
        m_lastRead = text;
        m_handled = false;
        settling = true;
        m_followUntil = m_scheduler.now() + kFollowMs;
    } else if (!m_handled) {
        m_handled = true;
        const QString spoken = limitClipboardText(text);
        if (!spoken.isEmpty() && spoken != m_lastSpoken) {
            m_lastSpoken = spoken;
            m_selectionSpokeLast = true;
            m_speak(spoken);
            if (generation != m_generation)
                return; // speaking switched watching off or on
        }
    }
    if (settling || m_changedWhileReading)
        scheduleRead(kSettleMs);
    else if (text.size() <= kQuietCheckLimit && m_scheduler.now() + kQuietCheckMs <= m_followUntil)
        scheduleRead(kQuietCheckMs);
}

bool SelectionWatcher::takeCopied(const QString& text)
{
    if (!m_watching)
        return false;
    const bool spokenJustNow = m_selectionSpokeLast && text == m_lastSpoken;
    m_lastSpoken = text;
    m_selectionSpokeLast = false;
    return spokenJustNow;
}

} // namespace clipvoice::speech
