// A grid of cells that the dialog is painted into before it goes to the
// terminal: what each cell shows and in which role (title bar, field, focused
// button ...), which the terminal turns into colours or attributes. Keeps the
// painting testable without a terminal.
#pragma once

#include "frontends/terminal/DisplayText.h"
#include "frontends/terminal/Layout.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::frontends::terminal {

enum class Role : std::uint8_t {
    screen,         // around the dialog
    frame,          // the dialog's border
    title,          // the title bar and its caption
    caption_button, // the title bar's OK and close buttons
    body,           // the client area and its labels
    field,          // an edit field
    focused_field,  // the edit field with the focus
    selection,      // selected text in an edit field
    button,         // a push button
    focused_button, // the push button with the focus
    icon,           // an icon pixel pair: colours in the cell
    message,        // the too-small notice
};

struct Cell {
    std::u32string chars { U" " };
    Role role { Role::screen };
    // For Role::icon: the terminal colours of the upper and lower half
    // (no_pixel: the background shows through).
    int top { -1 };
    int bottom { -1 };
    // The right half of a wide character drawn in the cell to the left.
    bool continuation { false };

    bool operator==(Cell const&) const = default;
};

class Canvas {
public:
    Canvas(int cols, int rows);

    // Makes the canvas `cols` x `rows`, keeping its storage when it has
    // that size already (the cells are then as they were).
    void resize(int cols, int rows);

    int cols() const { return m_cols; }
    int rows() const { return m_rows; }
    Cell const& at(int col, int row) const;

    // Sets the cells of `rect` (clipped to the canvas) to spaces of `role`.
    void fill(CellRect rect, Role role);

    // Draws one glyph at `col`, `row` unless it would cross `clip_right`
    // (exclusive) or the canvas's edge; a wide glyph that does not fit is
    // drawn as a space. Returns the columns it took.
    int put(int col, int row, Glyph const& glyph, Role role, int clip_right);

    // Draws `glyphs` from the one that starts at column `first` of the text,
    // clipped to `clip_right`. Returns the column after the last one drawn.
    int put_glyphs(int col, int row, std::vector<Glyph> const& glyphs, Role role, int clip_right, int first = 0);

    // Draws a text of printable characters the front end itself chose.
    int put_text(int col, int row, std::u32string_view text, Role role, int clip_right);

    void set_icon(int col, int row, int top, int bottom);

    // Sets one cell as it is (nothing outside the canvas).
    void set(int col, int row, Cell const& cell);

    // Where the terminal's cursor is shown, or nullopt to hide it.
    std::optional<std::pair<int, int>> cursor;

    // One row as UTF-8, trailing spaces dropped (for tests and logs).
    std::string row_text(int row) const;

private:
    Cell* cell(int col, int row);

    int m_cols;
    int m_rows;
    std::vector<Cell> m_cells;
};

}
