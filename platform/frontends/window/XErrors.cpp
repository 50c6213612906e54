// Xlib's error handler, with the one harmless error let through.
#include "frontends/window/XErrors.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace platform::frontends::window {

namespace {

XErrorHandler g_previous = nullptr;

int on_x_error(Display* display, XErrorEvent* error)
{
    if (error->error_code == BadWindow && error->request_code == X_SendEvent)
        return 0;
    return g_previous ? g_previous(display, error) : 0;
}

}

void tolerate_late_wakeups()
{
    // Once only: the library keeps the handler it found and calls it from its
    // own, so a second install would have the two call each other.
    if (g_previous)
        return;
    g_previous = XSetErrorHandler(on_x_error);
}

}
