// SIGTERM, SIGINT and SIGHUP close the dialog as its close button does. They
// are blocked in every thread and taken by one watcher thread with sigwait,
// which tells the main thread through the window's one channel: an SDL event
// of its own carrying the signal's number. So no signal handler ever runs
// inside the windowing library, and the watcher touches nothing else.
#pragma once

#include <SDL.h>

#include <csignal>

namespace platform::frontends::window::closing_signals {

// The signals, to block before the windowing library starts a thread.
sigset_t set();

// Starts the watcher, once in the process (from the main thread, as the
// whole device runs there). SDL's events must be running.
void watch();

// The watcher's event, and the signal it carries.
bool is_wakeup(SDL_Event const& event);
int signal_of(SDL_Event const& event);

// Takes a signal whose event waits in SDL's queue: 0 when none does.
int take_waiting();

}
