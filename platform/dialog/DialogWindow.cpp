// The dialog box window and the dialog manager's default processing of its
// messages.
#include "dialog/DialogWindow.h"

#include "dialog/WindowTable.h"
#include "text/ApiTrace.h"

#include <algorithm>

namespace platform::dialog {

namespace {

bool is_tab_stop(Control const& control)
{
    return (control.style() & WS_TABSTOP) && control.is_visible() && control.is_enabled();
}

bool is_usable(Control const& control)
{
    return control.is_visible() && control.is_enabled();
}

}

DialogWindow::DialogWindow(HWND owner, DLGPROC procedure, HINSTANCE instance, frontends::FrontEnd& front_end)
    : Window(nullptr)
    , m_owner(owner)
    , m_procedure(procedure)
    , m_instance(instance)
    , m_front_end(front_end)
    , m_base_units(front_end.base_units())
{
}

DialogWindow::~DialogWindow()
{
    for (auto& control : m_controls)
        control->retire();
}

void DialogWindow::set_frame_styles(DWORD style, DWORD ex_style)
{
    set_style(style);
    set_ex_style(ex_style);
    m_insets = m_front_end.non_client_insets(style, ex_style);
}

// As MapDialogRect scales, with MulDiv's rounding; nothing for a front end
// whose base units have no divisor.
int DialogWindow::map_x(int dialog_units) const
{
    return m_base_units.divisor > 0 ? MulDiv(dialog_units, m_base_units.x, 4 * m_base_units.divisor) : 0;
}

int DialogWindow::map_y(int dialog_units) const
{
    return m_base_units.divisor > 0 ? MulDiv(dialog_units, m_base_units.y, 8 * m_base_units.divisor) : 0;
}

RECT DialogWindow::client_rect_on_screen() const
{
    RECT const& window = rect();
    RECT client { window.left + m_insets.left, window.top + m_insets.top, window.right - m_insets.right,
                  window.bottom - m_insets.bottom };
    client.right = std::max(client.right, client.left);
    client.bottom = std::max(client.bottom, client.top);
    return client;
}

void DialogWindow::add_control(std::unique_ptr<Control> control)
{
    m_controls.push_back(std::move(control));
}

Control* DialogWindow::control(HWND handle) const
{
    if (!handle)
        return nullptr;
    for (auto const& c : m_controls) {
        if (c->handle() == handle)
            return c.get();
    }
    return nullptr;
}

Control* DialogWindow::control_by_id(DWORD id) const
{
    for (auto const& c : m_controls) {
        if (!c->is_retired() && c->id() == id)
            return c.get();
    }
    return nullptr;
}

HWND DialogWindow::next_tab_item(HWND from, bool previous) const
{
    std::vector<Control*> live;
    for (auto const& c : m_controls) {
        if (!c->is_retired())
            live.push_back(c.get());
    }
    auto const start = std::find_if(live.begin(), live.end(), [from](Control* c) { return c->handle() == from; });
    if (start == live.end()) {
        // From nowhere (or from the dialog itself): forwards finds the first
        // tab stop, backwards finds nothing.
        if (previous)
            return nullptr;
        auto const first = std::find_if(live.begin(), live.end(), [](Control* c) { return is_tab_stop(*c); });
        return first == live.end() ? nullptr : (*first)->handle();
    }
    std::size_t const count = live.size();
    std::size_t const origin = static_cast<std::size_t>(start - live.begin());
    for (std::size_t step = 1; step < count; ++step) {
        std::size_t const index = previous ? (origin + count - step) % count : (origin + step) % count;
        if (is_tab_stop(*live[index]))
            return live[index]->handle();
    }
    return from;
}

HWND DialogWindow::next_group_item(HWND from, bool previous) const
{
    std::vector<Control*> live;
    for (auto const& c : m_controls) {
        if (!c->is_retired())
            live.push_back(c.get());
    }
    auto const found = std::find_if(live.begin(), live.end(), [from](Control* c) { return c->handle() == from; });
    if (found == live.end()) {
        if (!previous && !live.empty() && is_usable(*live.front()))
            return live.front()->handle();
        return from;
    }
    // A group runs from a WS_GROUP control (or the first control) up to the
    // next WS_GROUP control.
    std::size_t const origin = static_cast<std::size_t>(found - live.begin());
    std::size_t first = origin;
    while (first > 0 && !(live[first]->style() & WS_GROUP))
        --first;
    std::size_t last = origin + 1;
    while (last < live.size() && !(live[last]->style() & WS_GROUP))
        ++last;
    std::size_t const count = last - first;
    for (std::size_t step = 1; step < count; ++step) {
        std::size_t const offset = origin - first;
        std::size_t const index = first + (previous ? (offset + count - step) % count : (offset + step) % count);
        if (is_usable(*live[index]))
            return live[index]->handle();
    }
    return from;
}

HWND DialogWindow::first_focus_candidate() const
{
    if (HWND tab = next_tab_item(nullptr, false))
        return tab;
    for (auto const& c : m_controls) {
        if (!c->is_retired() && is_usable(*c))
            return c->handle();
    }
    return nullptr;
}

PushButton push_button_of(HWND control)
{
    LRESULT const code = SendMessageW(control, WM_GETDLGCODE, 0, 0);
    if (code & DLGC_DEFPUSHBUTTON)
        return PushButton::default_button;
    if (code & DLGC_UNDEFPUSHBUTTON)
        return PushButton::plain;
    return PushButton::none;
}

void DialogWindow::focus_changed(HWND focus)
{
    Control* const focused = control(focus);
    if (!focused)
        return;
    bool const button_has_focus = push_button_of(focus) != PushButton::none;
    for (auto const& c : m_controls) {
        PushButton const now = push_button_of(c->handle());
        if (now == PushButton::none)
            continue;
        bool const should_be_default = button_has_focus ? c.get() == focused : c->id() == m_default_id;
        if (should_be_default != (now == PushButton::default_button))
            SendMessageW(c->handle(), BM_SETSTYLE, should_be_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    }
}

void DialogWindow::set_default_id(DWORD id)
{
    DWORD const previous = m_default_id;
    m_default_id = id;
    if (Control* old_button = control_by_id(previous);
        old_button && push_button_of(old_button->handle()) == PushButton::default_button)
        SendMessageW(old_button->handle(), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    if (Control* new_button = control_by_id(id);
        new_button && push_button_of(new_button->handle()) == PushButton::plain)
        SendMessageW(new_button->handle(), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

void DialogWindow::end(INT_PTR result)
{
    if (m_ended)
        return;
    m_ended = true;
    m_result = result;
}

LRESULT DialogWindow::window_proc(UINT message, WPARAM wparam, LPARAM lparam)
{
    if (m_procedure) {
        m_message_result = 0;
        INT_PTR const handled = m_procedure(handle(), message, wparam, lparam);
        // WM_INITDIALOG's answer is the procedure's own: TRUE asks for the
        // default focus.
        if (message == WM_INITDIALOG)
            return handled;
        if (handled)
            return m_message_result;
    }
    return default_dialog_proc(message, wparam, lparam);
}

LRESULT DialogWindow::default_dialog_proc(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_SETICON: {
        platform::trace::TracedCall trace("WM_SETICON", [&] {
            return std::string(wparam == ICON_BIG ? "ICON_BIG" : wparam == ICON_SMALL ? "ICON_SMALL" : "other")
                + (lparam ? "" : " NULL");
        });
        return set_icon(wparam, reinterpret_cast<HICON>(lparam));
    }
    case WM_GETICON:
        if (wparam == ICON_BIG)
            return reinterpret_cast<LRESULT>(m_big_icon);
        if (wparam == ICON_SMALL)
            return reinterpret_cast<LRESULT>(m_small_icon);
        return 0;
    case WM_CLOSE: {
        Control* const cancel = control_by_id(IDCANCEL);
        PostMessageW(handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(cancel ? cancel->handle() : nullptr));
        return 0;
    }
    case WM_SYSCOMMAND:
        if ((wparam & 0xFFF0) == SC_CLOSE)
            SendMessageW(handle(), WM_CLOSE, 0, 0);
        return 0;
    case DM_GETDEFID:
        if (m_ended)
            return 0;
        if (m_default_id)
            return MAKELRESULT(m_default_id, DC_HASDEFID);
        for (auto const& c : m_controls) {
            if (!c->is_retired() && (SendMessageW(c->handle(), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON))
                return MAKELRESULT(c->id(), DC_HASDEFID);
        }
        return 0;
    case DM_SETDEFID:
        set_default_id(static_cast<DWORD>(wparam));
        return TRUE;
    case WM_NEXTDLGCTL:
        next_control(wparam, lparam);
        return 0;
    case WM_INITDIALOG:
    case WM_COMMAND:
    case WM_GETDLGCODE:
        return 0;
    default:
        return default_proc(message, wparam, lparam);
    }
}

// WM_NEXTDLGCTL: lparam non-zero names the control in wparam; otherwise wparam
// non-zero means the previous tab stop and zero the next. A control that
// takes a selection gets all its text selected.
void DialogWindow::next_control(WPARAM wparam, LPARAM lparam)
{
    HWND target = nullptr;
    if (lparam) {
        target = reinterpret_cast<HWND>(wparam);
        if (!control(target))
            return;
    } else {
        HWND const focus = control(focus_window()) ? focus_window() : nullptr;
        target = next_tab_item(focus, wparam != 0);
    }
    if (!target)
        return;
    if (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
        SendMessageW(target, EM_SETSEL, 0, -1);
    SetFocus(target);
}

LRESULT DialogWindow::set_icon(WPARAM which, HICON icon)
{
    HICON* slot = which == ICON_BIG ? &m_big_icon : which == ICON_SMALL ? &m_small_icon : nullptr;
    if (!slot)
        return 0;
    HICON const previous = *slot;
    *slot = icon;
    return reinterpret_cast<LRESULT>(previous);
}

frontends::DialogView DialogWindow::view() const
{
    frontends::DialogView view;
    view.hwnd = handle();
    view.caption = text();
    view.style = style();
    view.ex_style = ex_style();
    view.window_rect = rect();
    view.client_rect = client_rect_on_screen();
    view.big_icon = m_big_icon;
    view.small_icon = m_small_icon;
    HWND const focus = focus_window();
    for (auto const& c : m_controls) {
        if (c->is_retired())
            continue;
        frontends::ControlView item;
        item.hwnd = c->handle();
        DWORD const id = c->id();
        item.id = id == 0xFFFF || id == 0xFFFFFFFF ? -1 : static_cast<int>(id);
        item.control_class = c->control_class();
        item.style = c->style();
        item.ex_style = c->ex_style();
        item.text = c->text();
        item.rect = c->rect();
        item.dialog_units = c->dialog_units();
        item.visible = c->is_visible();
        item.enabled = c->is_enabled();
        item.focused = c->handle() == focus;
        c->describe(item);
        if (item.focused)
            view.focus = view.controls.size();
        view.controls.push_back(std::move(item));
    }
    return view;
}

}
