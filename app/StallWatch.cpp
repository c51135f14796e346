#include "app/StallWatch.h"

namespace clipvoice::app {

StallWatch::StallWatch(const QString& path, int thresholdMs)
    : m_file(path)
    , m_threshold(thresholdMs)
{
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return;
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(IntervalMs);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { tick(m_clock.elapsed()); });
    m_clock.start();
    m_timer.start();
}

void StallWatch::tick(qint64 nowMs)
{
    // How much later than due this firing came is how long the thread was busy.
    const qint64 late = nowMs - m_last - IntervalMs;
    m_last = nowMs;
    if (late <= m_threshold)
        return;
    m_longest = std::max(m_longest, late);
    if (m_file.isOpen()) {
        m_file.write(QStringLiteral("stall %1 ms\n").arg(late).toUtf8());
        m_file.flush();
    }
}

} // namespace clipvoice::app
