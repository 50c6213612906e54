// Statics take no focus and no input; with SS_NOTIFY a click is reported.
#include "dialog/StaticControl.h"

namespace platform::dialog {

StaticControl::StaticControl(DialogWindow& dialog)
    : Control(dialog)
{
}

void StaticControl::describe(frontends::ControlView& view) const
{
    view.shows_icon = shows_icon();
    view.icon = m_icon;
}

LRESULT StaticControl::window_proc(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case STM_SETICON: {
        HICON const previous = m_icon;
        m_icon = reinterpret_cast<HICON>(wparam);
        return reinterpret_cast<LRESULT>(previous);
    }
    case STM_GETICON:
        return reinterpret_cast<LRESULT>(m_icon);
    case WM_LBUTTONUP:
        if (style() & SS_NOTIFY)
            notify_parent(STN_CLICKED);
        return 0;
    default:
        return default_proc(message, wparam, lparam);
    }
}

}
