#include "platform/qt/DesktopSessionEvents.h"

#include <QGuiApplication>
#include <QSessionManager>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

namespace clipvoice::platform {

namespace {

std::atomic<int> signalSocket{-1};
std::atomic<DesktopSessionEvents*> exitWatcher{nullptr};
constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
// The status the toolkit ends with when the display connection is lost.
constexpr int kAbruptExitStatus = 1;

extern "C" void onSignal(int number)
{
    // Only async-signal-safe work here: one byte to the event loop.
    const int fd = signalSocket.load();
    if (fd >= 0) {
        const char byte = static_cast<char>(number);
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
}

extern "C" void onExit()
{
    DesktopSessionEvents* events = exitWatcher.exchange(nullptr);
    if (events == nullptr)
        return;
    emit events->endingNow();
    // The program did not wind down: its window, audio, synthesis and web
    // engine threads still run, and the static destructors that exit() runs
    // next would pull their data away beneath them (a crash at the very end).
    // What had to be kept is saved: end here, as the toolkit asked.
    std::fflush(nullptr);
    std::_Exit(kAbruptExitStatus);
}

} // namespace

DesktopSessionEvents::DesktopSessionEvents(QObject* parent)
    : SessionEvents(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, m_pipe) == 0) {
        signalSocket = m_pipe[0];
        m_notifier = std::make_unique<QSocketNotifier>(m_pipe[1], QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this,
                &DesktopSessionEvents::takeSignal);
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int number : kSignals)
            ::sigaction(number, &action, nullptr);
    }
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(application, &QGuiApplication::commitDataRequest, this,
                [this](QSessionManager&) { emit sessionEnding(); });
}

DesktopSessionEvents::~DesktopSessionEvents()
{
    DesktopSessionEvents* self = this;
    exitWatcher.compare_exchange_strong(self, nullptr);
    if (m_pipe[0] < 0)
        return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int number : kSignals)
        ::sigaction(number, &action, nullptr);
    signalSocket = -1;
    m_notifier.reset();
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

void DesktopSessionEvents::watchForAbruptExit()
{
    static const bool registered = std::atexit(onExit) == 0;
    if (registered)
        exitWatcher = this;
}

void DesktopSessionEvents::takeSignal()
{
    char bytes[16];
    const ssize_t count = ::read(m_pipe[1], bytes, sizeof bytes);
    if (count > 0)
        emit terminationRequested();
}

} // namespace clipvoice::platform
