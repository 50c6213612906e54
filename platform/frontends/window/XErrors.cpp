// Xlib's error handlers: the one harmless error let through, and the end of
// the process when the display goes away.
#include "frontends/window/XErrors.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

#include <cerrno>
#include <string>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace platform::frontends::window {

namespace {

XErrorHandler g_previous = nullptr;
// Set before any connection opens; read only by the handler.
std::string* g_display_name = nullptr;
bool g_dialog_open = false;

int on_x_error(Display* display, XErrorEvent* error)
{
    if (error->error_code == BadWindow && error->request_code == X_SendEvent)
        return 0;
    return g_previous ? g_previous(display, error) : 0;
}

// Called with the connection already dead: it must not return (Xlib would
// exit), and it must not use the connection.
[[noreturn]] int on_display_lost(Display*)
{
    char const* const program = program_invocation_short_name;
    std::fflush(stdout);
    std::fprintf(stderr, "%s: lost the display %s%s\n", program && *program ? program : "device",
                 g_display_name ? g_display_name->c_str() : "", g_dialog_open ? "; the dialog is cancelled" : "");
    std::fflush(stderr);
    _exit(display_lost_exit_status);
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

void end_process_when_display_lost(std::string_view display)
{
    if (!g_display_name)
        g_display_name = new std::string;
    // Shown as it is, but never as controls for the terminal, and short.
    g_display_name->clear();
    for (char const c : display.substr(0, 100))
        *g_display_name += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
    if (display.size() > 100)
        *g_display_name += "...";
    XSetIOErrorHandler(on_display_lost);
}

void set_dialog_open(bool open)
{
    g_dialog_open = open;
}

}
