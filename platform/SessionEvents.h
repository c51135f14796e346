#pragma once

#include <QObject>

namespace clipvoice::platform {

// Ways the program is asked to end other than its own quit command. The
// desktop adapter raises them; tests raise them directly.
class SessionEvents : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    // The system asks the program to end (SIGTERM, SIGHUP, SIGINT): it should
    // save what it keeps and quit.
    void terminationRequested();
    // The desktop session is ending (the user logs out): save now; the
    // session ends the program afterwards, or goes on if the log-out is
    // cancelled.
    void sessionEnding();
    // The program is ending at once and its event loop will not run again
    // (the connection to the display was lost): save now, without asking
    // the user anything.
    void endingNow();
};

} // namespace clipvoice::platform
