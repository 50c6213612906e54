// Push buttons: pressed on the key or button going down, clicked when it comes
// up again over the button.
#include "dialog/ButtonControl.h"

namespace platform::dialog {

ButtonControl::ButtonControl(DialogWindow& dialog)
    : Control(dialog)
{
}

bool ButtonControl::is_push_button() const
{
    auto const kind = style() & BS_TYPEMASK;
    return kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON;
}

bool ButtonControl::is_default_style() const
{
    return (style() & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

void ButtonControl::describe(frontends::ControlView& view) const
{
    view.is_default = is_default_style();
    view.pushed = m_pressed && m_by_space;
}

void ButtonControl::click()
{
    notify_parent(BN_CLICKED);
}

LRESULT ButtonControl::window_proc(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_GETDLGCODE:
        if (!is_push_button())
            return (style() & BS_TYPEMASK) == BS_GROUPBOX ? DLGC_STATIC : DLGC_BUTTON;
        return DLGC_BUTTON | (is_default_style() ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case BM_SETSTYLE:
        set_style((style() & ~0xFFFFu) | LOWORD(wparam));
        return 0;
    // Space pushes the button in as it goes down (again and again while it
    // repeats) and clicks it as it comes up, unless the focus left the button
    // meanwhile (WM_KILLFOCUS lets it out without a click).
    case WM_KEYDOWN:
        if (wparam == VK_SPACE && (!m_pressed || m_by_space)) {
            m_pressed = true;
            m_by_space = true;
        }
        return 0;
    case WM_KEYUP:
        if (wparam == VK_SPACE && m_pressed && m_by_space) {
            m_pressed = false;
            m_by_space = false;
            click();
        }
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(handle());
        m_pressed = true;
        m_by_space = false;
        return 0;
    case WM_LBUTTONUP: {
        bool const was_pressed = m_pressed;
        m_pressed = false;
        int const x = static_cast<short>(LOWORD(lparam));
        int const y = static_cast<short>(HIWORD(lparam));
        bool const inside = x >= 0 && y >= 0 && x < rect().right - rect().left && y < rect().bottom - rect().top;
        if (was_pressed && inside)
            click();
        return 0;
    }
    case WM_KILLFOCUS:
        m_pressed = false;
        m_by_space = false;
        return 0;
    case BM_CLICK:
        SendMessageW(handle(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
        SendMessageW(handle(), WM_LBUTTONUP, 0, 0);
        return 0;
    default:
        return default_proc(message, wparam, lparam);
    }
}

}
