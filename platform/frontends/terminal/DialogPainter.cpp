// Painting the dialog: a title bar with the caption at the left and the title
// bar's own buttons at the right, a frame, and each control at its place in
// the client area. One-line controls (labels, fields, buttons) sit on the row
// that holds their middle; an icon fills its box.
#include "frontends/terminal/DialogPainter.h"

#include "frontends/DialogRules.h"
#include "resources/Icon.h"
#include "windows.h"

#include <algorithm>

namespace platform::frontends::terminal {

namespace {

struct Lines {
    char32_t horizontal, vertical, top_left, top_right, bottom_left, bottom_right;
};

Lines lines_for(Charset charset, bool line_drawing)
{
    if (charset == Charset::unicode || line_drawing)
        return { U'\u2500', U'\u2502', U'\u250C', U'\u2510', U'\u2514', U'\u2518' };
    return { U'-', U'|', U'+', U'+', U'+', U'+' };
}

CellRect from_rect(RECT const& rect)
{
    return { static_cast<int>(rect.left), static_cast<int>(rect.top), static_cast<int>(rect.right - rect.left),
             static_cast<int>(rect.bottom - rect.top) };
}

bool is_one_line(ControlView const& control)
{
    if (control.control_class == ControlClass::Static)
        return !control.shows_icon;
    if (control.control_class == ControlClass::Edit)
        return (control.style & ES_MULTILINE) == 0;
    return true;
}

void paint_frame(Canvas& canvas, DialogView const& view, DialogGeometry const& g, PaintOptions const& options)
{
    Charset const charset = options.charset;
    Lines lines = lines_for(charset, options.line_drawing);
    CellRect const& w = g.window;
    int right = w.col + w.cols - 1;
    int bottom = w.row + w.rows - 1;

    canvas.fill(w, Role::body);
    // The title bar is the window's top edge; without one the edge is frame.
    bool const title_bar = has_title_bar(view.style);
    Role const top = title_bar ? Role::title : Role::frame;
    canvas.fill({ w.col, w.row, w.cols, 1 }, top);
    for (int c = w.col + 1; c < right; ++c)
        canvas.put_text(c, w.row, std::u32string(1, lines.horizontal), top, right);
    canvas.put_text(w.col, w.row, std::u32string(1, lines.top_left), top, right + 1);
    canvas.put_text(right, w.row, std::u32string(1, lines.top_right), top, right + 1);

    int caption_right = right - 1;
    if (g.caption_ok)
        caption_right = std::min(caption_right, g.caption_ok->col - 1);
    if (g.caption_close)
        caption_right = std::min(caption_right, g.caption_close->col - 1);
    if (title_bar && !view.caption.empty() && caption_right > w.col + 2) {
        int end = canvas.put_text(w.col + 1, w.row, U" ", Role::title, caption_right);
        end = canvas.put_glyphs(end, w.row, display_glyphs(view.caption, charset), Role::title, caption_right - 1);
        canvas.put_text(end, w.row, U" ", Role::title, caption_right);
    }
    auto button = [&](std::optional<CellRect> const& rect, std::u32string_view label) {
        if (!rect)
            return;
        canvas.put_text(rect->col - 1, rect->row, U" ", Role::title, right);
        canvas.put_text(rect->col, rect->row, label, Role::caption_button, rect->col + rect->cols);
        canvas.put_text(rect->col + rect->cols, rect->row, U" ", Role::title, right);
    };
    button(g.caption_ok, U"[OK]");
    button(g.caption_close, charset == Charset::unicode ? U"[\u00D7]" : U"[X]");

    for (int r = w.row + 1; r < bottom; ++r) {
        canvas.put_text(w.col, r, std::u32string(1, lines.vertical), Role::frame, right + 1);
        canvas.put_text(right, r, std::u32string(1, lines.vertical), Role::frame, right + 1);
    }
    canvas.put_text(w.col, bottom, std::u32string(1, lines.bottom_left), Role::frame, right + 1);
    for (int c = w.col + 1; c < right; ++c)
        canvas.put_text(c, bottom, std::u32string(1, lines.horizontal), Role::frame, right);
    canvas.put_text(right, bottom, std::u32string(1, lines.bottom_right), Role::frame, right + 1);
}

// The column a label's text of `width` cells starts at, by its alignment.
int label_column(ControlView const& control, CellRect const& box, int width)
{
    DWORD type = control.style & SS_TYPEMASK;
    if (type == SS_CENTER)
        return box.col + centred_column(width, box.cols);
    if (type == SS_RIGHT)
        return box.col + std::max(0, box.cols - width);
    return box.col;
}

void paint_static(Canvas& canvas, ControlView const& control, CellRect const& box, int clip_right, Charset charset)
{
    auto glyphs = display_glyphs(control.text, charset);
    canvas.put_glyphs(label_column(control, box, display_width(glyphs)), box.row, glyphs, Role::body, clip_right);
}

void paint_edit(Canvas& canvas, ControlView const& control, CellRect const& box, int clip_right, Charset charset)
{
    if (box.cols <= 0)
        return;
    // The focused field stands out from the others even without a
    // selection; its selection stands out from it.
    Role const role = control.focused ? Role::focused_field : Role::field;
    int inner_left = box.col + 1;
    int inner_right = std::min(clip_right, box.col + box.cols - 1);
    canvas.fill({ box.col, box.row, std::min(box.cols, clip_right - box.col), 1 }, role);
    canvas.put_text(box.col, box.row, U"[", role, clip_right);
    if (box.col + box.cols - 1 < clip_right && box.cols > 1)
        canvas.put_text(box.col + box.cols - 1, box.row, U"]", role, clip_right);

    // Only the part of the text that can show is laid out: from a little
    // before the first shown character (a mark rides on the character
    // before it) to as much as the field could hold, at most ten code units
    // (a character with its marks, as surrogate pairs) a cell.
    std::u16string_view const all(control.text);
    std::size_t const scroll = std::min(control.scroll, all.size());
    std::size_t const offset = scroll - std::min<std::size_t>(scroll, 16);
    std::size_t const span = static_cast<std::size_t>(std::max(0, box.cols) + 2) * 10;
    auto const glyphs = display_glyphs(all.substr(offset, scroll - offset + span), charset);
    std::size_t const first = glyph_at_source(glyphs, scroll - offset);
    std::size_t sel_lo = std::min(control.selection_start, control.selection_end);
    std::size_t sel_hi = std::max(control.selection_start, control.selection_end);
    int x = 0;
    for (std::size_t i = first; i < glyphs.size(); ++i) {
        Glyph const& glyph = glyphs[i];
        std::size_t const source = glyph.source + offset;
        bool selected = control.focused && source >= sel_lo && source < sel_hi;
        if (canvas.put(inner_left + x, box.row, glyph, selected ? Role::selection : role, inner_right) == 0)
            break;
        x += glyph.width;
    }
    if (control.focused && control.caret >= scroll) {
        std::size_t const caret_glyph = glyph_at_source(glyphs, control.caret - offset);
        int caret = inner_left;
        for (std::size_t i = first; i < caret_glyph && i < glyphs.size(); ++i)
            caret += glyphs[i].width;
        if (caret >= inner_left && caret < std::max(inner_left + 1, inner_right))
            canvas.cursor = std::pair { caret, box.row };
    }
}

void paint_button(Canvas& canvas, ControlView const& control, CellRect const& box, int clip_right, Charset charset)
{
    if (box.cols <= 0)
        return;
    Role role = control.focused ? Role::focused_button : Role::button;
    int right = std::min(clip_right, box.col + box.cols);
    canvas.fill({ box.col, box.row, right - box.col, 1 }, role);
    canvas.put_text(box.col, box.row, U"[", role, right);
    if (box.cols > 1)
        canvas.put_text(box.col + box.cols - 1, box.row, U"]", role, right);
    auto shown = display_glyphs(control.text, charset);
    int width = display_width(shown);
    int inner = std::max(0, box.cols - 2);
    int col = box.col + 1 + centred_column(width, inner);
    if (control.focused && col - 2 >= box.col + 1 && col + width + 1 < box.col + box.cols - 1) {
        canvas.put_text(col - 2, box.row, U">", role, right - 1);
        canvas.put_text(col + width + 1, box.row, U"<", role, right - 1);
    }
    canvas.put_glyphs(col, box.row, shown, role, right - 1);
}

void paint_icon(Canvas& canvas, ControlView const& control, CellRect const& box, int clip_right, int clip_bottom,
                PaintOptions const& options)
{
    (void)options;
    if (!control.icon)
        return;
    auto cells = render_icon(resources::icon_images(control.icon), box.cols, box.rows);
    for (int r = 0; r < cells.rows; ++r) {
        for (int c = 0; c < cells.cols; ++c) {
            IconCell const& cell = cells.at(c, r);
            if (box.col + c >= clip_right || box.row + r >= clip_bottom)
                continue;
            if (cell.top != no_pixel || cell.bottom != no_pixel)
                canvas.set_icon(box.col + c, box.row + r, cell.top, cell.bottom);
        }
    }
}

void paint_notice_line(Canvas& canvas, int row, std::u16string_view text, Charset charset)
{
    auto glyphs = display_glyphs(text, charset);
    int col = centred_column(display_width(glyphs), canvas.cols());
    canvas.put_glyphs(col, row, glyphs, Role::message, canvas.cols());
}

void paint_too_small(Canvas& canvas, DialogGeometry const& g, Charset charset)
{
    auto message = too_small_message(g.need_cols, g.need_rows, canvas.cols(), canvas.rows());
    int top = std::max(0, (canvas.rows() - static_cast<int>(message.size())) / 2);
    for (std::size_t i = 0; i < message.size(); ++i) {
        std::u16string text(message[i].begin(), message[i].end());
        paint_notice_line(canvas, top + static_cast<int>(i), text, charset);
    }
}

// The area a control takes in the client area (local cells): its box for a
// field, a button or an icon; for a label, the cells its text is drawn in.
std::optional<CellRect> taken_by(ControlView const& control, CellRect const& box, Charset charset)
{
    if (!control.visible || box.cols <= 0 || box.rows <= 0)
        return std::nullopt;
    if (control.control_class != ControlClass::Static)
        return box;
    if (control.shows_icon)
        return control.icon ? std::optional(box) : std::nullopt;
    int width = display_width(display_glyphs(control.text, charset));
    if (width <= 0)
        return std::nullopt;
    return CellRect { label_column(control, box, width), box.row, std::min(box.cols, width), 1 };
}

// Which of `count` lines to leave out, `excess` of them, all from among the
// unused ones: one at a time from the longest run of unused lines (the
// last such run on a tie), so that space is taken evenly from the widest
// gaps and every control keeps its order and place relative to the others.
// -1 for a line left out, else its place among the lines kept.
std::vector<int> squeeze(std::vector<bool> const& used, int excess)
{
    struct Run {
        int start;
        int length;
        int dropped;
    };
    std::vector<Run> runs;
    for (int i = 0; i < static_cast<int>(used.size()); ++i) {
        if (used[static_cast<std::size_t>(i)])
            continue;
        if (!runs.empty() && runs.back().start + runs.back().length == i)
            ++runs.back().length;
        else
            runs.push_back({ i, 1, 0 });
    }
    for (int n = 0; n < excess; ++n) {
        Run* widest = nullptr;
        for (auto& run : runs) {
            if (run.length - run.dropped > 0 && (!widest || run.length - run.dropped >= widest->length - widest->dropped))
                widest = &run;
        }
        if (!widest)
            break;
        ++widest->dropped;
    }
    std::vector<int> map(used.size(), 0);
    for (auto const& run : runs) {
        for (int i = 0; i < run.dropped; ++i)
            map[static_cast<std::size_t>(run.start + run.length - 1 - i)] = -1;
    }
    int next = 0;
    for (auto& place : map) {
        if (place == 0)
            place = next++;
    }
    return map;
}

// The cells of a local rectangle that are kept, on the final screen.
CellRect mapped(CellRect const& local, DialogGeometry const& g)
{
    auto span = [](std::vector<int> const& map, int start, int length, int origin, int& out_start, int& out_length) {
        out_start = -1;
        out_length = 0;
        for (int i = std::max(0, start); i < start + length && i < static_cast<int>(map.size()); ++i) {
            int place = map[static_cast<std::size_t>(i)];
            if (place < 0)
                continue;
            if (out_start < 0)
                out_start = origin + place;
            ++out_length;
        }
        if (out_start < 0)
            out_start = origin;
    };
    CellRect result;
    span(g.col_map, local.col, local.cols, g.client.col, result.col, result.cols);
    span(g.row_map, local.row, local.rows, g.client.row, result.row, result.rows);
    return result;
}

}

DialogGeometry dialog_geometry(DialogView const& view, int screen_cols, int screen_rows, PaintOptions const& options)
{
    DialogGeometry g;
    CellRect const window = from_rect(view.window_rect);
    CellRect const client = from_rect(view.client_rect);
    int const inset_left = client.col - window.col;
    int const inset_top = client.row - window.row;
    g.natural_client = { 0, 0, std::max(0, client.cols), std::max(0, client.rows) };

    // Each control in the client area's own cells.
    for (auto const& control : view.controls) {
        if (!control.visible) {
            g.local.push_back({});
            continue;
        }
        CellRect cells = from_rect(control.rect);
        if (is_one_line(control)) {
            cells.row = std::min(std::max(0, client.rows - 1),
                                 one_line_row(control.dialog_units.y, control.dialog_units.cy, terminal_scale));
            cells.rows = 1;
        }
        g.local.push_back(cells);
    }

    // The rows and columns that hold something.
    std::vector<bool> used_cols(static_cast<std::size_t>(g.natural_client.cols), false);
    std::vector<bool> used_rows(static_cast<std::size_t>(g.natural_client.rows), false);
    for (std::size_t i = 0; i < view.controls.size(); ++i) {
        auto taken = taken_by(view.controls[i], g.local[i], options.charset);
        if (!taken)
            continue;
        for (int c = std::max(0, taken->col); c < taken->col + taken->cols && c < g.natural_client.cols; ++c)
            used_cols[static_cast<std::size_t>(c)] = true;
        for (int r = std::max(0, taken->row); r < taken->row + taken->rows && r < g.natural_client.rows; ++r)
            used_rows[static_cast<std::size_t>(r)] = true;
    }
    int const free_cols = static_cast<int>(std::count(used_cols.begin(), used_cols.end(), false));
    int const free_rows = static_cast<int>(std::count(used_rows.begin(), used_rows.end(), false));
    int const notice_rows = static_cast<int>(options.notices.size());
    g.need_cols = window.cols - free_cols;
    g.need_rows = window.rows - free_rows + notice_rows;

    // A screen smaller than the dialog takes room from the rows and columns
    // that hold nothing.
    int const room_rows = std::max(0, screen_rows - notice_rows);
    int const excess_cols = std::max(0, window.cols - screen_cols);
    int const excess_rows = std::max(0, window.rows - room_rows);
    g.fits = excess_cols <= free_cols && excess_rows <= free_rows;
    g.col_map = squeeze(used_cols, g.fits ? excess_cols : 0);
    g.row_map = squeeze(used_rows, g.fits ? excess_rows : 0);

    g.window = { window.col, window.row, window.cols - (g.fits ? excess_cols : 0),
                 window.rows - (g.fits ? excess_rows : 0) };
    // Keep the window wholly on the screen (above the notice) even when the
    // dialog manager has not placed it there (yet): the whole dialog is
    // always visible.
    g.window.col = std::clamp(g.window.col, 0, std::max(0, screen_cols - g.window.cols));
    g.window.row = std::clamp(g.window.row, 0, std::max(0, room_rows - g.window.rows));
    g.client = { g.window.col + inset_left, g.window.row + inset_top,
                 g.natural_client.cols - (g.fits ? excess_cols : 0), g.natural_client.rows - (g.fits ? excess_rows : 0) };

    // The title bar's buttons from its right-hand end, a space apart: [X]
    // and [OK].
    int next = g.window.col + g.window.cols - 3; // the next one's right end, a space from the corner
    for (CaptionButton button : CaptionButtons(view.style, view.ex_style)) {
        int const width = button == CaptionButton::Close ? 3 : 4;
        (button == CaptionButton::Close ? g.caption_close : g.caption_ok)
            = CellRect { next - width + 1, g.window.row, width, 1 };
        next -= width + 1;
    }

    for (std::size_t i = 0; i < view.controls.size(); ++i)
        g.controls.push_back(view.controls[i].visible ? mapped(g.local[i], g) : CellRect {});
    return g;
}

HitTarget hit_test(DialogView const& view, DialogGeometry const& g, int col, int row)
{
    if (!g.fits)
        return {};
    if (g.caption_ok && g.caption_ok->contains(col, row))
        return { HitTarget::Kind::caption_ok };
    if (g.caption_close && g.caption_close->contains(col, row))
        return { HitTarget::Kind::caption_close };
    if (!g.client.contains(col, row))
        return {};
    auto const index = control_at(view.controls, [&](std::size_t i) {
        return i < g.controls.size() && g.controls[i].contains(col, row);
    });
    if (!index)
        return {};
    CellRect const& cells = g.controls[*index];
    CellRect const rect = from_rect(view.controls[*index].rect);
    int const offset_y = std::clamp(row - cells.row, 0, std::max(0, rect.rows - 1));
    return { HitTarget::Kind::control, *index, col - cells.col, offset_y };
}

void paint_dialog(Canvas& canvas, DialogView const& view, DialogGeometry const& g, PaintOptions const& options)
{
    Canvas scratch(0, 0);
    paint_dialog(canvas, scratch, view, g, options);
}

void paint_dialog(Canvas& canvas, Canvas& inner, DialogView const& view, DialogGeometry const& g,
                  PaintOptions const& options)
{
    canvas.fill({ 0, 0, canvas.cols(), canvas.rows() }, Role::screen);
    canvas.cursor.reset();
    // The notices on the screen's last rows, below the dialog.
    int const first_notice_row = canvas.rows() - static_cast<int>(options.notices.size());
    for (std::size_t i = 0; i < options.notices.size(); ++i) {
        if (first_notice_row + static_cast<int>(i) >= 0)
            paint_notice_line(canvas, first_notice_row + static_cast<int>(i), options.notices[i], options.charset);
    }
    if (!g.fits) {
        paint_too_small(canvas, g, options.charset);
        return;
    }
    paint_frame(canvas, view, g, options);

    // The controls are painted at the dialog's own size, then put on the
    // screen without the rows and columns left out.
    inner.resize(g.natural_client.cols, g.natural_client.rows);
    inner.cursor.reset();
    inner.fill({ 0, 0, inner.cols(), inner.rows() }, Role::body);
    int clip_right = inner.cols();
    int clip_bottom = inner.rows();
    for_each_bottom_to_top(view.controls, [&](std::size_t i) {
        if (i >= g.local.size())
            return;
        ControlView const& control = view.controls[i];
        CellRect box = g.local[i];
        if (!control.visible || box.row >= clip_bottom)
            return;
        int right = std::min(clip_right, box.col + box.cols);
        switch (control.control_class) {
        case ControlClass::Static:
            if (control.shows_icon)
                paint_icon(inner, control, box, right, clip_bottom, options);
            else
                paint_static(inner, control, box, right, options.charset);
            break;
        case ControlClass::Edit:
            paint_edit(inner, control, box, right, options.charset);
            break;
        case ControlClass::Button:
            paint_button(inner, control, box, right, options.charset);
            break;
        }
    });
    for (int r = 0; r < inner.rows(); ++r) {
        int const row = g.row_map[static_cast<std::size_t>(r)];
        if (row < 0)
            continue;
        for (int c = 0; c < inner.cols(); ++c) {
            int const col = g.col_map[static_cast<std::size_t>(c)];
            if (col >= 0)
                canvas.set(g.client.col + col, g.client.row + row, inner.at(c, r));
        }
    }
    if (inner.cursor) {
        auto [c, r] = *inner.cursor;
        if (c >= 0 && r >= 0 && c < inner.cols() && r < inner.rows() && g.col_map[static_cast<std::size_t>(c)] >= 0
            && g.row_map[static_cast<std::size_t>(r)] >= 0)
            canvas.cursor = std::pair { g.client.col + g.col_map[static_cast<std::size_t>(c)],
                                        g.client.row + g.row_map[static_cast<std::size_t>(r)] };
    }
}

}
