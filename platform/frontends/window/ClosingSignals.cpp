// The signals that close the dialog, and the thread that waits for them.
#include "frontends/window/ClosingSignals.h"

#include <mutex>
#include <pthread.h>
#include <thread>

namespace platform::frontends::window {

// SIGTERM, SIGINT and SIGHUP close the dialog as its close button does. They
// are blocked in every thread and taken by one watcher thread with sigwait,
// which wakes the event loop with an event of its own; so no signal handler
// ever runs inside the windowing library.
std::atomic<int> g_signal { 0 };
std::atomic<Uint32> g_signal_event { 0 };

sigset_t closing_signals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

void watch_signals()
{
    static std::once_flag started;
    std::call_once(started, [] {
        std::thread([] {
            sigset_t const set = closing_signals();
            for (;;) {
                int signal = 0;
                if (sigwait(&set, &signal) != 0)
                    continue;
                g_signal = signal;
                if (Uint32 const type = g_signal_event.load()) {
                    SDL_Event event {};
                    event.type = type;
                    SDL_PushEvent(&event);
                }
            }
        }).detach();
    });
}

}
