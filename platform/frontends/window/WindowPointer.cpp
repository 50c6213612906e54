// The pointer on the window: presses, drags and releases.
#include "frontends/window/WindowFrontEnd.h"

#include "text/Utf.h"
#include "windows.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>

namespace platform::frontends::window {

bool WindowFrontEnd::drag_scrolls() const
{
    if (!m_view || !m_held || !m_held_offset || m_held->kind != Target::Kind::control
        || m_held->index >= m_view->controls.size())
        return false;
    RECT const& r = m_view->controls[m_held->index].rect;
    return m_held_offset->x < 0 || m_held_offset->x >= r.right - r.left;
}

POINT WindowFrontEnd::control_offset(std::size_t index, POINT screen) const
{
    RECT const& client = m_view->client_rect;
    RECT const& r = m_view->controls[index].rect;
    return { screen.x - client.left - r.left, screen.y - client.top - r.top };
}

bool WindowFrontEnd::pointer_over_held(POINT screen) const
{
    if (!m_held || !m_view)
        return false;
    Fonts const fonts { *m_dialog_font, *m_caption_font };
    ScreenGeometry const geometry = screen_geometry(*m_view, fonts);
    switch (m_held->kind) {
    case Target::Kind::caption_ok:
        return geometry.caption_ok && geometry.caption_ok->contains(screen.x, screen.y);
    case Target::Kind::caption_close:
        return geometry.caption_close && geometry.caption_close->contains(screen.x, screen.y);
    case Target::Kind::control: {
        RECT const& r = m_view->controls[m_held->index].rect;
        POINT const offset = control_offset(m_held->index, screen);
        return offset.x >= 0 && offset.y >= 0 && offset.x < r.right - r.left && offset.y < r.bottom - r.top;
    }
    case Target::Kind::caption:
    case Target::Kind::nothing: return false;
    }
    return false;
}

void WindowFrontEnd::pointer_down(int x, int y, bool shift, std::uint32_t time)
{
    auto const screen = to_screen(x, y);
    if (!screen || !m_view)
        return;
    // A second press soon after the first, within a few pixels of it, is a
    // double click; a third starts again.
    bool double_click = false;
    if (m_last_press && time - m_last_press->time <= static_cast<std::uint32_t>(Metrics::double_click_ms)
        && std::labs(screen->x - m_last_press->point.x) <= Metrics::double_click_width / 2
        && std::labs(screen->y - m_last_press->point.y) <= Metrics::double_click_height / 2) {
        double_click = true;
        m_last_press.reset();
    } else {
        m_last_press = LastPress { time, *screen };
    }
    Fonts const fonts { *m_dialog_font, *m_caption_font };
    Target const target = hit_test(*m_view, screen_geometry(*m_view, fonts), screen->x, screen->y);
    if (target.kind == Target::Kind::nothing)
        return;
    if (target.kind == Target::Kind::caption) {
        POINT const origin { m_view->window_rect.left, m_view->window_rect.top };
        m_drag = CaptionDrag { *screen, origin, origin };
        return;
    }
    m_held = target;
    m_held_over = true;
    m_held_offset.reset();
    if (target.kind == Target::Kind::control) {
        auto const& control = m_view->controls[target.index];
        if (!control.enabled || control.control_class == ControlClass::Static) {
            m_held.reset();
            return;
        }
        m_pending.push_back(PointerPress { target.index, control_offset(target.index, *screen), shift, double_click });
    }
    draw(false);
}

// The middle button pastes X's PRIMARY selection where it is pressed in a
// field, as in every X program.
void WindowFrontEnd::middle_click(int x, int y)
{
    auto const screen = to_screen(x, y);
    if (!screen || !m_view || m_held || m_drag)
        return;
    Fonts const fonts { *m_dialog_font, *m_caption_font };
    Target const target = hit_test(*m_view, screen_geometry(*m_view, fonts), screen->x, screen->y);
    if (target.kind != Target::Kind::control)
        return;
    auto const& control = m_view->controls[target.index];
    if (!control.enabled || control.control_class != ControlClass::Edit)
        return;
    POINT const offset = control_offset(target.index, *screen);
    m_pending.push_back(PointerPress { target.index, offset, false, false });
    m_pending.push_back(PointerRelease { offset });
    // The press and what came before it go first; what comes after waits.
    if (!request_selection(true, m_pending.size())) {
        char* const text = SDL_GetPrimarySelectionText();
        if (text && *text)
            m_pending.push_back(PasteText { text::to_utf16(text) });
        SDL_free(text);
    }
}

void WindowFrontEnd::pointer_moved(int x, int y)
{
    if (m_drag) {
        auto const screen = to_screen(x, y);
        if (!screen)
            return;
        // The pointer is held to the screen, so that the title bar stays
        // within reach.
        LONG const px = std::clamp<LONG>(screen->x, 0, m_settings.screen.cx - 1);
        LONG const py = std::clamp<LONG>(screen->y, 0, m_settings.screen.cy - 1);
        POINT const to { m_drag->origin.x + px - m_drag->grab.x, m_drag->origin.y + py - m_drag->grab.y };
        if (to.x != m_drag->last.x || to.y != m_drag->last.y) {
            m_drag->last = to;
            m_pending.push_back(DialogMove { to });
        }
        return;
    }
    if (!m_held)
        return;
    auto const screen = to_screen(x, y);
    if (!screen)
        return;
    bool const over = pointer_over_held(*screen);
    if (m_held->kind == Target::Kind::control
        && m_view->controls[m_held->index].control_class == ControlClass::Edit) {
        m_held_offset = control_offset(m_held->index, *screen);
        m_pending.push_back(PointerMove { *m_held_offset });
        m_drag_scroll_next = Clock::now() + drag_scroll_pace;
    }
    if (over != m_held_over) {
        m_held_over = over;
        draw(false);
    }
}

void WindowFrontEnd::pointer_up(int x, int y)
{
    if (m_drag) {
        pointer_moved(x, y);
        m_drag.reset();
        return;
    }
    if (!m_held)
        return;
    Target const held = *m_held;
    auto const screen = to_screen(x, y);
    bool const over = screen && pointer_over_held(*screen);
    m_held.reset();
    m_held_offset.reset();
    m_held_over = false;
    switch (held.kind) {
    case Target::Kind::caption_ok:
        if (over)
            m_pending.push_back(CaptionClick { CaptionButton::Ok });
        break;
    case Target::Kind::caption_close:
        if (over)
            m_pending.push_back(CaptionClick { CaptionButton::Close });
        break;
    case Target::Kind::control:
        // Released outside, the offset lies outside the control and the
        // control does nothing.
        m_pending.push_back(PointerRelease { screen ? control_offset(held.index, *screen) : POINT { -1, -1 } });
        break;
    case Target::Kind::caption:
    case Target::Kind::nothing: break;
    }
    draw(false);
}

}
