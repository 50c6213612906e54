// What the window front end does about X errors: one harmless error let
// through, and the end of the process when the display goes away. Kept apart
// from the device's headers, whose names (BOOL, KeyPress) X's own headers also
// define.
#pragma once

#include <string_view>

namespace platform::frontends::window {

// The exit status when the display went away under an open window.
inline constexpr int display_lost_exit_status = 69;

// The windowing library wakes a waiting event loop by sending its window an
// event over a second X connection; one sent as the window goes away fails
// with BadWindow, which Xlib's default handler turns into exit(1) after the
// dialog has ended. This lets that one error pass; every other is handled as
// before. Call before the library opens the X display: it keeps the handler
// it finds, puts it back when it closes its connections (which is when that
// late error is read), and passes on to it every error it does not handle
// itself.
void tolerate_late_wakeups();

// When a connection to the display `display` breaks (the server ended or was
// killed), Xlib calls its I/O error handler and would exit(1) when it
// returns: static destructors would then run, and the library's clean-up
// would wait forever on the dead connection. From here on the process ends
// there at once with display_lost_exit_status, after one line on standard
// error naming the display: nothing more runs against the connection, and
// the dialog counts as cancelled (nothing the user did not confirm is
// written). Call before the library opens the display.
void end_process_when_display_lost(std::string_view display);

// Whether a dialog is on the screen now, for that line.
void set_dialog_open(bool open);

}
