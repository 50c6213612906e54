// Takes the keyboard focus from a window and watches one of its pixels, for
// the tests on a real display (which have no window manager to do it):
//     focus_elsewhere WINDOW-ID X Y BEFORE AFTER
// Checks that the window's pixel at X, Y (window coordinates) is BEFORE
// (RRGGBB, hexadecimal) while the window has the focus, then maps a window
// of its own, gives it the focus, and waits up to ten seconds for the pixel
// to become AFTER. Exit status 0 when it does, 1 with what it saw otherwise.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

unsigned long pixel_at(Display* display, Window window, int x, int y)
{
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return ~0ul;
    unsigned long const value = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return value;
}

// Polls for up to ten seconds.
bool becomes(Display* display, Window window, int x, int y, unsigned long wanted, unsigned long& seen)
{
    auto const end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    do {
        seen = pixel_at(display, window, x, y);
        if (seen == wanted)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < end);
    return false;
}

}

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: focus_elsewhere WINDOW-ID X Y BEFORE AFTER\n");
        return 2;
    }
    // Closed on every way out (the sanitizer build counts what is left).
    std::unique_ptr<Display, int (*)(Display*)> const connection(XOpenDisplay(nullptr), XCloseDisplay);
    Display* const display = connection.get();
    if (!display) {
        std::printf("cannot open the display\n");
        return 2;
    }
    Window const window = std::strtoul(argv[1], nullptr, 0);
    int const x = std::atoi(argv[2]), y = std::atoi(argv[3]);
    unsigned long const before = std::strtoul(argv[4], nullptr, 16), after = std::strtoul(argv[5], nullptr, 16);
    unsigned long seen = 0;
    if (!becomes(display, window, x, y, before, seen)) {
        std::printf("with the focus, the pixel at %d,%d is %06lX, not %06lX\n", x, y, seen, before);
        return 1;
    }
    Window const other = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
    XSelectInput(display, other, ExposureMask);
    XMapWindow(display, other);
    for (XEvent event; XWindowEvent(display, other, ExposureMask, &event), event.type != Expose;) {
    }
    XSetInputFocus(display, other, RevertToParent, CurrentTime);
    XSync(display, False);
    if (!becomes(display, window, x, y, after, seen)) {
        std::printf("without the focus, the pixel at %d,%d is %06lX, not %06lX\n", x, y, seen, after);
        return 1;
    }
    return 0;
}
