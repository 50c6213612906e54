// Where the dialog lands on the terminal: the scale from dialog units to
// character cells (one for the whole dialog), the frame around the client
// area, the row a one-line control is drawn on, and clipping and centring of
// texts in their boxes.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform::frontends::terminal {

// A rectangle of character cells.
struct CellRect {
    int col { 0 };
    int row { 0 };
    int cols { 0 };
    int rows { 0 };

    bool contains(int c, int r) const { return c >= col && c < col + cols && r >= row && r < row + rows; }
    bool operator==(CellRect const&) const = default;
};

// Cells per dialog unit, as two fractions: across and down.
struct Scale {
    int col_num { 3 };
    int col_den { 8 };
    int row_num { 1 };
    int row_den { 8 };

    bool operator==(Scale const&) const = default;
};

// The terminal's scale: 3 cells across for 8 dialog units, one row down for
// 8 (a line of the dialog font). Across, a cell is narrower than the dialog
// font's average character (4 units), so every text of a dialog laid out for
// that font keeps room to spare: a 6-letter label in 16 units, a
// 20-character text in 62.
inline constexpr Scale terminal_scale { 3, 8, 1, 8 };

// A text that must be fully visible in its box: the box's width in dialog
// units and the text's width in cells.
struct TextBox {
    int cx { 0 };
    int columns { 0 };
};

// The smallest scale across, in eighths of a cell per dialog unit and no
// smaller than the font's own quarter of a character per unit, at which every
// text fits its box; down, one row per 8 units. nullopt when not even one
// cell per unit fits them all.
std::optional<Scale> choose_scale(std::vector<TextBox> const& texts);

// Cells of a length in dialog units, rounded to the nearest cell (a half
// away from zero), as the dialog manager maps dialog units.
int cols_of(int units, Scale scale);
int rows_of(int units, Scale scale);

// The row, relative to the client area, of a control that shows one line of
// text (static, edit, button) at `y` and `cy` dialog units: the row that
// holds its middle, so that a label and the field beside it, centred on the
// same line in the template, share a row.
int one_line_row(int y, int cy, Scale scale);

// Is a window of `cols` x `rows` wholly on a screen of `screen_cols` x
// `screen_rows` when its top-left corner is at `col`, `row`?
bool fits_on_screen(CellRect window, int screen_cols, int screen_rows);

// The columns of a box of `box_cols` that a text of `text_cols` shows in,
// when it is centred (left-aligned, and clipped at the right, when it does
// not fit).
int centred_column(int text_cols, int box_cols);

// The lines shown instead of the dialog on a screen too small for it,
// saying the size it needs and how to cancel it.
std::vector<std::string> too_small_message(int need_cols, int need_rows, int screen_cols, int screen_rows);

}
