// The terminal while the dialog is on it: curses started on standard input
// and output, and every way out (a normal close, Ctrl+C, a termination
// signal, a crash) putting the terminal back as it was. Standard error is
// held meanwhile and printed once the terminal is restored.
#pragma once

#include "frontends/terminal/DisplayText.h"
#include "frontends/terminal/HeldStderr.h"
#include "text/Result.h"

#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>

namespace platform::frontends::terminal {

class TerminalSession {
public:
    TerminalSession() = default;
    ~TerminalSession();
    TerminalSession(TerminalSession const&) = delete;
    TerminalSession& operator=(TerminalSession const&) = delete;

    // Whether this process can show a dialog in a terminal, and why not when
    // it cannot. Standard input and output when both are terminals; otherwise
    // `controlling_terminal` (the process's controlling terminal), when it
    // can be opened. Then TERM must name a terminal that curses knows and
    // that can move its cursor. Writes nothing to the terminal.
    static Result<void> check_terminal(char const* controlling_terminal = "/dev/tty");

    // The size of the terminal the dialog is (or would be) drawn on.
    std::optional<std::pair<int, int>> size_of_terminal() const;

    // Holds standard error (when it is the terminal) from now until close().
    void hold_stderr();

    // Starts curses, with bracketed paste and mouse reports on. On failure
    // leaves the terminal as it was.
    Result<void> open();

    // Restores the terminal, discards input that was not read, then prints
    // what standard error held.
    void close();

    bool is_open() const { return m_open; }
    bool colour() const { return m_colour; }
    bool line_drawing() const { return m_acs; }
    Charset charset() const { return m_charset; }
    // The terminal's input while open.
    int input_fd() const { return m_device.in; }

    // The terminal changed size since last asked (curses now has the new
    // size).
    bool take_resize();

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
    struct Device {
        int in { 0 };
        int out { 1 };
        bool owned { false }; // opened here (the controlling terminal)
    };
    static Result<Device> find_terminal(char const* controlling_terminal);
    void release_stderr();
    void enter_input_modes();
    void leave_input_modes();

    bool m_open { false };
    bool m_colour { false };
    bool m_mouse { false };
    bool m_acs { false };
    bool m_alternate_screen { true };
    Charset m_charset { Charset::ascii };
    std::string m_saved_locale;
    Device m_device;
    std::FILE* m_file { nullptr };
    HeldStderr m_stderr;
};

}
