// Painting the dialog: a title bar with the caption at the left and the title
// bar's own buttons at the right, a frame, and each control at its place in
// the client area. One-line controls (labels, fields, buttons) sit on the row
// that holds their middle; an icon fills its box.
#include "frontends/terminal/DialogPainter.h"

#include "resources/Icon.h"
#include "windows.h"

#include <algorithm>

namespace platform::frontends::terminal {

namespace {

constexpr DWORD edit_multiline = 0x0004;
constexpr DWORD static_type_mask = 0x0000001F;
constexpr DWORD static_center = 0x0001;
constexpr DWORD static_right = 0x0002;
constexpr DWORD caption_ok_style = 0x80000000; // WS_EX_CAPTIONOKBTN
constexpr DWORD caption_style = 0x00C00000;    // WS_CAPTION
constexpr DWORD sysmenu_style = 0x00080000;    // WS_SYSMENU

struct Lines {
    char32_t horizontal, vertical, top_left, top_right, bottom_left, bottom_right;
};

Lines lines_for(Charset charset)
{
    if (charset == Charset::unicode)
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
        return (control.style & edit_multiline) == 0;
    return true;
}

int width_before(std::vector<Glyph> const& glyphs, std::size_t glyph_index)
{
    int width = 0;
    for (std::size_t i = 0; i < glyph_index && i < glyphs.size(); ++i)
        width += glyphs[i].width;
    return width;
}

void paint_frame(Canvas& canvas, DialogView const& view, DialogGeometry const& g, Charset charset)
{
    Lines lines = lines_for(charset);
    CellRect const& w = g.window;
    int right = w.col + w.cols - 1;
    int bottom = w.row + w.rows - 1;

    canvas.fill(w, Role::body);
    // Title bar: the window's top edge.
    canvas.fill({ w.col, w.row, w.cols, 1 }, Role::title);
    for (int c = w.col + 1; c < right; ++c)
        canvas.put_text(c, w.row, std::u32string(1, lines.horizontal), Role::title, right);
    canvas.put_text(w.col, w.row, std::u32string(1, lines.top_left), Role::title, right + 1);
    canvas.put_text(right, w.row, std::u32string(1, lines.top_right), Role::title, right + 1);

    int caption_right = right - 1;
    if (g.caption_ok)
        caption_right = std::min(caption_right, g.caption_ok->col - 1);
    if (g.caption_close)
        caption_right = std::min(caption_right, g.caption_close->col - 1);
    if (!view.caption.empty() && caption_right > w.col + 2) {
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

void paint_static(Canvas& canvas, ControlView const& control, CellRect const& box, int clip_right, Charset charset)
{
    auto glyphs = display_glyphs(control.text, charset);
    int width = display_width(glyphs);
    int col = box.col;
    DWORD type = control.style & static_type_mask;
    if (type == static_center)
        col += centred_column(width, box.cols);
    else if (type == static_right)
        col += std::max(0, box.cols - width);
    canvas.put_glyphs(col, box.row, glyphs, Role::body, clip_right);
}

void paint_edit(Canvas& canvas, ControlView const& control, CellRect const& box, int clip_right, Charset charset)
{
    if (box.cols <= 0)
        return;
    int inner_left = box.col + 1;
    int inner_right = std::min(clip_right, box.col + box.cols - 1);
    canvas.fill({ box.col, box.row, std::min(box.cols, clip_right - box.col), 1 }, Role::field);
    canvas.put_text(box.col, box.row, U"[", Role::field, clip_right);
    if (box.col + box.cols - 1 < clip_right && box.cols > 1)
        canvas.put_text(box.col + box.cols - 1, box.row, U"]", Role::field, clip_right);

    auto glyphs = display_glyphs(control.text, charset);
    int first = width_before(glyphs, glyph_at_source(glyphs, control.scroll));
    std::size_t sel_lo = std::min(control.selection_start, control.selection_end);
    std::size_t sel_hi = std::max(control.selection_start, control.selection_end);
    int x = 0;
    for (auto const& glyph : glyphs) {
        if (x >= first) {
            bool selected = control.focused && glyph.source >= sel_lo && glyph.source < sel_hi;
            if (canvas.put(inner_left + x - first, box.row, glyph, selected ? Role::selection : Role::field,
                           inner_right)
                == 0)
                break;
        }
        x += glyph.width;
    }
    if (control.focused) {
        int caret = inner_left + width_before(glyphs, glyph_at_source(glyphs, control.caret)) - first;
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

void paint_too_small(Canvas& canvas, DialogGeometry const& g, Charset charset)
{
    auto message = too_small_message(g.window.cols, g.window.rows, canvas.cols(), canvas.rows());
    int top = std::max(0, (canvas.rows() - static_cast<int>(message.size())) / 2);
    for (std::size_t i = 0; i < message.size(); ++i) {
        std::u16string text(message[i].begin(), message[i].end());
        auto glyphs = display_glyphs(text, charset);
        int col = centred_column(display_width(glyphs), canvas.cols());
        canvas.put_glyphs(col, top + static_cast<int>(i), glyphs, Role::message, canvas.cols());
    }
}

}

DialogGeometry dialog_geometry(DialogView const& view, int screen_cols, int screen_rows)
{
    DialogGeometry g;
    g.window = from_rect(view.window_rect);
    CellRect client = from_rect(view.client_rect);
    g.fits = g.window.cols <= screen_cols && g.window.rows <= screen_rows;
    // Keep the window wholly on the screen even when the dialog manager has
    // not placed it there (yet): the whole dialog is always visible.
    int shift_col = std::clamp(g.window.col, 0, std::max(0, screen_cols - g.window.cols)) - g.window.col;
    int shift_row = std::clamp(g.window.row, 0, std::max(0, screen_rows - g.window.rows)) - g.window.row;
    g.window.col += shift_col;
    g.window.row += shift_row;
    g.client = { client.col + shift_col, client.row + shift_row, client.cols, client.rows };

    if (view.style & caption_style) {
        int right = g.window.col + g.window.cols - 1;
        int next = right - 2; // the right end of the next button, a space from the corner
        if (view.style & sysmenu_style) {
            g.caption_close = CellRect { next - 2, g.window.row, 3, 1 };
            next -= 4;
        }
        if (view.ex_style & caption_ok_style)
            g.caption_ok = CellRect { next - 3, g.window.row, 4, 1 };
    }

    for (auto const& control : view.controls) {
        if (!control.visible) {
            g.controls.push_back({});
            continue;
        }
        CellRect rect = from_rect(control.rect);
        CellRect cells { g.client.col + rect.col, g.client.row + rect.row, rect.cols, rect.rows };
        if (is_one_line(control)) {
            cells.row = g.client.row
                + std::min(std::max(0, g.client.rows - 1),
                           one_line_row(control.dialog_units.y, control.dialog_units.cy, terminal_scale));
            cells.rows = 1;
        }
        g.controls.push_back(cells);
    }
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
    // Later controls are drawn over earlier ones.
    for (std::size_t i = g.controls.size(); i-- > 0;) {
        CellRect const& cells = g.controls[i];
        if (!cells.contains(col, row) || !g.client.contains(col, row))
            continue;
        CellRect rect = from_rect(view.controls[i].rect);
        int offset_y = std::clamp(row - cells.row, 0, std::max(0, rect.rows - 1));
        return { HitTarget::Kind::control, i, col - cells.col, offset_y };
    }
    return {};
}

void paint_dialog(Canvas& canvas, DialogView const& view, DialogGeometry const& g, PaintOptions const& options)
{
    canvas.fill({ 0, 0, canvas.cols(), canvas.rows() }, Role::screen);
    canvas.cursor.reset();
    if (!g.fits) {
        paint_too_small(canvas, g, options.charset);
        return;
    }
    paint_frame(canvas, view, g, options.charset);
    int clip_right = g.client.col + g.client.cols;
    int clip_bottom = g.client.row + g.client.rows;
    for (std::size_t i = 0; i < view.controls.size() && i < g.controls.size(); ++i) {
        ControlView const& control = view.controls[i];
        CellRect box = g.controls[i];
        if (!control.visible || box.row >= clip_bottom)
            continue;
        int right = std::min(clip_right, box.col + box.cols);
        switch (control.control_class) {
        case ControlClass::Static:
            if (control.shows_icon)
                paint_icon(canvas, control, box, right, clip_bottom, options);
            else
                paint_static(canvas, control, box, right, options.charset);
            break;
        case ControlClass::Edit:
            paint_edit(canvas, control, box, right, options.charset);
            break;
        case ControlClass::Button:
            paint_button(canvas, control, box, right, options.charset);
            break;
        }
    }
}

}
