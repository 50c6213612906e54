// Holds the X CLIPBOARD for the tests on a real display, as a program that
// is slow to answer or never answers:
//     clipboard_owner never
//     clipboard_owner slow SECONDS TEXT
// "never" takes the selection and then ignores every request for it; "slow"
// answers each request with TEXT (UTF8_STRING) after SECONDS. It prints
// "ready" once it owns the selection and "asked" or "answered" as requests
// come and go, and ends when it loses the selection or after a minute.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>

int main(int argc, char** argv)
{
    bool const never = argc == 2 && std::strcmp(argv[1], "never") == 0;
    bool const slow = argc == 4 && std::strcmp(argv[1], "slow") == 0;
    if (!never && !slow) {
        std::fprintf(stderr, "usage: clipboard_owner never | slow SECONDS TEXT\n");
        return 2;
    }
    double const delay = slow ? std::atof(argv[2]) : 0;
    std::string const text = slow ? argv[3] : "";
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "clipboard_owner: cannot open the display\n");
        return 1;
    }
    alarm(60);
    Window const window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    Atom const clipboard = XInternAtom(display, "CLIPBOARD", False);
    Atom const utf8 = XInternAtom(display, "UTF8_STRING", False);
    XSetSelectionOwner(display, clipboard, window, CurrentTime);
    if (XGetSelectionOwner(display, clipboard) != window) {
        std::fprintf(stderr, "clipboard_owner: cannot take the clipboard\n");
        XCloseDisplay(display);
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == SelectionClear) {
            XCloseDisplay(display);
            return 0;
        }
        if (event.type != SelectionRequest)
            continue;
        std::printf("asked\n");
        std::fflush(stdout);
        if (never)
            continue;
        std::this_thread::sleep_for(std::chrono::duration<double>(delay));
        XSelectionRequestEvent const& request = event.xselectionrequest;
        XSelectionEvent answer {};
        answer.type = SelectionNotify;
        answer.requestor = request.requestor;
        answer.selection = request.selection;
        answer.target = request.target;
        answer.time = request.time;
        answer.property = None;
        if (request.target == utf8 && request.property != None) {
            XChangeProperty(display, request.requestor, request.property, utf8, 8, PropModeReplace,
                            reinterpret_cast<unsigned char const*>(text.data()), static_cast<int>(text.size()));
            answer.property = request.property;
        }
        XSendEvent(display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&answer));
        XFlush(display);
        std::printf("answered\n");
        std::fflush(stdout);
    }
}
