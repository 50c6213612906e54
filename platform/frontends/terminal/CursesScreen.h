// Puts a painted canvas on the terminal through curses: roles become colour
// pairs (on the terminal's own default background) or, without colour,
// reverse, bold and underline.
#pragma once

#include "frontends/terminal/Canvas.h"

#include <map>
#include <optional>
#include <utility>

namespace platform::frontends::terminal {

class CursesScreen {
public:
    // `line_drawing`: without Unicode, box-drawing characters go out as
    // the terminal's alternate character set.
    CursesScreen(bool colour, Charset charset, bool line_drawing = false);

    // Draws `canvas` (the size of the screen) and shows or hides the cursor.
    void show(Canvas const& canvas);

    // The next show() repaints every cell, whatever the terminal showed.
    void repaint_all();

private:
    struct Look {
        unsigned long attributes;
        short pair;
    };
    Look look(Role role);
    Look icon_look(int top, int bottom, char32_t& drawn);
    short pair(int foreground, int background);

    bool m_colour;
    Charset m_charset;
    bool m_line_drawing;
    // What the terminal shows now, as last drawn: only what differs goes
    // to curses.
    std::optional<Canvas> m_shown;
    int m_colours { 0 };
    std::map<std::pair<int, int>, short> m_pairs;
    int m_cursor_visible { -1 };
};

}
