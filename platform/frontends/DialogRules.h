// The rules of how a dialog looks and where a point falls on it, decided once
// for every front end and for the dialog manager: whether the dialog has a
// title bar, which buttons the title bar holds and in which order, which
// control lies under a point, which of an icon's images is drawn at a size,
// and which characters may reach a field. A painter draws what these say and decides none of it; the dialog
// manager's own hit test asks the same questions of the same rules.
#pragma once

#include "frontends/DialogView.h"
#include "frontends/InputEvent.h"
#include "resources/IconImage.h"
#include "text/Utf.h"
#include "windows.h"

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace platform::frontends {

// What may reach a field as typed or pasted text, however it came (a key, a
// code in a terminal's key sequence, a window's text input, the clipboard):
// no C0 or C1 control, no DEL, no lone surrogate, nothing beyond U+10FFFF.
constexpr bool may_reach_a_field(char32_t c)
{
    return c >= 0x20 && !(c >= 0x7F && c < 0xA0) && text::is_scalar_value(c);
}

// A title bar takes both bits of WS_CAPTION: WS_BORDER alone is a thin line
// round the window, WS_DLGFRAME alone a frame with no bar in it.
constexpr bool has_title_bar(DWORD style)
{
    return (style & WS_CAPTION) == WS_CAPTION;
}

// The buttons in the title bar, from its right-hand end: the close button
// (WS_SYSMENU), then the OK button (WS_EX_CAPTIONOKBTN) to its left. A dialog
// without a title bar has none, whatever else its styles say.
class CaptionButtons {
public:
    constexpr CaptionButtons(DWORD style, DWORD ex_style)
    {
        if (!has_title_bar(style))
            return;
        if (style & WS_SYSMENU)
            m_buttons[m_count++] = CaptionButton::Close;
        if (ex_style & WS_EX_CAPTIONOKBTN)
            m_buttons[m_count++] = CaptionButton::Ok;
    }

    constexpr CaptionButton const* begin() const { return m_buttons.data(); }
    constexpr CaptionButton const* end() const { return m_buttons.data() + m_count; }
    constexpr std::size_t size() const { return m_count; }
    constexpr bool has(CaptionButton button) const
    {
        for (CaptionButton shown : *this) {
            if (shown == button)
                return true;
        }
        return false;
    }

private:
    std::array<CaptionButton, 2> m_buttons {};
    std::size_t m_count { 0 };
};

// What a point of the drawn dialog falls on, in every front end.
enum class HitKind {
    nothing,
    caption, // the title bar, outside its buttons: drags the dialog
    caption_ok,
    caption_close,
    control,
};

constexpr HitKind hit_kind_of(CaptionButton button)
{
    return button == CaptionButton::Ok ? HitKind::caption_ok : HitKind::caption_close;
}

// The controls lie one over another in template order, the first on top, as
// the dialog manager creates them (the first control is the top of the
// dialog's children, where GetWindow's GW_CHILD finds it). A point belongs to
// the first visible control, in template order, whose area `holds` it; each
// front end measures the areas in its own units.
template<class Holds>
std::optional<std::size_t> control_at(std::vector<ControlView> const& controls, Holds const& holds)
{
    for (std::size_t index = 0; index < controls.size(); ++index) {
        if (controls[index].visible && holds(index))
            return index;
    }
    return std::nullopt;
}

// The same for a point of the client area in front-end units, measured
// against the controls' rectangles in the snapshot.
inline std::optional<std::size_t> control_at(DialogView const& view, POINT point)
{
    return control_at(view.controls, [&](std::size_t index) {
        RECT const& r = view.controls[index].rect;
        return point.x >= r.left && point.x < r.right && point.y >= r.top && point.y < r.bottom;
    });
}

// Painters draw the controls from the bottom up, so that where two overlap
// the one on top is drawn last: the last in template order first.
template<class Draw>
void for_each_bottom_to_top(std::vector<ControlView> const& controls, Draw const& draw)
{
    for (std::size_t index = controls.size(); index-- > 0;)
        draw(index);
}

// Whether an image's pixels are all there: a damaged one is never drawn.
inline bool is_drawable(resources::IconImage const& image)
{
    return image.width > 0 && image.height > 0
        && image.pixels.size() == static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
}

// The image of an icon drawn in a box of `width` x `height` pixels: the
// smallest one that covers the box both ways (the one of exactly that size
// when there is one), or else the largest. The first of equal ones wins.
// nullptr when no image can be drawn.
inline resources::IconImage const* icon_image_for_box(std::span<resources::IconImage const> images, int width,
                                                      int height)
{
    auto area = [](resources::IconImage const& image) {
        return static_cast<long long>(image.width) * image.height;
    };
    resources::IconImage const* smallest_covering = nullptr;
    resources::IconImage const* largest = nullptr;
    for (auto const& image : images) {
        if (!is_drawable(image))
            continue;
        if (image.width >= width && image.height >= height
            && (!smallest_covering || area(image) < area(*smallest_covering)))
            smallest_covering = &image;
        if (!largest || area(image) > area(*largest))
            largest = &image;
    }
    return smallest_covering ? smallest_covering : largest;
}

}
