// The classic look, drawn element by element: bevels from four roles (light,
// highlight, shadow, dark shadow), text in the dialog font, nothing else.
#include "frontends/window/Painter.h"

#include "frontends/DialogRules.h"
#include "resources/Icon.h"
#include "windows.h"

#include <algorithm>

namespace platform::frontends::window {

namespace {

PixelRect pixel_rect(RECT const& r)
{
    return { static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right - r.left),
             static_cast<int>(r.bottom - r.top) };
}

int frame_width(DWORD style)
{
    if ((style & WS_DLGFRAME) || (style & DS_MODALFRAME))
        return Metrics::dialog_frame;
    return (style & WS_BORDER) ? Metrics::border : 0;
}

// One ring of a bevel: `top_left` on the top and left lines, `bottom_right`
// on the bottom and right ones (which own the corners they share).
void bevel_ring(Canvas& canvas, PixelRect const& r, Role top_left, Role bottom_right)
{
    if (r.w <= 0 || r.h <= 0)
        return;
    canvas.horizontal(r.x, r.y, r.w - 1, colour(top_left));
    canvas.vertical(r.x, r.y, r.h - 1, colour(top_left));
    canvas.horizontal(r.x, r.y + r.h - 1, r.w, colour(bottom_right));
    canvas.vertical(r.x + r.w - 1, r.y, r.h, colour(bottom_right));
}

// A raised edge with the soft look of push buttons, or the sunken one.
void button_edge(Canvas& canvas, PixelRect const& r, bool sunk)
{
    if (sunk) {
        bevel_ring(canvas, r, Role::dark_shadow, Role::button_highlight);
        bevel_ring(canvas, r.inset(1), Role::button_shadow, Role::button_light);
    } else {
        bevel_ring(canvas, r, Role::button_highlight, Role::dark_shadow);
        bevel_ring(canvas, r.inset(1), Role::button_light, Role::button_shadow);
    }
}

void paint_centred_text(Canvas& canvas, DeviceFont const& font, PixelRect const& r, std::u16string_view text,
                        Rgb rgb, int shift)
{
    ClipScope const clip(canvas, r);
    int const width = font.extent(text);
    int const x = r.x + (r.w - width) / 2 + shift;
    int const y = r.y + (r.h - font.height()) / 2 + shift;
    font.draw(canvas, x, y, text, rgb, r.x + r.w);
}

// The push-button look shared by controls and caption buttons: the face,
// the edge, sunk while held.
void paint_button_face(Canvas& canvas, PixelRect r, bool is_default, bool sunk)
{
    if (is_default) {
        canvas.frame(r, colour(Role::window_frame));
        r = r.inset(1);
    }
    canvas.fill(r, colour(Role::button_face));
    if (sunk && is_default)
        canvas.frame(r, colour(Role::button_shadow));
    else
        button_edge(canvas, r, sunk);
}

void paint_push_button(Canvas& canvas, Fonts const& fonts, ControlView const& control, PixelRect const& r,
                       bool sunk, bool active)
{
    bool const is_default = control.is_default || (control.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    paint_button_face(canvas, r, is_default, sunk);
    PixelRect const inside = is_default ? r.inset(1) : r;
    Rgb const text = control.enabled ? colour(Role::button_text) : colour(Role::gray_text);
    paint_centred_text(canvas, fonts.dialog, inside.inset(2), control.text, text, sunk ? 1 : 0);
    if (control.focused && active)
        canvas.dotted_invert(inside.inset(Metrics::focus_inset + 1));
}

void paint_edit(Canvas& canvas, Fonts const& fonts, ControlView const& control, PixelRect const& r,
                PaintState const& state)
{
    if (control.style & WS_BORDER) {
        canvas.frame(r, colour(Role::window_frame));
        canvas.fill(r.inset(1), colour(Role::window));
    } else {
        canvas.fill(r, colour(Role::window));
    }
    RECT const area_in_control = edit_text_area({ 0, 0, r.w, r.h }, control.style);
    PixelRect const area { r.x + static_cast<int>(area_in_control.left), r.y + static_cast<int>(area_in_control.top),
                           static_cast<int>(area_in_control.right - area_in_control.left),
                           static_cast<int>(area_in_control.bottom - area_in_control.top) };
    ClipScope const clip(canvas, area);
    DeviceFont const& font = fonts.dialog;
    // A single-line edit's line sits at the top of its formatting rectangle.
    int const y = area.y;
    // The focus leaves the field when the host window is deactivated, as on
    // the device when another window is: the selection hides with it.
    bool const show_selection = (control.focused && state.active) || (control.style & ES_NOHIDESEL);
    Rgb const text_colour = control.enabled ? colour(Role::window_text) : colour(Role::gray_text);
    std::u16string_view const text(control.text);
    int const right = area.x + area.w;
    int x = area.x;
    std::optional<int> caret_x;
    // Only what fits is measured and drawn: from the first character shown
    // to the first one past the right edge.
    std::size_t i = std::min(control.scroll, text.size());
    for (; i < text.size() && x < right;) {
        if (i == control.caret)
            caret_x = x;
        DeviceFont::Piece const piece = font.piece_at(text, i);
        int const advance = font.advance(piece);
        bool const selected = show_selection && i >= control.selection_start && i < control.selection_end;
        if (selected)
            canvas.fill({ x, y, advance, font.height() }, colour(Role::highlight));
        font.draw(canvas, x, y, text.substr(i, piece.units), selected ? colour(Role::highlight_text) : text_colour);
        x += advance;
        i += piece.units;
    }
    if (i == control.caret && x < right + 1)
        caret_x = x;
    if (control.focused && state.active && state.caret_on && caret_x)
        canvas.invert({ *caret_x, y, Metrics::caret_width, font.height() });
}

// Where the first line of a text wrapped at `width` ends: the longest run of
// whole words that fits, at least one word (cut at the edge when it is wider).
std::size_t wrapped_line_end(DeviceFont const& font, std::u16string_view rest, int width)
{
    if (font.extent(rest) <= width)
        return rest.size();
    std::size_t fitting = 0;
    int taken = 0;
    std::size_t i = 0;
    while (i < rest.size()) {
        std::size_t word_end = rest.find(u' ', i);
        if (word_end == rest.npos)
            word_end = rest.size();
        taken += font.extent(rest.substr(i, word_end - i));
        if (taken > width && fitting > 0)
            break;
        fitting = word_end;
        if (taken > width)
            break;
        if (word_end < rest.size())
            taken += font.extent(rest.substr(word_end, 1));
        i = word_end + 1;
    }
    return std::max<std::size_t>(fitting, 1);
}

// The rest of a wrapped text, after its first line and the spaces that ended it.
std::u16string_view after_line(std::u16string_view rest, std::size_t end)
{
    rest.remove_prefix(end);
    while (!rest.empty() && rest.front() == u' ')
        rest.remove_prefix(1);
    return rest;
}

// SS_LEFT (and SS_CENTER, SS_RIGHT): words wrap at spaces, a word wider than
// the control is cut at its edge, lines below the control are not drawn.
// Every character is drawn, line breaks included: a text cannot move itself
// about.
void paint_static_text(Canvas& canvas, Fonts const& fonts, ControlView const& control, PixelRect const& r)
{
    ClipScope const clip(canvas, r);
    DeviceFont const& font = fonts.dialog;
    DWORD const kind = control.style & SS_TYPEMASK;
    bool const wraps = kind == SS_LEFT || kind == SS_CENTER || kind == SS_RIGHT;
    Rgb const rgb = control.enabled ? colour(Role::window_text) : colour(Role::gray_text);
    std::u16string_view rest(control.text);
    int y = r.y;
    while (y < r.y + r.h) {
        std::size_t const end = wraps ? wrapped_line_end(font, rest, r.w) : rest.size();
        std::u16string_view const line = rest.substr(0, end);
        int const width = font.extent(line);
        int x = r.x;
        if (kind == SS_CENTER)
            x = r.x + (r.w - width) / 2;
        else if (kind == SS_RIGHT)
            x = r.x + r.w - width;
        font.draw(canvas, x, y, line, rgb, r.x + r.w);
        rest = after_line(rest, end);
        if (rest.empty() || !wraps)
            break;
        y += font.height();
    }
}

// The device's notices, as the terminal shows them below its dialog: along
// the screen's bottom edge, each line centred, wrapped at spaces, on the
// colours of a tip. On a screen the dialog fills they lie over its lower
// edge, as the device's own notifications lie over the program in front,
// and take the clicks there.
void place_notices(ScreenGeometry& geometry, DialogView const& view, DeviceFont const& font)
{
    int const width = static_cast<int>(view.screen.cx) - 2 * Metrics::notice_margin;
    if (view.notices.empty() || width <= 0)
        return;
    for (DeviceNotice const& notice : view.notices) {
        for (std::u16string_view rest = notice_text(notice.kind); !rest.empty();) {
            std::size_t const end = wrapped_line_end(font, rest, width);
            geometry.notice_lines.push_back(rest.substr(0, end));
            rest = after_line(rest, end);
        }
    }
    int const height = static_cast<int>(geometry.notice_lines.size()) * font.height() + 2 * Metrics::notice_margin
        + Metrics::border;
    geometry.notices = PixelRect { 0, static_cast<int>(view.screen.cy) - height, static_cast<int>(view.screen.cx),
                                   height };
}

void paint_notices(Canvas& canvas, ScreenGeometry const& geometry, DeviceFont const& font)
{
    if (!geometry.notices)
        return;
    PixelRect const& strip = *geometry.notices;
    canvas.fill(strip, colour(Role::info_background));
    canvas.horizontal(strip.x, strip.y, strip.w, colour(Role::window_frame));
    int const width = strip.w - 2 * Metrics::notice_margin;
    int y = strip.y + Metrics::border + Metrics::notice_margin;
    for (std::u16string_view const line : geometry.notice_lines) {
        int const x = strip.x + Metrics::notice_margin + std::max(0, (width - font.extent(line)) / 2);
        font.draw(canvas, x, y, line, colour(Role::info_text), strip.x + Metrics::notice_margin + width);
        y += font.height();
    }
}

// SS_ICON: the 32 x 32 image at the control's top-left corner, transparent
// where its mask says.
void paint_icon(Canvas& canvas, ControlView const& control, PixelRect const& r)
{
    if (!control.icon)
        return;
    resources::IconImage const* image
        = icon_image_for_box(resources::icon_images(control.icon), Metrics::icon_size, Metrics::icon_size);
    if (!image)
        return;
    int const size = Metrics::icon_size;
    for (int y = 0; y < std::min(size, image->height); ++y) {
        for (int x = 0; x < std::min(size, image->width); ++x) {
            DWORD const argb = image->pixel(x, y);
            if ((argb >> 24) >= 0x80)
                canvas.put(r.x + x, r.y + y, argb & 0xFFFFFF);
        }
    }
}

// The close button's cross, 8 x 7 pixels, two pixels thick.
void paint_cross(Canvas& canvas, PixelRect const& r, int shift, Rgb rgb)
{
    int const x = r.x + (r.w - 8) / 2 + shift;
    int const y = r.y + (r.h - 7) / 2 + shift;
    for (int i = 0; i < 7; ++i) {
        canvas.put(x + i, y + i, rgb);
        canvas.put(x + i + 1, y + i, rgb);
        canvas.put(x + 6 - i, y + i, rgb);
        canvas.put(x + 7 - i, y + i, rgb);
    }
}

void paint_frame(Canvas& canvas, DialogView const& view, PixelRect const& window)
{
    int const frame = frame_width(view.style);
    if (frame >= Metrics::dialog_frame) {
        bevel_ring(canvas, window, Role::button_light, Role::dark_shadow);
        bevel_ring(canvas, window.inset(1), Role::button_highlight, Role::button_shadow);
        for (int i = 2; i < frame; ++i)
            canvas.frame(window.inset(i), colour(Role::button_face));
    } else if (frame == Metrics::border) {
        canvas.frame(window, colour(Role::window_frame));
    }
}

void paint_caption(Canvas& canvas, DialogView const& view, Fonts const& fonts, ScreenGeometry const& geometry,
                   PaintState const& state)
{
    PixelRect const bar = *geometry.caption;
    canvas.fill(bar, colour(state.active ? Role::active_caption : Role::inactive_caption));
    int text_right = bar.x + bar.w;
    if (geometry.caption_ok)
        text_right = geometry.caption_ok->x;
    else if (geometry.caption_close)
        text_right = geometry.caption_close->x;
    PixelRect const text_box { bar.x + Metrics::caption_text_left, bar.y,
                               text_right - Metrics::caption_button_inset - bar.x - Metrics::caption_text_left, bar.h };
    {
        ClipScope const clip(canvas, text_box);
        int const y = bar.y + (bar.h - fonts.caption.height()) / 2;
        fonts.caption.draw(canvas, text_box.x, y, view.caption,
                           colour(state.active ? Role::caption_text : Role::inactive_caption_text), text_box.x + text_box.w);
    }
    auto sunk = [&state](Target::Kind kind) { return state.sunk && state.sunk->kind == kind; };
    if (geometry.caption_ok) {
        bool const down = sunk(Target::Kind::caption_ok);
        paint_button_face(canvas, *geometry.caption_ok, false, down);
        paint_centred_text(canvas, fonts.caption, geometry.caption_ok->inset(2), u"OK", colour(Role::button_text),
                           down ? 1 : 0);
    }
    if (geometry.caption_close) {
        bool const down = sunk(Target::Kind::caption_close);
        paint_button_face(canvas, *geometry.caption_close, false, down);
        paint_cross(canvas, *geometry.caption_close, down ? 1 : 0, colour(Role::button_text));
    }
}

}

Insets dialog_insets(DWORD style, DWORD)
{
    int const frame = frame_width(style);
    int const caption = has_title_bar(style) ? Metrics::caption_height : 0;
    return { frame, frame + caption, frame, frame };
}

RECT edit_text_area(RECT const& control, DWORD style)
{
    LONG const edge = (style & WS_BORDER) ? Metrics::border : 0;
    LONG const left = control.left + edge + Metrics::edit_margin;
    LONG const right = std::max(left, control.right - edge - Metrics::edit_margin);
    LONG const top = control.top + edge;
    LONG const bottom = std::max(top, control.bottom - edge);
    return { left, top, right, bottom };
}

ScreenGeometry screen_geometry(DialogView const& view, Fonts const& fonts)
{
    ScreenGeometry geometry;
    geometry.window = pixel_rect(view.window_rect);
    geometry.client = pixel_rect(view.client_rect);
    place_notices(geometry, view, fonts.dialog);
    if (!has_title_bar(view.style))
        return geometry;
    int const frame = frame_width(view.style);
    PixelRect const bar { geometry.window.x + frame, geometry.window.y + frame, geometry.window.w - 2 * frame,
                          Metrics::caption_height };
    geometry.caption = bar;
    int const inset = Metrics::caption_button_inset;
    int const height = bar.h - 2 * inset;
    int right = bar.x + bar.w - inset;
    for (CaptionButton button : CaptionButtons(view.style, view.ex_style)) {
        if (button == CaptionButton::Close) {
            geometry.caption_close = PixelRect { right - Metrics::caption_button_width, bar.y + inset,
                                                 Metrics::caption_button_width, height };
            right -= Metrics::caption_button_width + inset;
        } else {
            int const width = fonts.caption.extent(u"OK") + 2 * Metrics::caption_ok_padding + 4;
            geometry.caption_ok = PixelRect { right - width, bar.y + inset, width, height };
            right -= width + inset;
        }
    }
    return geometry;
}

Target hit_test(DialogView const& view, ScreenGeometry const& geometry, int x, int y)
{
    if (geometry.notices && geometry.notices->contains(x, y))
        return {};
    if (geometry.caption_ok && geometry.caption_ok->contains(x, y))
        return { Target::Kind::caption_ok, 0 };
    if (geometry.caption_close && geometry.caption_close->contains(x, y))
        return { Target::Kind::caption_close, 0 };
    if (geometry.caption && geometry.caption->contains(x, y))
        return { Target::Kind::caption, 0 };
    if (!geometry.client.contains(x, y))
        return {};
    if (auto const index = control_at(view, POINT { x - geometry.client.x, y - geometry.client.y }))
        return { Target::Kind::control, *index };
    return {};
}

namespace {

void paint_dialog(Canvas& canvas, DialogView const& view, ScreenGeometry const& geometry, Fonts const& fonts,
                  PaintState const& state)
{
    canvas.fill(geometry.window, colour(Role::button_face));
    paint_frame(canvas, view, geometry.window);
    if (geometry.caption)
        paint_caption(canvas, view, fonts, geometry, state);
    ClipScope const client_clip(canvas, geometry.client);
    for_each_bottom_to_top(view.controls, [&](std::size_t i) {
        auto const& control = view.controls[i];
        if (!control.visible)
            return;
        PixelRect r = pixel_rect(control.rect);
        r.x += geometry.client.x;
        r.y += geometry.client.y;
        // An icon control takes the icon's size, whatever the template said.
        bool const icon = control.control_class == ControlClass::Static
            && (control.shows_icon || (control.style & SS_TYPEMASK) == SS_ICON);
        ClipScope const control_clip(canvas, icon ? PixelRect { r.x, r.y, Metrics::icon_size, Metrics::icon_size } : r);
        bool const sunk
            = control.pushed || (state.sunk && state.sunk->kind == Target::Kind::control && state.sunk->index == i);
        switch (control.control_class) {
        case ControlClass::Button:
            paint_push_button(canvas, fonts, control, r, sunk, state.active);
            break;
        case ControlClass::Edit:
            paint_edit(canvas, fonts, control, r, state);
            break;
        case ControlClass::Static:
            if (icon)
                paint_icon(canvas, control, r);
            else
                paint_static_text(canvas, fonts, control, r);
            break;
        }
    });
}

}

void paint_screen(Canvas& canvas, DialogView const& view, Fonts const& fonts, PaintState const& state)
{
    canvas.reset_clip();
    canvas.fill({ 0, 0, canvas.width(), canvas.height() }, colour(Role::desktop));
    ScreenGeometry const geometry = screen_geometry(view, fonts);
    if (view.style & WS_VISIBLE)
        paint_dialog(canvas, view, geometry, fonts, state);
    canvas.reset_clip();
    paint_notices(canvas, geometry, fonts.dialog);
}

}
