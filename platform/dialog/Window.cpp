// The part of window behaviour that every window shares: handle, text, notifications.
#include "dialog/Window.h"

#include "dialog/WindowTable.h"

#include <algorithm>

namespace platform::dialog {

Window::Window(Window* parent)
    : m_parent(parent)
{
    m_handle = register_window(*this);
}

Window::~Window()
{
    retire();
}

DialogWindow* Window::dialog()
{
    return m_parent ? m_parent->dialog() : nullptr;
}

void Window::retire()
{
    if (m_handle) {
        unregister_window(m_handle);
        m_handle = nullptr;
    }
}

LRESULT Window::window_proc(UINT message, WPARAM wparam, LPARAM lparam)
{
    return default_proc(message, wparam, lparam);
}

LRESULT Window::default_proc(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_SETTEXT: {
        auto const* text = reinterpret_cast<LPCWSTR>(lparam);
        m_text = text ? std::u16string(text) : std::u16string();
        text_changed();
        return TRUE;
    }
    case WM_GETTEXT:
        return copy_text(wparam, lparam);
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(m_text.size());
    default:
        return 0;
    }
}

// WM_GETTEXT: as much of the text as fits with its terminating zero; nothing
// at all written when there is no room.
LRESULT Window::copy_text(WPARAM room, LPARAM buffer) const
{
    auto* out = reinterpret_cast<LPWSTR>(buffer);
    if (!out || room == 0)
        return 0;
    std::size_t const count = std::min<std::size_t>(m_text.size(), room - 1);
    std::copy_n(m_text.data(), count, out);
    out[count] = u'\0';
    return static_cast<LRESULT>(count);
}

void Window::notify_parent(WORD code)
{
    if (!m_parent || !m_handle)
        return;
    HWND const parent = m_parent->handle();
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(LOWORD(m_id), code), reinterpret_cast<LPARAM>(m_handle));
}

}
