// A dialog box: the window that holds the controls of a template, runs its
// dialog procedure, and keeps what the dialog manager decides for it (the
// default button, the icons, whether and how it has ended).
#pragma once

#include "dialog/Control.h"
#include "dialog/Window.h"
#include "frontends/DialogView.h"
#include "frontends/FrontEnd.h"

#include <memory>
#include <vector>

namespace platform::dialog {

// What a control says of itself as a push button when asked WM_GETDLGCODE,
// the way the dialog manager learns which button is the default: the
// protocol, not the control's class.
enum class PushButton { none, plain, default_button };
PushButton push_button_of(HWND control);

class DialogWindow final : public Window {
public:
    DialogWindow(HWND owner, DLGPROC procedure, HINSTANCE instance, frontends::FrontEnd& front_end);
    ~DialogWindow() override;

    DialogWindow* dialog() override { return this; }
    // The dialog procedure first; what it leaves (returns FALSE for) gets the
    // dialog manager's own processing.
    LRESULT window_proc(UINT message, WPARAM wparam, LPARAM lparam) override;

    HWND owner() const { return m_owner; }
    HINSTANCE instance() const { return m_instance; }
    frontends::FrontEnd* front_end() const { return &m_front_end; }

    // Dialog units to front-end units, with the base units this dialog was
    // created with.
    int map_x(int dialog_units) const;
    int map_y(int dialog_units) const;
    frontends::Insets const& insets() const { return m_insets; }
    // The dialog's styles as created; the front end's frame follows from them.
    void set_frame_styles(DWORD style, DWORD ex_style);
    RECT client_rect_on_screen() const;

    void add_control(std::unique_ptr<Control> control);
    std::vector<std::unique_ptr<Control>> const& controls() const { return m_controls; }
    // A live control of this dialog by handle or by id; null when none.
    Control* control(HWND handle) const;
    Control* control_by_id(DWORD id) const;

    // GetNextDlgTabItem and GetNextDlgGroupItem over this dialog's controls.
    HWND next_tab_item(HWND from, bool previous) const;
    HWND next_group_item(HWND from, bool previous) const;
    // The control that gets the focus when the dialog starts: the first tab
    // stop, else the first visible, enabled control; null when there is none.
    HWND first_focus_candidate() const;

    // Keeps the push buttons' default look in step with the focus.
    void focus_changed(HWND focus);
    DWORD default_id() const { return m_default_id; }
    void set_default_id(DWORD id);

    void end(INT_PTR result);
    bool has_ended() const { return m_ended; }
    INT_PTR result() const { return m_result; }

    LONG_PTR message_result() const { return m_message_result; }
    void set_message_result(LONG_PTR value) { m_message_result = value; }
    LONG_PTR user_data() const { return m_user_data; }
    void set_user_data(LONG_PTR value) { m_user_data = value; }

    frontends::DialogView view() const;

private:
    LRESULT default_dialog_proc(UINT message, WPARAM wparam, LPARAM lparam);
    void next_control(WPARAM wparam, LPARAM lparam);
    LRESULT set_icon(WPARAM which, HICON icon);

    HWND m_owner { nullptr };
    DLGPROC m_procedure { nullptr };
    HINSTANCE m_instance { nullptr };
    frontends::FrontEnd& m_front_end;
    frontends::BaseUnits m_base_units;
    frontends::Insets m_insets;
    std::vector<std::unique_ptr<Control>> m_controls;
    DWORD m_default_id { IDOK };
    HICON m_big_icon { nullptr };
    HICON m_small_icon { nullptr };
    bool m_ended { false };
    INT_PTR m_result { 0 };
    LONG_PTR m_message_result { 0 };
    LONG_PTR m_user_data { 0 };
};

}
