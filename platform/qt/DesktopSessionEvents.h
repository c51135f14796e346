#pragma once

#include "platform/SessionEvents.h"

#include <QSocketNotifier>

#include <memory>

namespace clipvoice::platform {

// The ways a desktop ends the program, as SessionEvents:
// - SIGTERM, SIGHUP and SIGINT become terminationRequested(), raised on the
//   window's thread (the handler only writes a byte to a socket the event
//   loop watches);
// - the session manager's request to save before log-out becomes
//   sessionEnding();
// - an end through exit() while the program runs (Qt ends the process so
//   when it loses the display connection) becomes endingNow(), raised from
//   an exit handler before the process is gone.
// Only one instance may exist at a time. Create it after the application
// object.
class DesktopSessionEvents final : public SessionEvents
{
    Q_OBJECT

public:
    explicit DesktopSessionEvents(QObject* parent = nullptr);
    ~DesktopSessionEvents() override;

    // From now until this object is destroyed, an exit() raises endingNow()
    // and then ends the process at once with status 1, skipping the static
    // destructors that other threads may still depend on.
    // Call it once start-up is done: what the program saves then has been
    // read already, so the exit handler runs before what reading it set up
    // is torn down.
    void watchForAbruptExit();

private:
    void takeSignal();

    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace clipvoice::platform
