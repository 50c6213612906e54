// The off-screen grid the dialog is painted into.
#include "frontends/terminal/Canvas.h"

#include "text/Utf.h"

#include <algorithm>
#include <stdexcept>

namespace platform::frontends::terminal {

Canvas::Canvas(int cols, int rows)
    : m_cols(std::max(0, cols))
    , m_rows(std::max(0, rows))
    , m_cells(static_cast<std::size_t>(m_cols) * static_cast<std::size_t>(m_rows))
{
}

void Canvas::resize(int cols, int rows)
{
    cols = std::max(0, cols);
    rows = std::max(0, rows);
    if (cols == m_cols && rows == m_rows)
        return;
    m_cols = cols;
    m_rows = rows;
    m_cells.assign(static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows), Cell {});
}

Cell* Canvas::cell(int col, int row)
{
    if (col < 0 || row < 0 || col >= m_cols || row >= m_rows)
        return nullptr;
    return &m_cells[static_cast<std::size_t>(row * m_cols + col)];
}

Cell const& Canvas::at(int col, int row) const
{
    if (col < 0 || row < 0 || col >= m_cols || row >= m_rows)
        throw std::out_of_range("Canvas::at");
    return m_cells[static_cast<std::size_t>(row * m_cols + col)];
}

void Canvas::fill(CellRect rect, Role role)
{
    Cell const blank { U" ", role };
    int const left = std::max(0, rect.col);
    int const right = std::min(m_cols, rect.col + rect.cols);
    for (int r = std::max(0, rect.row); r < std::min(m_rows, rect.row + rect.rows); ++r) {
        for (int c = left; c < right; ++c)
            m_cells[static_cast<std::size_t>(r * m_cols + c)] = blank;
    }
}

int Canvas::put(int col, int row, Glyph const& glyph, Role role, int clip_right)
{
    int right = std::min(clip_right, m_cols);
    if (col < 0 || row < 0 || row >= m_rows || col >= right)
        return 0;
    if (col + glyph.width > right) {
        *cell(col, row) = Cell { U" ", role };
        return 1;
    }
    *cell(col, row) = Cell { glyph.chars, role };
    for (int i = 1; i < glyph.width; ++i)
        *cell(col + i, row) = Cell { U"", role, -1, -1, true };
    return glyph.width;
}

int Canvas::put_glyphs(int col, int row, std::vector<Glyph> const& glyphs, Role role, int clip_right, int first)
{
    int x = 0;
    for (auto const& glyph : glyphs) {
        if (x >= first) {
            int taken = put(col + x - first, row, glyph, role, clip_right);
            if (taken == 0)
                break;
        } else if (x + glyph.width > first) {
            // A wide glyph cut by the left edge: its visible half as a space.
            put(col, row, Glyph { U" ", 1 }, role, clip_right);
        }
        x += glyph.width;
    }
    return col + std::max(0, x - first);
}

int Canvas::put_text(int col, int row, std::u32string_view text, Role role, int clip_right)
{
    for (char32_t c : text)
        col += put(col, row, Glyph { std::u32string(1, c), 1 }, role, clip_right);
    return col;
}

void Canvas::set_icon(int col, int row, int top, int bottom)
{
    if (Cell* target = cell(col, row))
        *target = Cell { U"", Role::icon, top, bottom };
}

void Canvas::set(int col, int row, Cell const& value)
{
    if (Cell* target = cell(col, row))
        *target = value;
}

std::string Canvas::row_text(int row) const
{
    std::u32string text;
    for (int c = 0; c < m_cols; ++c) {
        Cell const& current = at(c, row);
        if (current.continuation)
            continue;
        if (current.role == Role::icon) {
            text += current.top >= 0 ? (current.bottom >= 0 ? U"\u2588" : U"\u2580") : (current.bottom >= 0 ? U"\u2584" : U" ");
            continue;
        }
        text += current.chars.empty() ? U" " : current.chars;
    }
    while (!text.empty() && text.back() == U' ')
        text.pop_back();
    std::u16string utf16;
    for (char32_t c : text)
        platform::text::append_utf16(utf16, c);
    return platform::text::to_utf8(utf16);
}

}
