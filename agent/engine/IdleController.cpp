#include "agent/engine/IdleController.h"

#include "agent/timing/Scheduler.h"

#include <algorithm>

namespace clipvoice::agent::engine {

IdleController::IdleController(timing::Scheduler& scheduler, IdleSettings settings,
                               StartIdle startIdle)
    : m_scheduler(scheduler)
    , m_settings(settings)
    , m_startIdle(std::move(startIdle))
    , m_timer(scheduler)
{
    // A pause of 0 would ask again at once for a character without idle animations.
    m_settings.pauseMs = std::max<qint64>(1, m_settings.pauseMs);
    m_settings.firstDelayMs = std::max<qint64>(0, m_settings.firstDelayMs);
}

void IdleController::start()
{
    if (m_active)
        return;
    m_active = true;
    m_since = m_scheduler.now();
    m_timer.start(m_settings.firstDelayMs, [this] { fire(); });
}

void IdleController::stop()
{
    m_active = false;
    m_timer.stop();
}

void IdleController::animationEnded()
{
    if (m_active)
        m_timer.start(m_settings.pauseMs, [this] { fire(); });
}

int IdleController::level() const
{
    if (!m_active)
        return 0;
    const qint64 idle = m_scheduler.now() - m_since;
    if (idle >= m_settings.level3AfterMs)
        return 3;
    if (idle >= m_settings.level2AfterMs)
        return 2;
    return 1;
}

void IdleController::fire()
{
    if (m_active && m_startIdle)
        m_startIdle(level());
}

} // namespace clipvoice::agent::engine
