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

#include "text/TerminalText.h"
#include "text/WriteAll.h"

#include <array>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
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

volatile std::sig_atomic_t g_resized = 0;

// Everything the signal handlers need, set up before they are installed.
struct EmergencyRestore {
    int fd { STDOUT_FILENO }; // the terminal
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

constexpr char const* bracketed_paste_on = "\033[?2004h";
constexpr char const* bracketed_paste_off = "\033[?2004l";
// Mouse reports in the SGR encoding, which has no limit on columns, where
// the terminal knows it (others ignore the request).
constexpr char const* sgr_mouse_on = "\033[?1006h";
constexpr char const* sgr_mouse_off = "\033[?1006l";

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
    // Mouse reporting and bracketed paste off, colours and attributes off,
    // the cursor shown, the keypad back in its normal mode and the screen
    // the shell had.
    if (mouse)
        append_literal("\033[?1000l\033[?1002l\033[?1003l\033[?1006l");
    append_literal(bracketed_paste_off);
    append_capability("sgr0");
    append_capability("cnorm");
    append_capability("rmkx");
    append_capability("rmcup");
}

// Async-signal-safe: raw writes, tcsetattr and dup2 only.
void restore_from_signal_handler()
{
    text::write_all_raw(g_restore.fd, g_restore.sequence, g_restore.length);
    g_restore.length = 0;
    if (g_restore.have_termios)
        tcsetattr(g_restore.fd, TCSANOW, &g_restore.saved_termios);
    if (g_restore.held)
        g_restore.held->release_in_signal_handler();
}

void write_all(int fd, char const* sequence)
{
    text::write_all_raw(fd, sequence, std::strlen(sequence));
}

void on_resize_signal(int)
{
    g_resized = 1;
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

// The stack the crash handler runs on, so that a crash that used up the
// process's own stack still restores the terminal. Kept for the life of the
// process: a handler may still run on it after the session ends.
alignas(16) char g_crash_stack[64 * 1024];

void provide_crash_stack()
{
    stack_t current {};
    if (sigaltstack(nullptr, &current) != 0 || !(current.ss_flags & SS_DISABLE))
        return; // one is there already (ours, or a sanitizer's)
    stack_t stack {};
    stack.ss_sp = g_crash_stack;
    stack.ss_size = sizeof g_crash_stack;
    stack.ss_flags = 0;
    (void)sigaltstack(&stack, nullptr);
}

void install_crash_handlers()
{
    provide_crash_stack();
    struct sigaction crash {};
    crash.sa_sigaction = on_crash_signal;
    sigemptyset(&crash.sa_mask);
    crash.sa_flags = SA_SIGINFO | SA_ONSTACK;
    for (int sig : crash_signals) {
        if (!g_restore.installed[sig])
            install(sig, crash);
    }
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
    struct sigaction resize {};
    resize.sa_handler = on_resize_signal;
    sigemptyset(&resize.sa_mask);
    // Replaces curses' own handler: the front end reads the keys itself and
    // learns of a new size from this one.
    if (sigaction(SIGWINCH, &resize, &g_restore.previous[SIGWINCH]) == 0)
        g_restore.installed[SIGWINCH] = true;
    install_crash_handlers();
}

void remove_termination_handlers()
{
    for (int sig : termination_signals)
        restore_previous_action(sig);
    restore_previous_action(SIGWINCH);
}

void remove_handlers()
{
    for (int sig : crash_signals)
        restore_previous_action(sig);
    remove_termination_handlers();
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
    release_stderr();
}

Result<TerminalSession::Device> TerminalSession::find_terminal(char const* controlling_terminal)
{
    if (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO))
        return Device { STDIN_FILENO, STDOUT_FILENO, false };
    // Input or output goes elsewhere: the dialog is drawn on, and read from,
    // the terminal that controls the process, as long as there is one.
    int fd = ::open(controlling_terminal, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0 && isatty(fd))
        return Device { fd, fd, true };
    if (fd >= 0)
        ::close(fd);
    return Error { std::string(isatty(STDIN_FILENO) ? "standard output" : "standard input")
                   + " is not a terminal and the process has no controlling terminal" };
}

Result<void> TerminalSession::check_terminal(char const* controlling_terminal)
{
    auto device = find_terminal(controlling_terminal);
    if (!device)
        return device.error();
    auto done = [&](Result<void> result) {
        if (device->owned)
            ::close(device->in);
        return result;
    };
    char const* term = std::getenv("TERM");
    if (!term || !*term)
        return done(Error { "TERM is not set" });
    int status = 0;
    if (setupterm(term, device->out, &status) != OK) {
        std::string const name = platform::text::excerpt_for_terminal(term);
        if (status == 1)
            return done(Error { "TERM=" + name + " is a hardcopy terminal" });
        if (status == -1)
            return done(Error { "no terminal description found for TERM=" + name });
        return done(Error { "TERM=" + name + " is not a terminal type this system knows" });
    }
    bool addressable = usable(tigetstr("cup"));
    del_curterm(cur_term);
    if (!addressable)
        return done(Error { "TERM=" + platform::text::excerpt_for_terminal(term) + " cannot move the cursor" });
    return done({});
}

void TerminalSession::hold_stderr()
{
    // Only what would land on the screen is held: a standard error that goes
    // to a file or a pipe gets its messages at once.
    if (m_stderr.holding() || !isatty(STDERR_FILENO) || !m_stderr.hold())
        return;
    g_restore.held = &m_stderr;
    // Should the process crash meanwhile, what was held is still printed.
    install_crash_handlers();
}

void TerminalSession::release_stderr()
{
    if (!m_stderr.holding())
        return;
    g_restore.held = nullptr;
    m_stderr.release();
    if (!m_open) {
        for (int sig : crash_signals)
            restore_previous_action(sig);
    }
}

Result<void> TerminalSession::open()
{
    if (m_open)
        return {};
    // Whatever stops the dialog from showing is said at once.
    auto fail = [this](Error reason) -> Result<void> {
        release_stderr();
        return reason;
    };
    if (auto usable_here = check_terminal(); !usable_here)
        return fail(usable_here.error());
    auto device = find_terminal("/dev/tty");
    if (!device)
        return fail(device.error());
    m_device = *device;
    m_file = m_device.owned ? fdopen(m_device.in, "r+") : stdout;
    if (!m_file) {
        ::close(m_device.in);
        return fail(Error { "the terminal cannot be opened" });
    }

    char const* locale = std::setlocale(LC_CTYPE, nullptr);
    m_saved_locale = locale ? locale : "C";
    std::setlocale(LC_CTYPE, "");
    char const* codeset = nl_langinfo(CODESET);
    m_charset = (codeset && std::strcmp(codeset, "UTF-8") == 0) ? Charset::unicode : Charset::ascii;

    g_restore.fd = m_device.out;
    g_restore.have_termios = tcgetattr(m_device.in, &g_restore.saved_termios) == 0;
    g_pending_signal = 0;
    g_resized = 0;

    hold_stderr();
    g_screen = newterm(nullptr, m_file, m_device.owned ? m_file : stdin);
    if (!g_screen) {
        release_stderr();
        if (m_device.owned)
            std::fclose(m_file);
        m_file = nullptr;
        std::setlocale(LC_CTYPE, m_saved_locale.c_str());
        return Error { "the terminal cannot be started" };
    }
    set_term(g_screen);
    m_open = true;

    raw();
    noecho();
    nonl();
    // The front end reads and decodes the keys itself, whatever the
    // terminal description says they send; curses never waits on input, nor
    // cuts a drawing short for it.
    keypad(stdscr, FALSE);
    typeahead(-1);
    m_mouse = mousemask(BUTTON1_PRESSED | BUTTON1_RELEASED, nullptr) != 0;
    mouseinterval(0);
    m_alternate_screen = usable(tigetstr("smcup"));

    m_colour = has_colors() && !no_color_requested();
    if (m_colour) {
        start_color();
        use_default_colors();
    }
    curs_set(0);
    m_acs = usable(tigetstr("acsc")) && usable(tigetstr("smacs"));

    prepare_emergency_restore(m_mouse);
    install_handlers();
    wnoutrefresh(stdscr);
    doupdate();
    enter_input_modes();
    return {};
}

void TerminalSession::enter_input_modes()
{
    std::fflush(m_file);
    if (m_mouse)
        write_all(m_device.out, sgr_mouse_on);
    write_all(m_device.out, bracketed_paste_on);
}

void TerminalSession::leave_input_modes()
{
    std::fflush(m_file);
    write_all(m_device.out, bracketed_paste_off);
    if (m_mouse)
        write_all(m_device.out, sgr_mouse_off);
}

void TerminalSession::close()
{
    if (!m_open)
        return;
    m_open = false;
    if (!m_alternate_screen) {
        // Without a screen of its own to leave, the dialog would stay where
        // it was drawn: clear it.
        wclear(stdscr);
        wrefresh(stdscr);
    }
    leave_input_modes();
    mousemask(0, nullptr);
    curs_set(1);
    endwin();
    remove_handlers();
    delscreen(g_screen);
    g_screen = nullptr;
    g_restore.length = 0;
    if (g_restore.have_termios)
        tcsetattr(m_device.in, TCSANOW, &g_restore.saved_termios);
    // Whatever was typed or pasted and not yet read belongs to the dialog,
    // not to the shell that reads the terminal next.
    tcflush(m_device.in, TCIFLUSH);
    if (m_device.owned)
        std::fclose(m_file);
    m_file = nullptr;
    g_restore.fd = STDOUT_FILENO;
    release_stderr();
    std::setlocale(LC_CTYPE, m_saved_locale.c_str());
}

bool TerminalSession::take_resize()
{
    if (!g_resized)
        return false;
    g_resized = 0;
    winsize size {};
    if (m_open && ioctl(m_device.out, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0)
        resize_term(size.ws_row, size.ws_col);
    return true;
}

std::optional<std::pair<int, int>> TerminalSession::size_of_terminal() const
{
    int fd = m_open ? m_device.out : -1;
    std::optional<Device> found;
    if (fd < 0) {
        auto terminal = find_terminal("/dev/tty");
        if (!terminal)
            return std::nullopt;
        found = *terminal;
        fd = found->out;
    }
    winsize size {};
    bool ok = ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0;
    if (found && found->owned)
        ::close(found->in);
    if (!ok)
        return std::nullopt;
    return std::pair { static_cast<int>(size.ws_col), static_cast<int>(size.ws_row) };
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
    leave_input_modes();
    endwin();
    release_stderr();
    struct sigaction stop {}, previous {};
    stop.sa_handler = SIG_DFL;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGTSTP, &stop, &previous);
    raise(SIGTSTP);
    sigaction(SIGTSTP, &previous, nullptr);
    hold_stderr();
    reset_prog_mode();
    prepare_emergency_restore(m_mouse);
    enter_input_modes();
}

}
