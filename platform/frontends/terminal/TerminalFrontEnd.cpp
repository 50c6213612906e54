// The terminal front end: the dialog manager's snapshots painted into a
// canvas and put on the screen, the terminal's keys and clicks turned into
// the dialog's input.
#include "frontends/terminal/TerminalFrontEnd.h"

#include "frontends/terminal/KeyDecoder.h"

#include "windows.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <clocale>
#include <cstring>
#include <langinfo.h>
#include <locale.h>
#include <poll.h>
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
// After an Escape, how long to wait for the rest of a key's sequence before
// taking it for the Escape key: long enough for a sequence split over a
// slow link, short enough to feel at once. ESCDELAY (milliseconds, as
// curses reads it) overrides it.
constexpr int default_escape_delay_ms = 100;
constexpr int longest_escape_delay_ms = 30000;
// How long a sequence under way, or a paste, may stall before what came of
// it is taken as all there is.
constexpr int sequence_wait_ms = 1000;
constexpr int paste_wait_ms = 3000;
// The longest a change waits to be drawn while input keeps coming.
constexpr std::chrono::milliseconds longest_unshown { 100 };

int escape_delay_ms()
{
    char const* value = std::getenv("ESCDELAY");
    if (!value || !*value)
        return default_escape_delay_ms;
    char* end = nullptr;
    long ms = std::strtol(value, &end, 10);
    if (*end != '\0' || ms < 0)
        return default_escape_delay_ms;
    return static_cast<int>(std::min<long>(ms, longest_escape_delay_ms));
}

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

}

TerminalFrontEnd::~TerminalFrontEnd()
{
    m_screen.reset();
    m_session.close();
}

Result<void> TerminalFrontEnd::prepare()
{
    if (auto usable = TerminalSession::check_terminal(); !usable)
        return Error { usable.error().message + "; run it in a terminal, or with CE_DEVICE_UI=script" };
    m_charset = environment_charset();
    // From here on, what the device reports on standard error waits until
    // the terminal is restored; what the user must know while the dialog is
    // up comes as notices in the snapshot.
    m_session.hold_stderr();
    return {};
}

SIZE TerminalFrontEnd::screen_size() const
{
    if (m_session.is_open())
        return { COLS, LINES };
    if (auto size = m_session.size_of_terminal())
        return { size->first, size->second };
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

Result<void> TerminalFrontEnd::show(DialogView const& view)
{
    if (auto opened = m_session.open(); !opened)
        return opened.error();
    m_screen = std::make_unique<CursesScreen>(m_session.colour(), m_session.charset(), m_session.line_drawing());
    m_charset = m_session.charset();
    m_decoder = KeyDecoder(m_charset == Charset::unicode);
    m_escape_delay_ms = escape_delay_ms();
    m_view = view;
    draw();
    return {};
}

void TerminalFrontEnd::refresh(DialogView const& view)
{
    // Drawn once the input that is already there has been handled: a burst
    // of keys (typed ahead, pasted without brackets) is drawn once, not key
    // by key, as curses itself does when it checks for typeahead.
    m_view = view;
    m_dirty = true;
}

void TerminalFrontEnd::draw_unless_input_waits()
{
    if (!m_dirty)
        return;
    pollfd input { m_session.input_fd(), POLLIN, 0 };
    bool const waiting = poll(&input, 1, 0) > 0 && (input.revents & POLLIN);
    if (waiting && std::chrono::steady_clock::now() - m_last_draw < longest_unshown)
        return;
    draw();
}

void TerminalFrontEnd::draw()
{
    m_dirty = false;
    m_last_draw = std::chrono::steady_clock::now();
    if (!m_session.is_open() || !m_view)
        return;
    m_canvas.resize(COLS, LINES);
    PaintOptions options;
    options.charset = m_charset;
    options.line_drawing = m_session.line_drawing();
    for (DeviceNotice const& notice : m_view->notices)
        options.notices.emplace_back(notice_text(notice.kind));
    m_geometry = dialog_geometry(*m_view, COLS, LINES, options);
    paint_dialog(m_canvas, m_scratch, *m_view, m_geometry, options);
    m_screen->show(m_canvas);
}

std::optional<InputEvent> TerminalFrontEnd::click_event(int col, int row)
{
    if (!m_view)
        return std::nullopt;
    HitTarget target = hit_test(*m_view, m_geometry, col, row);
    switch (target.kind) {
    case HitTarget::Kind::caption_ok: return CaptionClick { CaptionButton::Ok };
    case HitTarget::Kind::caption_close: return CaptionClick { CaptionButton::Close };
    case HitTarget::Kind::control: return ControlClick { target.index, { target.offset_x, target.offset_y } };
    case HitTarget::Kind::caption: // not given: the terminal does not drag the dialog
    case HitTarget::Kind::nothing: break;
    }
    return std::nullopt;
}

std::optional<InputEvent> TerminalFrontEnd::event_for(DecodedKey const& key)
{
    // While the dialog is hidden behind the too-small notice, nothing is
    // decided but cancelling: Escape, as the notice says, or Ctrl+C.
    bool const hidden = !m_geometry.fits;
    switch (key.action) {
    case KeyAction::none: break;
    case KeyAction::key:
        // Alt with a key is nothing the dialog uses.
        if (key.alt)
            break;
        if (hidden && !(key.vk == VK_ESCAPE && !key.shift && !key.ctrl))
            break;
        return KeyPress { static_cast<UINT>(key.vk), key.shift, key.ctrl };
    case KeyAction::character:
        if (!hidden)
            return CharInput { key.ch };
        break;
    case KeyAction::paste:
        if (!hidden && !key.text.empty())
            return PasteText { key.text };
        break;
    case KeyAction::click:
        return click_event(key.col, key.row);
    case KeyAction::redraw:
        m_screen->repaint_all();
        draw();
        break;
    case KeyAction::close: return CloseRequest { false };
    case KeyAction::suspend:
        m_session.suspend();
        m_decoder.clear();
        m_screen->repaint_all();
        draw();
        break;
    }
    return std::nullopt;
}

InputEvent TerminalFrontEnd::next_event()
{
    using clock = std::chrono::steady_clock;
    for (;;) {
        if (!m_session.is_open() || TerminalSession::pending_signal())
            return CloseRequest { true };
        if (m_session.take_resize()) {
            // The dialog manager places the dialog on the new screen and
            // hands over the snapshot to draw.
            m_screen->repaint_all();
            return ScreenResize { { COLS, LINES } };
        }
        if (auto key = m_decoder.next()) {
            if (auto event = event_for(*key))
                return *event;
            continue;
        }

        draw_unless_input_waits();
        int wait_ms = key_wait_ms;
        if (m_decoder.waiting()) {
            int const limit = m_decoder.in_paste() ? paste_wait_ms
                : m_decoder.ambiguous()            ? m_escape_delay_ms
                                                   : sequence_wait_ms;
            auto const waited
                = std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - m_last_input).count();
            if (waited >= limit) {
                if (auto key = m_decoder.expire()) {
                    if (auto event = event_for(*key))
                        return *event;
                }
                continue;
            }
            wait_ms = std::min<int>(wait_ms, static_cast<int>(limit - waited));
        }

        pollfd input { m_session.input_fd(), POLLIN, 0 };
        int const ready = poll(&input, 1, wait_ms);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return CloseRequest { true };
        }
        if (ready == 0)
            continue;
        if (input.revents & POLLIN) {
            char buffer[4096];
            ssize_t const n = read(m_session.input_fd(), buffer, sizeof buffer);
            if (n > 0) {
                m_decoder.feed(std::string_view(buffer, static_cast<std::size_t>(n)));
                m_last_input = clock::now();
                continue;
            }
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            return CloseRequest { true }; // the terminal has gone
        }
        if (input.revents & (POLLHUP | POLLERR | POLLNVAL))
            return CloseRequest { true };
    }
}

void TerminalFrontEnd::close(INT_PTR)
{
    m_screen.reset();
    m_decoder.clear();
    m_session.close();
    m_view.reset();
    TerminalSession::end_with_pending_signal();
}

}
