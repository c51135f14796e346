#pragma once

#include "agent/timing/Scheduler.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>

class QTimer;

namespace clipvoice::agent::timing {

// The Scheduler of the running program: Qt timers on the thread that creates it.
class QtScheduler final : public Scheduler
{
public:
    QtScheduler();
    ~QtScheduler() override;
    QtScheduler(const QtScheduler&) = delete;
    QtScheduler& operator=(const QtScheduler&) = delete;

    qint64 now() const override;
    TaskId schedule(qint64 delayMs, std::function<void()> task) override;
    void cancel(TaskId id) override;

private:
    QElapsedTimer m_clock;
    QObject m_context;
    QHash<TaskId, QTimer*> m_timers;
    TaskId m_nextId = 1;
};

} // namespace clipvoice::agent::timing
