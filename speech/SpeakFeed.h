#pragma once

#include "speech/SpeakPipeline.h"

#include <QTimer>

#include <deque>
#include <functional>

namespace clipvoice::speech {

// Hands texts to the character in the order they came, a slice at a time, so
// that a long copied text (hundreds of thousands of lines) neither holds up
// the window nor fills memory with requests: a short text that finds the feed
// idle is handed over at once, within the call. Of a long one, the next slice
// follows when the character has begun the last line of the slice before, so
// it never runs out of lines while only a slice waits in its queue. Texts that
// came meanwhile wait their turn.
class SpeakFeed
{
public:
    // At most this much is handed over at a time: a few milliseconds of work,
    // and minutes of speech.
    static constexpr SpeakBudget SliceBudget{500, qsizetype(1) << 16};
    // How often the feed looks whether the character has reached the end of
    // what it was given.
    static constexpr int PollIntervalMs = 250;

    // `schedule` asks for continueFeeding() to be called after a delay in
    // milliseconds; by default a timer of the feed's own does it.
    explicit SpeakFeed(std::function<void(int delayMs)> schedule = {});

    void speak(const QString& text, const SpeakContext& context);
    // Forgets every line not yet handed over (the user stopped the speech or
    // chose another character).
    void cancel();
    // Hands over the next slice when the character is ready for it.
    void continueFeeding();

    bool isFeeding() const { return !m_jobs.empty(); }

private:
    enum class Readiness
    {
        Ready,   // the next slice may go
        Busy,    // the character has not begun the last line handed over
        Stopped, // the character was stopped: the rest of the text is dropped
    };
    Readiness characterReadiness() const;
    void feedSlice();

    std::deque<SpeakJob> m_jobs;
    std::function<void(int)> m_schedule;
    QTimer m_timer;
    quint64 m_generation = 0; // counts cancels
    bool m_feeding = false;   // a slice is being handed over
};

} // namespace clipvoice::speech
