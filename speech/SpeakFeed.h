#pragma once

#include "speech/SpeakPipeline.h"

#include <QTimer>

#include <deque>
#include <functional>

namespace clipvoice::speech {

// Hands texts to the character in the order they came, a slice at a time, so
// that a long copied text (hundreds of thousands of lines) never holds up the
// window: a short text that finds the feed idle is handed over at once,
// within the call; the rest of a long one, and texts that came meanwhile,
// follow a slice per turn of the event loop, in order.
class SpeakFeed
{
public:
    // At most this much is handed over per turn of the event loop: a few
    // milliseconds of work.
    static constexpr SpeakBudget SliceBudget{2000, qsizetype(1) << 18};

    // `scheduleNextSlice` asks for continueFeeding() to be called soon; by
    // default a zero-time timer of the feed's own does it.
    explicit SpeakFeed(std::function<void()> scheduleNextSlice = {});

    void speak(const QString& text, const SpeakContext& context);
    // Forgets every line not yet handed over (the user stopped the speech or
    // chose another character).
    void cancel();
    // Hands over the next slice.
    void continueFeeding();

    bool isFeeding() const { return !m_jobs.empty(); }

private:
    void feedSlice();

    std::deque<SpeakJob> m_jobs;
    std::function<void()> m_scheduleNextSlice;
    QTimer m_timer;
    quint64 m_generation = 0; // counts cancels
    bool m_feeding = false;   // a slice is being handed over
};

} // namespace clipvoice::speech
