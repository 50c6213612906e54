// Times how long a program takes from exec to its first window appearing on
// the X display (the first MapNotify of a top-level window), for the window
// front end's benchmark and its peer:
//     window_map_timer PROGRAM [ARGUMENT...]
// Prints the milliseconds on standard output and leaves the program running
// (its standard streams on /dev/null); its process id follows on the line.
#include <X11/Xlib.h>

#include <chrono>
#include <fcntl.h>
#include <cstdio>
#include <poll.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_map_timer PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "window_map_timer: cannot open the display\n");
        return 1;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);
    auto const start = std::chrono::steady_clock::now();
    pid_t const child = fork();
    if (child == 0) {
        // Its output is not ours: whoever reads ours must not wait for it.
        int const null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    int const fd = ConnectionNumber(display);
    for (;;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && event.xmap.event == DefaultRootWindow(display)) {
                auto const elapsed = std::chrono::steady_clock::now() - start;
                std::printf("%.1f %d\n", std::chrono::duration<double, std::milli>(elapsed).count(), static_cast<int>(child));
                return 0;
            }
        }
        pollfd ready { fd, POLLIN, 0 };
        if (poll(&ready, 1, 60000) <= 0) {
            std::fprintf(stderr, "window_map_timer: no window in 60 s\n");
            return 1;
        }
    }
}
