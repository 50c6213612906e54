// Canvas to curses. Every cell goes through the wide-character cell calls,
// so nothing a text holds is ever sent to the terminal as a control.
#include "frontends/terminal/CursesScreen.h"

#include <algorithm>

#define NCURSES_NOMACROS 1
#include <ncursesw/curses.h>

namespace platform::frontends::terminal {

CursesScreen::CursesScreen(bool colour, Charset charset, bool line_drawing)
    : m_colour(colour)
    , m_charset(charset)
    , m_line_drawing(line_drawing && charset == Charset::ascii)
    , m_colours(colour ? COLORS : 0)
{
}

short CursesScreen::pair(int foreground, int background)
{
    if (!m_colour)
        return 0;
    // Eight-colour terminals show the bright half as the normal one.
    if (m_colours < 16) {
        if (foreground >= 8)
            foreground -= 8;
        if (background >= 8)
            background -= 8;
    }
    auto key = std::pair { foreground, background };
    if (auto found = m_pairs.find(key); found != m_pairs.end())
        return found->second;
    auto number = static_cast<short>(m_pairs.size() + 1);
    if (number >= COLOR_PAIRS)
        return 0;
    init_pair(number, static_cast<short>(foreground), static_cast<short>(background));
    m_pairs.emplace(key, number);
    return number;
}

CursesScreen::Look CursesScreen::look(Role role)
{
    if (m_colour) {
        switch (role) {
        case Role::title: return { A_BOLD, pair(COLOR_WHITE, COLOR_BLUE) };
        case Role::caption_button: return { A_BOLD, pair(COLOR_BLACK, COLOR_CYAN) };
        case Role::field: return { A_NORMAL, pair(COLOR_BLACK, COLOR_WHITE) };
        case Role::focused_field: return { A_NORMAL, pair(COLOR_BLACK, COLOR_CYAN + 8) };
        case Role::selection: return { A_BOLD, pair(COLOR_WHITE, COLOR_BLUE) };
        case Role::button: return { A_NORMAL, pair(COLOR_BLACK, COLOR_WHITE) };
        case Role::focused_button: return { A_BOLD, pair(COLOR_WHITE, COLOR_BLUE) };
        case Role::message: return { A_BOLD, 0 };
        default: return { A_NORMAL, 0 };
        }
    }
    switch (role) {
    case Role::title: return { A_REVERSE | A_BOLD, 0 };
    case Role::caption_button: return { A_BOLD, 0 };
    case Role::field: return { A_UNDERLINE, 0 };
    case Role::focused_field: return { A_REVERSE, 0 };
    case Role::selection: return { A_BOLD | A_UNDERLINE, 0 };
    case Role::focused_button: return { A_REVERSE | A_BOLD, 0 };
    case Role::message: return { A_BOLD, 0 };
    default: return { A_NORMAL, 0 };
    }
}

CursesScreen::Look CursesScreen::icon_look(int top, int bottom, char32_t& drawn)
{
    bool unicode = m_charset == Charset::unicode;
    if (!m_colour || !unicode) {
        // The icon's outline in the text's own colour.
        if (top >= 0 && bottom >= 0)
            drawn = unicode ? U'\u2588' : U'#';
        else if (top >= 0)
            drawn = unicode ? U'\u2580' : U'"';
        else
            drawn = unicode ? U'\u2584' : U',';
        return { A_NORMAL, 0 };
    }
    if (top >= 0) {
        drawn = U'\u2580';
        return { A_NORMAL, pair(top, bottom) };
    }
    drawn = U'\u2584';
    return { A_NORMAL, pair(bottom, -1) };
}

void CursesScreen::repaint_all()
{
    clearok(curscr, TRUE);
    m_shown.reset();
}

namespace {

// The alternate character set's line for a box-drawing character, if it is one.
cchar_t const* line_character(char32_t c)
{
    switch (c) {
    case U'\u2500': return WACS_HLINE;
    case U'\u2502': return WACS_VLINE;
    case U'\u250C': return WACS_ULCORNER;
    case U'\u2510': return WACS_URCORNER;
    case U'\u2514': return WACS_LLCORNER;
    case U'\u2518': return WACS_LRCORNER;
    default: return nullptr;
    }
}

}

void CursesScreen::show(Canvas const& canvas)
{
    int rows = std::min(canvas.rows(), LINES);
    int cols = std::min(canvas.cols(), COLS);
    bool const same_size = m_shown && m_shown->cols() == canvas.cols() && m_shown->rows() == canvas.rows();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            Cell const& cell = canvas.at(c, r);
            if (cell.continuation)
                continue;
            // A wide character's right half changes with its left.
            if (same_size && m_shown->at(c, r) == cell
                && (c + 1 >= cols || m_shown->at(c + 1, r) == canvas.at(c + 1, r)))
                continue;
            wchar_t text[CCHARW_MAX + 1] {};
            Look shown {};
            if (cell.role == Role::icon) {
                char32_t drawn = U' ';
                shown = icon_look(cell.top, cell.bottom, drawn);
                text[0] = static_cast<wchar_t>(drawn);
            } else {
                shown = look(cell.role);
                std::size_t n = 0;
                for (char32_t ch : cell.chars) {
                    if (n == CCHARW_MAX)
                        break;
                    text[n++] = static_cast<wchar_t>(ch);
                }
                if (n == 0)
                    text[0] = L' ';
                if (m_line_drawing && n == 1) {
                    if (cchar_t const* line = line_character(cell.chars[0])) {
                        // The line in the cell's look.
                        wchar_t drawn[CCHARW_MAX + 1] {};
                        attr_t attributes = 0;
                        short unused = 0;
                        getcchar(line, drawn, &attributes, &unused, nullptr);
                        cchar_t out;
                        setcchar(&out, drawn, static_cast<attr_t>(shown.attributes) | attributes, shown.pair, nullptr);
                        mvwadd_wch(stdscr, r, c, &out);
                        continue;
                    }
                }
            }
            cchar_t out;
            setcchar(&out, text, static_cast<attr_t>(shown.attributes), shown.pair, nullptr);
            mvwadd_wch(stdscr, r, c, &out);
        }
    }
    int visible = canvas.cursor ? 1 : 0;
    if (visible != m_cursor_visible) {
        curs_set(visible);
        m_cursor_visible = visible;
    }
    if (canvas.cursor)
        wmove(stdscr, canvas.cursor->second, canvas.cursor->first);
    wnoutrefresh(stdscr);
    doupdate();
    m_shown = canvas;
}

}
