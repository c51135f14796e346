// Start-up time of a program under X: starts the command and reports the
// milliseconds until a top-level window of the given size is mapped, then
// ends the program. Used by scripts/bench, side by side for ClipVoice and a
// bare Qt window.
//
//   startup_probe WIDTH HEIGHT COMMAND [ARGUMENTS...]

#include <X11/Xlib.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

bool hasSize(Display* display, Window window, int width, int height)
{
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) == 0)
        return false;
    return attributes.width == width && attributes.height == height;
}

void endChild(pid_t child)
{
    kill(child, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (waitpid(child, nullptr, WNOHANG) == child)
            return;
        usleep(100 * 1000);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s WIDTH HEIGHT COMMAND [ARGUMENTS...]\n", argv[0]);
        return 2;
    }
    const int width = std::atoi(argv[1]);
    const int height = std::atoi(argv[2]);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "startup_probe: cannot open the display\n");
        return 2;
    }
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; }); // windows may vanish
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    pid_t child = 0;
    if (posix_spawnp(&child, argv[3], nullptr, nullptr, argv + 3, environ) != 0) {
        std::fprintf(stderr, "startup_probe: cannot start %s\n", argv[3]);
        return 2;
    }

    const Clock::time_point deadline = start + std::chrono::seconds(60);
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    while (Clock::now() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && hasSize(display, event.xmap.window, width, height)) {
                const double ms =
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                std::printf("%.1f\n", ms);
                endChild(child);
                XCloseDisplay(display);
                return 0;
            }
        }
        if (waitpid(child, nullptr, WNOHANG) == child) {
            std::fprintf(stderr, "startup_probe: %s ended before its window was shown\n", argv[3]);
            return 1;
        }
        poll(&connection, 1, 20);
    }
    std::fprintf(stderr, "startup_probe: no %dx%d window within 60 s\n", width, height);
    endChild(child);
    return 1;
}
