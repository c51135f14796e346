#pragma once

#include <functional>

// The one thread all speech synthesis runs on. libespeak-ng is not thread-safe
// and open_jtalk is a child process waited for synchronously, so neither may run
// on the user-interface thread; jobs run one after another in posting order.
namespace clipvoice::agent::voice {

class SynthesisThread
{
public:
    // Runs `job` on the synthesis thread, starting the thread on first use. The
    // thread is stopped when the application object is destroyed.
    static void post(std::function<void()> job);
};

} // namespace clipvoice::agent::voice
