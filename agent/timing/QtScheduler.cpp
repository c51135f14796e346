#include "agent/timing/QtScheduler.h"

#include <QTimer>

#include <algorithm>
#include <limits>
#include <utility>

namespace clipvoice::agent::timing {

QtScheduler::QtScheduler()
{
    m_clock.start();
}

QtScheduler::~QtScheduler()
{
    // The timers are children of m_context and go with it.
    m_timers.clear();
}

qint64 QtScheduler::now() const
{
    return m_clock.elapsed();
}

Scheduler::TaskId QtScheduler::schedule(qint64 delayMs, std::function<void()> task)
{
    const TaskId id = m_nextId++;
    auto* timer = new QTimer(&m_context);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(
        static_cast<int>(std::clamp<qint64>(delayMs, 0, std::numeric_limits<int>::max())));
    QObject::connect(timer, &QTimer::timeout, &m_context,
                     [this, id, timer, task = std::move(task)] {
                         // The task may cancel other tasks or schedule new ones; this timer is
                         // deleted later because its signal is still being delivered.
                         m_timers.remove(id);
                         timer->deleteLater();
                         task();
                     });
    m_timers.insert(id, timer);
    timer->start();
    return id;
}

void QtScheduler::cancel(TaskId id)
{
    QTimer* timer = m_timers.take(id);
    if (timer) {
        timer->stop();
        timer->deleteLater();
    }
}

} // namespace clipvoice::agent::timing
