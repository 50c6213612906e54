// One X error the window front end lets pass: kept apart from the device's
// headers, whose names (BOOL, KeyPress) X's own headers also define.
#pragma once

namespace platform::frontends::window {

// The windowing library wakes a waiting event loop by sending its window an
// event over a second X connection; one sent as the window goes away fails
// with BadWindow, which Xlib's default handler turns into exit(1) after the
// dialog has ended. This lets that one error pass; every other is handled as
// before. Call before the library opens the X display: it keeps the handler
// it finds, puts it back when it closes its connections (which is when that
// late error is read), and passes on to it every error it does not handle
// itself.
void tolerate_late_wakeups();

}
