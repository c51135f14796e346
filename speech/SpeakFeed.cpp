#include "speech/SpeakFeed.h"

namespace clipvoice::speech {

using platform::agent::RequestStatus;

SpeakFeed::SpeakFeed(std::function<void(int delayMs)> schedule)
    : m_schedule(std::move(schedule))
{
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { continueFeeding(); });
    if (!m_schedule)
        m_schedule = [this](int delayMs) { m_timer.start(delayMs); };
}

void SpeakFeed::speak(const QString& text, const SpeakContext& context)
{
    const bool idle = m_jobs.empty() && !m_feeding;
    m_jobs.emplace_back(text, context);
    if (idle)
        feedSlice();
}

void SpeakFeed::cancel()
{
    m_jobs.clear();
    m_timer.stop();
    ++m_generation;
}

SpeakFeed::Readiness SpeakFeed::characterReadiness() const
{
    // A job part-way through its text waits while the last line it handed
    // over has not begun. When that line was stopped, the character's queue
    // was dropped, and the rest of the text goes with it.
    const platform::agent::RequestPtr& last = m_jobs.front().lastSpoken();
    if (!last)
        return Readiness::Ready;
    switch (last->status()) {
    case RequestStatus::Pending:
        return Readiness::Busy;
    case RequestStatus::Interrupted:
        return Readiness::Stopped;
    default:
        return Readiness::Ready;
    }
}

void SpeakFeed::continueFeeding()
{
    if (m_feeding)
        return;
    while (!m_jobs.empty()) {
        switch (characterReadiness()) {
        case Readiness::Busy:
            m_schedule(PollIntervalMs);
            return;
        case Readiness::Stopped:
            m_jobs.pop_front();
            continue;
        case Readiness::Ready:
            feedSlice();
            return;
        }
    }
}

void SpeakFeed::feedSlice()
{
    // The job is taken out while it runs: a call it makes may come back here
    // (a cancel from an event the character raises) and must not pull the job
    // from under it.
    SpeakJob job = std::move(m_jobs.front());
    m_jobs.pop_front();
    const quint64 generation = m_generation;
    m_feeding = true;
    const bool finished = job.step(SliceBudget);
    m_feeding = false;
    if (generation != m_generation)
        return;
    if (!finished)
        m_jobs.push_front(std::move(job));
    // The next turn looks whether the character is ready for more.
    if (!m_jobs.empty())
        m_schedule(0);
}

} // namespace clipvoice::speech
