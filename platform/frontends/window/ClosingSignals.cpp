// The watcher thread and its event. The watcher only waits for a signal and
// pushes an event (SDL_PushEvent may be called from any thread); everything
// else here runs on the main thread, so it needs no lock or atomic.
#include "frontends/window/ClosingSignals.h"

#include <pthread.h>
#include <thread>

namespace platform::frontends::window::closing_signals {

namespace {

// The event type SDL gave the watcher; 0 before it started.
Uint32 g_wakeup_type = 0;

}

sigset_t set()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    return signals;
}

void watch()
{
    if (g_wakeup_type != 0)
        return;
    Uint32 const type = SDL_RegisterEvents(1);
    if (type == static_cast<Uint32>(-1))
        return; // no event left to wake the loop with
    g_wakeup_type = type;
    std::thread([type] {
        sigset_t const signals = set();
        for (;;) {
            int signal = 0;
            if (sigwait(&signals, &signal) != 0)
                continue;
            SDL_Event event {};
            event.type = type;
            event.user.code = signal;
            SDL_PushEvent(&event);
        }
    }).detach();
}

bool is_wakeup(SDL_Event const& event)
{
    return g_wakeup_type != 0 && event.type == g_wakeup_type;
}

int signal_of(SDL_Event const& event)
{
    return is_wakeup(event) ? event.user.code : 0;
}

int take_waiting()
{
    if (g_wakeup_type == 0)
        return 0;
    SDL_Event event {};
    if (SDL_PeepEvents(&event, 1, SDL_GETEVENT, g_wakeup_type, g_wakeup_type) <= 0)
        return 0;
    return signal_of(event);
}

}
