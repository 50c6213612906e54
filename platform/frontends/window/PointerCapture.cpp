// What a press, a drag and a release of the primary button mean to the
// dialog, from the part of the screen the press found.
#include "frontends/window/PointerCapture.h"

#include <algorithm>
#include <cstdlib>

namespace platform::frontends::window {

POINT offset_in_control(DialogView const& view, std::size_t index, POINT screen)
{
    RECT const& client = view.client_rect;
    RECT const& r = view.controls[index].rect;
    return { screen.x - client.left - r.left, screen.y - client.top - r.top };
}

bool PointerCapture::over_held(DialogView const& view, Fonts const& fonts, POINT screen) const
{
    if (!m_held)
        return false;
    ScreenGeometry const geometry = screen_geometry(view, fonts);
    switch (m_held->kind) {
    case Target::Kind::caption_ok:
        return geometry.caption_ok && geometry.caption_ok->contains(screen.x, screen.y);
    case Target::Kind::caption_close:
        return geometry.caption_close && geometry.caption_close->contains(screen.x, screen.y);
    case Target::Kind::control: {
        RECT const& r = view.controls[m_held->index].rect;
        POINT const offset = offset_in_control(view, m_held->index, screen);
        return offset.x >= 0 && offset.y >= 0 && offset.x < r.right - r.left && offset.y < r.bottom - r.top;
    }
    case Target::Kind::caption:
    case Target::Kind::nothing: return false;
    }
    return false;
}

bool PointerCapture::press(DialogView const& view, Fonts const& fonts, POINT screen, bool shift, std::uint32_t time,
                           std::deque<InputEvent>& out)
{
    // A second press soon after the first, within a few pixels of it, is a
    // double click; a third starts again.
    bool double_click = false;
    if (m_last_press && time - m_last_press->time <= static_cast<std::uint32_t>(Metrics::double_click_ms)
        && std::labs(screen.x - m_last_press->point.x) <= Metrics::double_click_width / 2
        && std::labs(screen.y - m_last_press->point.y) <= Metrics::double_click_height / 2) {
        double_click = true;
        m_last_press.reset();
    } else {
        m_last_press = LastPress { time, screen };
    }
    Target const target = hit_test(view, screen_geometry(view, fonts), screen.x, screen.y);
    if (target.kind == Target::Kind::nothing)
        return false;
    if (target.kind == Target::Kind::caption) {
        POINT const origin { view.window_rect.left, view.window_rect.top };
        m_drag = CaptionDrag { screen, origin, origin };
        return false;
    }
    m_held = target;
    m_held_over = true;
    m_held_offset.reset();
    if (target.kind == Target::Kind::control) {
        auto const& control = view.controls[target.index];
        if (!control.enabled || control.control_class == ControlClass::Static) {
            m_held.reset();
            return false;
        }
        out.push_back(PointerPress { target.index, offset_in_control(view, target.index, screen), shift, double_click });
    }
    return true;
}

bool PointerCapture::move(DialogView const& view, Fonts const& fonts, SIZE screen_size, std::optional<POINT> screen,
                          std::deque<InputEvent>& out)
{
    if (!screen)
        return false;
    if (m_drag) {
        // The pointer is held to the screen, so that the title bar stays
        // within reach.
        LONG const px = std::clamp<LONG>(screen->x, 0, screen_size.cx - 1);
        LONG const py = std::clamp<LONG>(screen->y, 0, screen_size.cy - 1);
        POINT const to { m_drag->origin.x + px - m_drag->grab.x, m_drag->origin.y + py - m_drag->grab.y };
        if (to.x != m_drag->last.x || to.y != m_drag->last.y) {
            m_drag->last = to;
            out.push_back(DialogMove { to });
        }
        return false;
    }
    if (!m_held)
        return false;
    bool const over = over_held(view, fonts, *screen);
    if (m_held->kind == Target::Kind::control && view.controls[m_held->index].control_class == ControlClass::Edit) {
        m_held_offset = offset_in_control(view, m_held->index, *screen);
        out.push_back(PointerMove { *m_held_offset });
        m_drag_scroll_next = Clock::now() + drag_scroll_pace;
    }
    if (over == m_held_over)
        return false;
    m_held_over = over;
    return true;
}

bool PointerCapture::release(DialogView const& view, Fonts const& fonts, SIZE screen_size, std::optional<POINT> screen,
                             std::deque<InputEvent>& out)
{
    if (m_drag) {
        move(view, fonts, screen_size, screen, out);
        m_drag.reset();
        return false;
    }
    if (!m_held)
        return false;
    bool const over = screen && over_held(view, fonts, *screen);
    Target const held = *m_held;
    m_held.reset();
    m_held_offset.reset();
    m_held_over = false;
    switch (held.kind) {
    case Target::Kind::caption_ok:
        if (over)
            out.push_back(CaptionClick { CaptionButton::Ok });
        break;
    case Target::Kind::caption_close:
        if (over)
            out.push_back(CaptionClick { CaptionButton::Close });
        break;
    case Target::Kind::control:
        // Released outside, the offset lies outside the control and the
        // control does nothing.
        out.push_back(PointerRelease { screen ? offset_in_control(view, held.index, *screen) : POINT { -1, -1 } });
        break;
    case Target::Kind::caption:
    case Target::Kind::nothing: break;
    }
    return true;
}

void PointerCapture::lose(std::deque<InputEvent>& out)
{
    m_drag.reset();
    if (m_held) {
        m_held.reset();
        m_held_offset.reset();
        out.push_back(PointerRelease { { -1, -1 } });
    }
}

void PointerCapture::reset()
{
    m_held.reset();
    m_held_offset.reset();
    m_drag.reset();
    m_last_press.reset();
}

std::optional<Target> PointerCapture::sunk(DialogView const& view) const
{
    if (!m_held || !m_held_over || m_held->kind == Target::Kind::nothing)
        return std::nullopt;
    bool const pushable
        = m_held->kind != Target::Kind::control || view.controls[m_held->index].control_class == ControlClass::Button;
    return pushable ? m_held : std::nullopt;
}

std::optional<PointerCapture::Clock::time_point> PointerCapture::drag_scroll_due(DialogView const& view) const
{
    if (!m_held || !m_held_offset || m_held->kind != Target::Kind::control || m_held->index >= view.controls.size())
        return std::nullopt;
    RECT const& r = view.controls[m_held->index].rect;
    if (m_held_offset->x >= 0 && m_held_offset->x < r.right - r.left)
        return std::nullopt;
    return m_drag_scroll_next;
}

InputEvent PointerCapture::drag_scroll_step(Clock::time_point now)
{
    m_drag_scroll_next = now + drag_scroll_pace;
    return PointerMove { m_held_offset.value_or(POINT { 0, 0 }) };
}

}
