// Keeps what is written to standard error away from the screen while the
// dialog owns it, and prints it once the terminal is back to normal. The
// writes go to an anonymous file, not a pipe, so a writer never blocks
// however much it writes.
#pragma once

#include <cstddef>
#include <string>

namespace platform::frontends::terminal {

class HeldStderr {
public:
    HeldStderr() = default;
    ~HeldStderr();
    HeldStderr(HeldStderr const&) = delete;
    HeldStderr& operator=(HeldStderr const&) = delete;

    // Points descriptor 2 at the holding file. False (and nothing changed)
    // when no holding file can be made.
    bool hold();

    // Points descriptor 2 back where it was and copies everything held to it.
    void release();

    bool holding() const { return m_saved_fd >= 0; }

    // The same as release(), using only async-signal-safe calls, for a
    // process that is about to die of a signal.
    void release_in_signal_handler();

private:
    int m_saved_fd { -1 };
    int m_hold_fd { -1 };
};

}
