// The terminal while the dialog is on it: curses started on standard input
// and output, and every way out (a normal close, Ctrl+C, a termination
// signal, a crash) putting the terminal back as it was. Standard error is
// held meanwhile and printed once the terminal is restored.
#pragma once

#include "frontends/terminal/DisplayText.h"
#include "frontends/terminal/HeldStderr.h"

#include <csignal>
#include <optional>
#include <string>

namespace platform::frontends::terminal {

class TerminalSession {
public:
    TerminalSession() = default;
    ~TerminalSession();
    TerminalSession(TerminalSession const&) = delete;
    TerminalSession& operator=(TerminalSession const&) = delete;

    // Why this process cannot show a dialog in its terminal (standard input
    // or output not a terminal, TERM unset or naming a terminal that is
    // unknown or cannot move its cursor), or nullopt when it can. Writes
    // nothing to the terminal.
    static std::optional<std::string> terminal_problem();

    // Starts curses. On failure returns the reason and leaves the terminal
    // as it was.
    std::optional<std::string> open();

    // Restores the terminal, then prints what standard error held.
    void close();

    bool is_open() const { return m_open; }
    bool colour() const { return m_colour; }
    Charset charset() const { return m_charset; }

    // The termination signal (SIGINT, SIGTERM, SIGHUP, SIGQUIT and the other
    // signals that end a process by default) received while open, or 0.
    static int pending_signal();

    // Ends the process as the pending signal would have: with the signal's
    // default action. Returns when no signal is pending.
    static void end_with_pending_signal();

    // Stops the process as Ctrl+Z would in a shell, with the terminal
    // restored while stopped; returns once it is resumed.
    void suspend();

private:
    bool m_open { false };
    bool m_colour { false };
    bool m_mouse { false };
    Charset m_charset { Charset::ascii };
    std::string m_saved_locale;
    HeldStderr m_stderr;
};

}
