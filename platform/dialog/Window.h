// A window of the device's windowing system: its handle, styles, text and place.
// Dialog boxes and each kind of control derive from it and answer the messages
// that are theirs; what they do not handle falls to default_proc.
#pragma once

#include "windows.h"

#include <string>

namespace platform::dialog {

class DialogWindow;

class Window {
public:
    virtual ~Window();

    Window(Window const&) = delete;
    Window& operator=(Window const&) = delete;

    HWND handle() const { return m_handle; }
    Window* parent() const { return m_parent; }
    // The dialog box that this window is (for the dialog itself) or sits in.
    virtual DialogWindow* dialog();

    // The window's own processing of one message.
    virtual LRESULT window_proc(UINT message, WPARAM wparam, LPARAM lparam);
    // What every window does with a message it leaves alone.
    LRESULT default_proc(UINT message, WPARAM wparam, LPARAM lparam);

    DWORD style() const { return m_style; }
    void set_style(DWORD style) { m_style = style; }
    DWORD ex_style() const { return m_ex_style; }
    void set_ex_style(DWORD ex_style) { m_ex_style = ex_style; }
    DWORD id() const { return m_id; }
    void set_id(DWORD id) { m_id = id; }
    bool is_visible() const { return (m_style & WS_VISIBLE) != 0; }
    bool is_enabled() const { return (m_style & WS_DISABLED) == 0; }

    std::u16string const& text() const { return m_text; }
    // The text a window is created with: no notification, as nothing is
    // listening yet.
    void initialise_text(std::u16string text) { m_text = std::move(text); }

    // For a control, relative to its dialog's client area; for a dialog box,
    // the whole window on the screen. Front-end units.
    RECT const& rect() const { return m_rect; }
    virtual void set_rect(RECT const& rect) { m_rect = rect; }

    // Takes the handle out of use: IsWindow fails for it from now on, though
    // the object lives until its dialog box is done with it.
    void retire();
    bool is_retired() const { return m_handle == nullptr; }

    // Sends WM_COMMAND with this window's id and `code` to the parent.
    void notify_parent(WORD code);

protected:
    explicit Window(Window* parent);

    // WM_SETTEXT: the new window text; controls hook in to react.
    virtual void text_changed() { }
    void assign_text(std::u16string text) { m_text = std::move(text); }
    // The text itself, for an edit that changes a part of it in place.
    std::u16string& text_in_place() { return m_text; }

private:
    LRESULT copy_text(WPARAM room, LPARAM buffer) const;

    HWND m_handle { nullptr };
    Window* m_parent { nullptr };
    DWORD m_style { 0 };
    DWORD m_ex_style { 0 };
    DWORD m_id { 0 };
    std::u16string m_text;
    RECT m_rect { 0, 0, 0, 0 };
};

}
