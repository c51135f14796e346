#pragma once

#include <QDeadlineTimer>
#include <QThread>

#include <chrono>
#include <functional>
#include <future>
#include <memory>

#include "agent/timing/testing/ManualScheduler.h"
#include "agent/voice/SynthesisThread.h"

namespace clipvoice::agent::voice::testing {

// A hand-driven clock for speakers, sound effects and clock outputs. Time moves
// one speaker tick at a time, and before each tick the synthesis thread is let
// finish what it was given, so a line plays the same way on every run, and as
// fast as the machine synthesises it.
class ManualPlayback
{
public:
    static constexpr qint64 TickMs = 10;
    // Real time the synthesis thread may take for the work given so far.
    static constexpr int SynthesisTimeoutMs = 20000;

    const std::shared_ptr<timing::testing::ManualScheduler> scheduler =
        std::make_shared<timing::testing::ManualScheduler>();

    qint64 now() const { return scheduler->now(); }

    // Moves time on tick by tick until `done` holds; false when it does not
    // within `limitMs` of clock time, or the synthesis thread stalls.
    bool runUntil(const std::function<bool()>& done, qint64 limitMs)
    {
        const qint64 end = now() + limitMs;
        while (!done()) {
            if (now() >= end || !waitForSynthesis()) {
                return false;
            }
            scheduler->advance(TickMs);
        }
        return true;
    }

    // Like runUntil, but without waiting for the synthesis thread, for lines
    // whose synthesis waits for the player; gives up after SynthesisTimeoutMs
    // of real time.
    bool tickUntil(const std::function<bool()>& done)
    {
        const QDeadlineTimer deadline(SynthesisTimeoutMs);
        while (!done()) {
            if (deadline.hasExpired()) {
                return false;
            }
            scheduler->advance(TickMs);
            QThread::yieldCurrentThread();
        }
        return true;
    }

    // Waits until the synthesis thread has run every job posted before.
    static bool waitForSynthesis()
    {
        auto reached = std::make_shared<std::promise<void>>();
        std::future<void> done = reached->get_future();
        SynthesisThread::post([reached] { reached->set_value(); });
        return done.wait_for(std::chrono::milliseconds(SynthesisTimeoutMs)) ==
               std::future_status::ready;
    }
};

} // namespace clipvoice::agent::voice::testing
