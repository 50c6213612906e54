// Dialog units to cells, with the dialog manager's rounding (MulDiv's), so
// that what is drawn is where the dialog manager thinks it is.
#include "frontends/terminal/Layout.h"

#include "text/Rounding.h"
#include "windows.h"

#include <algorithm>

namespace platform::frontends::terminal {

std::optional<Scale> choose_scale(std::vector<TextBox> const& texts)
{
    for (int num = 2; num <= 8; ++num) {
        Scale scale { num, 8, 1, 8 };
        // The box's left and right edges are each rounded: the narrowest a
        // box of cx units can come out is its width rounded down.
        bool fits = std::all_of(texts.begin(), texts.end(), [&](TextBox const& box) {
            return text::floor_div(static_cast<long long>(box.cx) * num, 8) >= box.columns;
        });
        if (fits)
            return scale;
    }
    return std::nullopt;
}

int cols_of(int units, Scale scale)
{
    return MulDiv(units, scale.col_num, scale.col_den);
}

int rows_of(int units, Scale scale)
{
    return MulDiv(units, scale.row_num, scale.row_den);
}

int one_line_row(int y, int cy, Scale scale)
{
    // Twice the middle, so that an odd height stays exact.
    return static_cast<int>(text::floor_div(static_cast<long long>(2 * y + cy) * scale.row_num, 2LL * scale.row_den));
}

bool fits_on_screen(CellRect window, int screen_cols, int screen_rows)
{
    return window.col >= 0 && window.row >= 0 && window.col + window.cols <= screen_cols
        && window.row + window.rows <= screen_rows;
}

int centred_column(int text_cols, int box_cols)
{
    return std::max(0, (box_cols - text_cols) / 2);
}

std::vector<std::string> too_small_message(int need_cols, int need_rows, int screen_cols, int screen_rows)
{
    return {
        "Terminal too small",
        "need " + std::to_string(need_cols) + "x" + std::to_string(need_rows) + ", have "
            + std::to_string(screen_cols) + "x" + std::to_string(screen_rows),
        "Escape cancels",
    };
}

}
