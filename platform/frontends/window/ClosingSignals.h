// The signals that close the dialog, and the thread that waits for them.
#pragma once

#include <SDL.h>

#include <atomic>
#include <csignal>

namespace platform::frontends::window {

extern std::atomic<int> g_signal;
extern std::atomic<Uint32> g_signal_event;

sigset_t closing_signals();
void watch_signals();

}
