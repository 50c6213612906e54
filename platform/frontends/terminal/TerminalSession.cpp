// Starting and ending curses, and the signal handlers that make sure the
// terminal is restored whatever ends the dialog.
//
// Raw mode keeps Ctrl+C, Ctrl+\ and Ctrl+Z from becoming signals: they arrive
// as keys and the dialog handles them. Signals sent from outside are recorded
// by the handler and the dialog closes from its input loop, so the terminal is
// restored by the ordinary path; only a crash, or a second signal while the
// first is still being handled, restores it from the handler itself, with the
// escape sequences worked out when the session started.
#include "frontends/terminal/TerminalSession.h"

#include <array>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <termios.h>
#include <unistd.h>

#define NCURSES_NOMACROS 1
#include <ncursesw/curses.h>
#include <ncursesw/term.h>

namespace platform::frontends::terminal {

namespace {

// Signals whose default action ends the process: the dialog closes and the
// process then ends as the signal would have ended it. SIGPROF and SIGVTALRM
// are left to profilers, SIGKILL and SIGSTOP cannot be caught.
constexpr std::array termination_signals { SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2, SIGPIPE };
// Signals of a process that cannot go on: the terminal is restored from the
// handler itself.
constexpr std::array crash_signals { SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGSYS, SIGTRAP, SIGXCPU, SIGXFSZ };

volatile std::sig_atomic_t g_pending_signal = 0;

// Everything the signal handlers need, set up before they are installed.
struct EmergencyRestore {
    char sequence[512] {};
    std::size_t length { 0 };
    termios saved_termios {};
    bool have_termios { false };
    HeldStderr* held { nullptr };
    struct sigaction previous[NSIG] {};
    bool installed[NSIG] {};
};
EmergencyRestore g_restore;
SCREEN* g_screen = nullptr;

bool usable(char const* capability)
{
    return capability && capability != reinterpret_cast<char const*>(-1) && *capability;
}

// Appends a terminfo string without its padding delays ($<n>), which only
// tputs understands.
void append_capability(char const* name)
{
    char const* value = tigetstr(name);
    if (!usable(value))
        return;
    for (char const* p = value; *p; ++p) {
        if (p[0] == '$' && p[1] == '<') {
            char const* end = std::strchr(p, '>');
            if (end) {
                p = end;
                continue;
            }
        }
        if (g_restore.length + 1 >= sizeof g_restore.sequence)
            return;
        g_restore.sequence[g_restore.length++] = *p;
    }
}

void append_literal(char const* text)
{
    for (char const* p = text; *p && g_restore.length + 1 < sizeof g_restore.sequence; ++p)
        g_restore.sequence[g_restore.length++] = *p;
}

void prepare_emergency_restore(bool mouse)
{
    g_restore.length = 0;
    // Mouse reporting off (both the plain and the extended encodings), colours
    // and attributes off, the cursor shown, the keypad back in its normal mode
    // and the screen the shell had.
    if (mouse)
        append_literal("\033[?1000l\033[?1002l\033[?1003l\033[?1006l");
    append_capability("sgr0");
    append_capability("cnorm");
    append_capability("rmkx");
    append_capability("rmcup");
}

// Async-signal-safe: raw writes, tcsetattr and dup2 only.
void restore_from_signal_handler()
{
    std::size_t done = 0;
    while (done < g_restore.length) {
        ssize_t n = write(STDOUT_FILENO, g_restore.sequence + done, g_restore.length - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    g_restore.length = 0;
    if (g_restore.have_termios)
        tcsetattr(STDIN_FILENO, TCSANOW, &g_restore.saved_termios);
    if (g_restore.held)
        g_restore.held->release_in_signal_handler();
}

void restore_previous_action(int sig)
{
    if (g_restore.installed[sig]) {
        sigaction(sig, &g_restore.previous[sig], nullptr);
        g_restore.installed[sig] = false;
    }
}

void on_termination_signal(int sig)
{
    if (g_pending_signal == 0) {
        g_pending_signal = sig;
        return;
    }
    // Asked again while the first one is still being handled: leave at once.
    int saved_errno = errno;
    restore_from_signal_handler();
    signal(sig, SIG_DFL);
    raise(sig);
    errno = saved_errno;
}

void on_crash_signal(int sig, siginfo_t* info, void*)
{
    int saved_errno = errno;
    restore_from_signal_handler();
    // Whoever handled the signal before (the default action, a debugger's or
    // a sanitizer's handler) takes it from here. A fault happens again when
    // this handler returns, with its own details; a signal that was sent
    // (abort() among them) is sent again.
    restore_previous_action(sig);
    if (!info || info->si_code <= 0)
        raise(sig);
    errno = saved_errno;
}

// Installs `action` for `sig`, unless the process was started with the
// signal ignored (nohup, a shell's background job), which it keeps.
void install(int sig, struct sigaction const& action)
{
    struct sigaction previous {};
    if (sigaction(sig, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
        return;
    if (sigaction(sig, &action, &g_restore.previous[sig]) == 0)
        g_restore.installed[sig] = true;
}

void install_handlers()
{
    // No SA_RESTART: a signal interrupts the wait for a key, so the dialog
    // sees it at once.
    struct sigaction termination {};
    termination.sa_handler = on_termination_signal;
    sigemptyset(&termination.sa_mask);
    for (int sig : termination_signals)
        install(sig, termination);

    struct sigaction crash {};
    crash.sa_sigaction = on_crash_signal;
    sigemptyset(&crash.sa_mask);
    crash.sa_flags = SA_SIGINFO | SA_ONSTACK;
    for (int sig : crash_signals)
        install(sig, crash);
}

void remove_handlers()
{
    for (int sig : crash_signals)
        restore_previous_action(sig);
    for (int sig : termination_signals)
        restore_previous_action(sig);
}

bool no_color_requested()
{
    char const* value = std::getenv("NO_COLOR");
    return value && *value;
}

}

TerminalSession::~TerminalSession()
{
    close();
}

std::optional<std::string> TerminalSession::terminal_problem()
{
    if (!isatty(STDIN_FILENO))
        return "standard input is not a terminal";
    if (!isatty(STDOUT_FILENO))
        return "standard output is not a terminal";
    char const* term = std::getenv("TERM");
    if (!term || !*term)
        return "TERM is not set";
    int status = 0;
    if (setupterm(term, STDOUT_FILENO, &status) != OK) {
        std::string name(term);
        if (status == 1)
            return "TERM=" + name + " is a hardcopy terminal";
        if (status == -1)
            return "no terminal description found for TERM=" + name;
        return "TERM=" + name + " is not a terminal type this system knows";
    }
    bool addressable = usable(tigetstr("cup"));
    del_curterm(cur_term);
    if (!addressable)
        return "TERM=" + std::string(term) + " cannot move the cursor";
    return std::nullopt;
}

std::optional<std::string> TerminalSession::open()
{
    if (m_open)
        return std::nullopt;
    if (auto problem = terminal_problem())
        return problem;

    char const* locale = std::setlocale(LC_CTYPE, nullptr);
    m_saved_locale = locale ? locale : "C";
    std::setlocale(LC_CTYPE, "");
    char const* codeset = nl_langinfo(CODESET);
    m_charset = (codeset && std::strcmp(codeset, "UTF-8") == 0) ? Charset::unicode : Charset::ascii;

    g_restore.have_termios = tcgetattr(STDIN_FILENO, &g_restore.saved_termios) == 0;
    g_pending_signal = 0;

    // Only what would land on the screen is held: a standard error that goes
    // to a file or a pipe gets its messages at once.
    if (isatty(STDERR_FILENO) && m_stderr.hold())
        g_restore.held = &m_stderr;
    g_screen = newterm(nullptr, stdout, stdin);
    if (!g_screen) {
        g_restore.held = nullptr;
        m_stderr.release();
        std::setlocale(LC_CTYPE, m_saved_locale.c_str());
        return "the terminal cannot be started";
    }
    set_term(g_screen);
    m_open = true;

    raw();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    meta(stdscr, TRUE);
    // Escape must close the dialog at once, not after curses' default second
    // of waiting for the rest of a key sequence; a delay the user asked for
    // stands.
    if (!std::getenv("ESCDELAY"))
        set_escdelay(25);
    m_mouse = mousemask(BUTTON1_PRESSED | BUTTON1_RELEASED, nullptr) != 0;
    mouseinterval(0);

    m_colour = has_colors() && !no_color_requested();
    if (m_colour) {
        start_color();
        use_default_colors();
    }
    curs_set(0);

    prepare_emergency_restore(m_mouse);
    install_handlers();
    return std::nullopt;
}

void TerminalSession::close()
{
    if (!m_open)
        return;
    m_open = false;
    mousemask(0, nullptr);
    curs_set(1);
    endwin();
    remove_handlers();
    delscreen(g_screen);
    g_screen = nullptr;
    g_restore.length = 0;
    if (g_restore.have_termios)
        tcsetattr(STDIN_FILENO, TCSANOW, &g_restore.saved_termios);
    g_restore.held = nullptr;
    m_stderr.release();
    std::setlocale(LC_CTYPE, m_saved_locale.c_str());
}

int TerminalSession::pending_signal()
{
    return g_pending_signal;
}

void TerminalSession::end_with_pending_signal()
{
    int sig = g_pending_signal;
    if (sig == 0)
        return;
    std::fflush(nullptr);
    signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(sig);
    // SIGQUIT's default action is to dump core, which a limit may prevent;
    // it still ends the process. Reaching here means the signal is ignored
    // by the environment: end as it would have.
    std::_Exit(128 + sig);
}

void TerminalSession::suspend()
{
    if (!m_open)
        return;
    endwin();
    m_stderr.release();
    g_restore.held = nullptr;
    struct sigaction stop {}, previous {};
    stop.sa_handler = SIG_DFL;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGTSTP, &stop, &previous);
    raise(SIGTSTP);
    sigaction(SIGTSTP, &previous, nullptr);
    if (isatty(STDERR_FILENO) && m_stderr.hold())
        g_restore.held = &m_stderr;
    reset_prog_mode();
    prepare_emergency_restore(m_mouse);
}

}
