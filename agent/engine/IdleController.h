#pragma once

#include "agent/engine/EngineTimer.h"
#include "agent/timing/Scheduler.h"

#include <functional>

namespace clipvoice::agent::engine {

// When a character has nothing to do, how long it waits before idling and how
// its idling deepens.
struct IdleSettings
{
    qint64 firstDelayMs = 8000;    // from becoming idle to the first idle animation
    qint64 pauseMs = 6000;         // between the end of one idle animation and the next
    qint64 level2AfterMs = 60000;  // idle this long: level 2 animations
    qint64 level3AfterMs = 180000; // idle this long: level 3 (sleep)
};

// Times a character's idling: once started, asks for an idle animation of level
// 1 after the first delay, and again a pause after each one ends, with the level
// rising with the time spent idle. Stopping cancels everything at once.
class IdleController
{
public:
    // Called with the level (1..3) when an idle animation should start; the
    // owner calls animationEnded() when it is over (or at once if it has none).
    using StartIdle = std::function<void(int level)>;

    IdleController(timing::Scheduler& scheduler, IdleSettings settings, StartIdle startIdle);

    // Starts idling; does nothing while already idling.
    void start();
    void stop();
    void animationEnded();

    bool isActive() const { return m_active; }
    // The level for the time idle so far (0 while not idling).
    int level() const;

private:
    void fire();

    timing::Scheduler& m_scheduler;
    IdleSettings m_settings;
    StartIdle m_startIdle;
    EngineTimer m_timer;
    bool m_active = false;
    qint64 m_since = 0;
};

} // namespace clipvoice::agent::engine
