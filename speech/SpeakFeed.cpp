#include "speech/SpeakFeed.h"

namespace clipvoice::speech {

SpeakFeed::SpeakFeed(std::function<void()> scheduleNextSlice)
    : m_scheduleNextSlice(std::move(scheduleNextSlice))
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { continueFeeding(); });
    if (!m_scheduleNextSlice)
        m_scheduleNextSlice = [this] { m_timer.start(); };
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

void SpeakFeed::continueFeeding()
{
    if (!m_jobs.empty() && !m_feeding)
        feedSlice();
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
    if (!m_jobs.empty())
        m_scheduleNextSlice();
}

} // namespace clipvoice::speech
