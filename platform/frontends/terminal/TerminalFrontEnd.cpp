// The terminal front end: the dialog manager's snapshots painted into a
// canvas and put on the screen, the terminal's keys and clicks turned into
// the dialog's input.
#include "frontends/terminal/TerminalFrontEnd.h"

#include "frontends/terminal/KeyDecoder.h"

#include "windows.h"

#include <cerrno>
#include <cstdio>
#include <clocale>
#include <cstring>
#include <langinfo.h>
#include <locale.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#define NCURSES_NOMACROS 1
#include <ncursesw/curses.h>

namespace platform::frontends {

std::unique_ptr<FrontEnd> create_terminal_front_end()
{
    return std::make_unique<terminal::TerminalFrontEnd>();
}

}

namespace platform::frontends::terminal {

namespace {

// How long a wait for a key lasts before the signals are looked at again
// (a signal also cuts the wait short).
constexpr int key_wait_ms = 200;

// The character set of the locale the environment names (LC_ALL, LC_CTYPE,
// LANG), without changing the process's own locale.
Charset environment_charset()
{
    locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0))
        return Charset::ascii;
    char const* codeset = nl_langinfo_l(CODESET, locale);
    Charset charset = (codeset && std::strcmp(codeset, "UTF-8") == 0) ? Charset::unicode : Charset::ascii;
    freelocale(locale);
    return charset;
}

bool input_ended()
{
    pollfd input { STDIN_FILENO, POLLIN, 0 };
    if (poll(&input, 1, 0) < 0)
        return errno != EINTR;
    return (input.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

}

TerminalFrontEnd::~TerminalFrontEnd()
{
    m_screen.reset();
    m_session.close();
}

std::optional<std::string> TerminalFrontEnd::prepare()
{
    if (auto problem = TerminalSession::terminal_problem())
        return *problem + "; run it in a terminal, or with CE_DEVICE_UI=script";
    m_charset = environment_charset();
    return std::nullopt;
}

SIZE TerminalFrontEnd::screen_size() const
{
    if (m_session.is_open())
        return { COLS, LINES };
    winsize size {};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0)
        return { size.ws_col, size.ws_row };
    return { 80, 24 };
}

BaseUnits TerminalFrontEnd::base_units() const
{
    // x / (4 * divisor) and y / (8 * divisor) cells per dialog unit.
    constexpr int divisor = 2;
    static_assert((terminal_scale.col_num * 4 * divisor) % terminal_scale.col_den == 0
                  && (terminal_scale.row_num * 8 * divisor) % terminal_scale.row_den == 0);
    return { terminal_scale.col_num * 4 * divisor / terminal_scale.col_den,
             terminal_scale.row_num * 8 * divisor / terminal_scale.row_den, divisor };
}

Insets TerminalFrontEnd::non_client_insets(DWORD, DWORD) const
{
    // A title bar row on top (its line is the window's top edge), one
    // column of frame at either side and a row below. A dialog without a
    // caption still gets a frame to stand out from the screen.
    return { 1, 1, 1, 1 };
}

int TerminalFrontEnd::text_extent(std::u16string_view text) const
{
    return display_width(display_glyphs(text, m_charset));
}

RECT TerminalFrontEnd::edit_text_rect(RECT const& control, DWORD) const
{
    // The field's brackets take the first and the last cell.
    LONG width = control.right - control.left;
    LONG height = control.bottom - control.top;
    if (width < 3)
        return { 0, 0, width, height };
    return { 1, 0, width - 1, height };
}

bool TerminalFrontEnd::show(DialogView const& view)
{
    if (auto problem = m_session.open()) {
        std::fprintf(stderr, "cannot show a dialog: %s\n", problem->c_str());
        return false;
    }
    m_screen = std::make_unique<CursesScreen>(m_session.colour(), m_session.charset());
    m_charset = m_session.charset();
    wtimeout(stdscr, key_wait_ms);
    m_view = view;
    draw();
    return true;
}

void TerminalFrontEnd::refresh(DialogView const& view)
{
    m_view = view;
    draw();
}

void TerminalFrontEnd::draw()
{
    if (!m_session.is_open() || !m_view)
        return;
    Canvas canvas(COLS, LINES);
    m_geometry = dialog_geometry(*m_view, COLS, LINES);
    paint_dialog(canvas, *m_view, m_geometry, { m_charset });
    m_screen->show(canvas);
}

std::optional<InputEvent> TerminalFrontEnd::mouse_event()
{
    // One report may hold a press and its release: the press is what counts,
    // at once, so that a click needs no wait for the release.
    MEVENT mouse {};
    std::optional<InputEvent> event;
    while (getmouse(&mouse) == OK) {
        if (event || !m_view || !(mouse.bstate & (BUTTON1_PRESSED | BUTTON1_CLICKED)))
            continue;
        HitTarget target = hit_test(*m_view, m_geometry, mouse.x, mouse.y);
        switch (target.kind) {
        case HitTarget::Kind::caption_ok: event = CaptionClick { CaptionButton::Ok }; break;
        case HitTarget::Kind::caption_close: event = CaptionClick { CaptionButton::Close }; break;
        case HitTarget::Kind::control:
            event = ControlClick { target.index, { target.offset_x, target.offset_y } };
            break;
        case HitTarget::Kind::nothing: break;
        }
    }
    return event;
}

InputEvent TerminalFrontEnd::next_event()
{
    for (;;) {
        if (!m_session.is_open() || TerminalSession::pending_signal())
            return CloseRequest { true };
        wint_t code = 0;
        int status = wget_wch(stdscr, &code);
        if (status == ERR) {
            if (input_ended())
                return CloseRequest { true };
            continue;
        }
        DecodedKey key = decode_key(status == KEY_CODE_YES, static_cast<std::uint32_t>(code));
        // While the dialog is hidden behind the too-small notice, nothing is
        // decided: only a new size, a redraw or a request to close count.
        bool hidden = !m_geometry.fits;
        switch (key.action) {
        case KeyAction::none: break;
        case KeyAction::key:
            if (!hidden)
                return KeyPress { static_cast<UINT>(key.vk), key.shift, false };
            break;
        case KeyAction::character:
            if (!hidden)
                return CharInput { key.ch };
            break;
        case KeyAction::mouse:
            if (auto event = mouse_event())
                return *event;
            break;
        case KeyAction::resize:
            // The dialog manager places the dialog on the new screen and
            // hands over the snapshot to draw.
            m_screen->repaint_all();
            return ScreenResize { { COLS, LINES } };
        case KeyAction::redraw:
            m_screen->repaint_all();
            draw();
            break;
        case KeyAction::close: return CloseRequest { false };
        case KeyAction::suspend:
            m_session.suspend();
            m_screen->repaint_all();
            draw();
            break;
        }
    }
}

void TerminalFrontEnd::close(INT_PTR)
{
    m_screen.reset();
    m_session.close();
    m_view.reset();
    TerminalSession::end_with_pending_signal();
}

}
