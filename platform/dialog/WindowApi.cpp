// The window functions of the device's API: messages, dialog items, text,
// focus, styles and places. Each looks its handle up and fails cleanly, with
// ERROR_INVALID_WINDOW_HANDLE, for one that is not a live window.
#include "dialog/DesktopWindow.h"
#include "dialog/DialogWindow.h"
#include "dialog/WindowTable.h"
#include "text/ApiTrace.h"

#include <algorithm>

using namespace platform::dialog;

namespace {

Window* window_or_error(HWND handle)
{
    Window* const window = find_window(handle);
    if (!window)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

DialogWindow* dialog_or_error(HWND handle)
{
    auto* dialog = dynamic_cast<DialogWindow*>(find_window(handle));
    if (!dialog)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return dialog;
}

bool is_desktop(Window const* window)
{
    return window == &DesktopWindow::instance();
}

// A window's rectangle on the screen.
RECT screen_rect(Window& window)
{
    if (is_desktop(&window))
        return DesktopWindow::instance().screen_rect();
    RECT r = window.rect();
    if (auto* dialog = window.dialog(); dialog && dialog != &window) {
        RECT const client = dialog->client_rect_on_screen();
        r.left += client.left;
        r.right += client.left;
        r.top += client.top;
        r.bottom += client.top;
    }
    return r;
}

}

LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    Window* const window = window_or_error(hWnd);
    return window ? window->window_proc(Msg, wParam, lParam) : 0;
}

BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (!window_or_error(hWnd))
        return FALSE;
    posted_messages().push_back({ hWnd, Msg, wParam, lParam });
    return TRUE;
}

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem)
{
    auto* dialog = dialog_or_error(hDlg);
    if (!dialog)
        return nullptr;
    Control* const control = dialog->control_by_id(static_cast<DWORD>(nIDDlgItem));
    if (!control) {
        SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
        return nullptr;
    }
    return control->handle();
}

int WINAPI GetDlgCtrlID(HWND hWnd)
{
    Window* const window = window_or_error(hWnd);
    if (!window || !window->parent())
        return 0;
    return static_cast<int>(window->id());
}

BOOL WINAPI SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString)
{
    platform::trace::TracedCall trace("SetDlgItemTextW", [&] {
        return std::to_string(nIDDlgItem) + " "
            + (lpString ? platform::trace::quoted(lpString) : std::string("NULL"));
    });
    HWND const item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? static_cast<BOOL>(SendMessageW(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString))) : FALSE;
}

UINT WINAPI GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax)
{
    if (lpString && cchMax > 0)
        lpString[0] = u'\0';
    HWND const item = GetDlgItem(hDlg, nIDDlgItem);
    if (!item || !lpString || cchMax <= 0)
        return 0;
    return static_cast<UINT>(SendMessageW(item, WM_GETTEXT, static_cast<WPARAM>(cchMax), reinterpret_cast<LPARAM>(lpString)));
}

HWND WINAPI GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious)
{
    auto* dialog = dialog_or_error(hDlg);
    if (!dialog)
        return nullptr;
    return dialog->next_tab_item(hCtl == hDlg ? nullptr : hCtl, bPrevious != FALSE);
}

HWND WINAPI GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious)
{
    auto* dialog = dialog_or_error(hDlg);
    if (!dialog)
        return nullptr;
    return dialog->next_group_item(hCtl == hDlg ? nullptr : hCtl, bPrevious != FALSE);
}

BOOL WINAPI MapDialogRect(HWND hDlg, LPRECT lpRect)
{
    auto* dialog = dialog_or_error(hDlg);
    if (!dialog || !lpRect)
        return FALSE;
    lpRect->left = dialog->map_x(lpRect->left);
    lpRect->right = dialog->map_x(lpRect->right);
    lpRect->top = dialog->map_y(lpRect->top);
    lpRect->bottom = dialog->map_y(lpRect->bottom);
    return TRUE;
}

BOOL WINAPI SetWindowTextW(HWND hWnd, LPCWSTR lpString)
{
    if (!window_or_error(hWnd))
        return FALSE;
    return static_cast<BOOL>(SendMessageW(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)));
}

int WINAPI GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount)
{
    if (!lpString || nMaxCount <= 0)
        return 0;
    lpString[0] = u'\0';
    if (!window_or_error(hWnd))
        return 0;
    return static_cast<int>(SendMessageW(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount), reinterpret_cast<LPARAM>(lpString)));
}

int WINAPI GetWindowTextLengthW(HWND hWnd)
{
    if (!window_or_error(hWnd))
        return 0;
    return static_cast<int>(SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

LONG_PTR WINAPI GetWindowLongPtrW(HWND hWnd, int nIndex)
{
    Window* const window = window_or_error(hWnd);
    if (!window)
        return 0;
    auto* dialog = dynamic_cast<DialogWindow*>(window);
    switch (nIndex) {
    case GWL_STYLE:
        return static_cast<LONG_PTR>(static_cast<LONG>(window->style()));
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(static_cast<LONG>(window->ex_style()));
    case GWL_ID:
        return static_cast<LONG_PTR>(static_cast<LONG>(window->id()));
    case DWLP_MSGRESULT:
        if (dialog)
            return dialog->message_result();
        break;
    case DWLP_USER:
        if (dialog)
            return dialog->user_data();
        break;
    default:
        break;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}

LONG_PTR WINAPI SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong)
{
    Window* const window = window_or_error(hWnd);
    if (!window)
        return 0;
    LONG_PTR const previous = GetWindowLongPtrW(hWnd, nIndex);
    auto* dialog = dynamic_cast<DialogWindow*>(window);
    switch (nIndex) {
    case GWL_STYLE:
        window->set_style(static_cast<DWORD>(dwNewLong));
        return previous;
    case GWL_EXSTYLE:
        window->set_ex_style(static_cast<DWORD>(dwNewLong));
        return previous;
    case GWL_ID:
        window->set_id(static_cast<DWORD>(dwNewLong));
        return previous;
    case DWLP_MSGRESULT:
        if (dialog) {
            dialog->set_message_result(dwNewLong);
            return previous;
        }
        break;
    case DWLP_USER:
        if (dialog) {
            dialog->set_user_data(dwNewLong);
            return previous;
        }
        break;
    default:
        break;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}

LONG WINAPI GetWindowLongW(HWND hWnd, int nIndex)
{
    return static_cast<LONG>(GetWindowLongPtrW(hWnd, nIndex));
}

LONG WINAPI SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong)
{
    return static_cast<LONG>(SetWindowLongPtrW(hWnd, nIndex, dwNewLong));
}

// Moves the keyboard focus: WM_KILLFOCUS to the window losing it, WM_SETFOCUS
// to the one getting it, the previous focus as the result.
HWND WINAPI SetFocus(HWND hWnd)
{
    HWND const previous = focus_window();
    if (hWnd && !window_or_error(hWnd))
        return nullptr;
    if (hWnd == previous)
        return previous;
    set_focus_window(hWnd);
    if (previous && find_window(previous))
        SendMessageW(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
    if (hWnd && focus_window() == hWnd) {
        SendMessageW(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
        if (auto* dialog = find_window(hWnd) ? find_window(hWnd)->dialog() : nullptr)
            dialog->focus_changed(hWnd);
    }
    return previous;
}

HWND WINAPI GetFocus()
{
    return focus_window();
}

SHORT WINAPI GetKeyState(int nVirtKey)
{
    auto const& state = key_state();
    bool const down = (nVirtKey == VK_SHIFT && state.shift) || (nVirtKey == VK_CONTROL && state.ctrl);
    return down ? static_cast<SHORT>(-0x8000) : 0;
}

HWND WINAPI GetParent(HWND hWnd)
{
    Window* const window = window_or_error(hWnd);
    if (!window)
        return nullptr;
    if (window->parent())
        return window->parent()->handle();
    if (auto* dialog = dynamic_cast<DialogWindow*>(window))
        return find_window(dialog->owner()) ? dialog->owner() : nullptr;
    return nullptr;
}

HWND WINAPI GetDesktopWindow()
{
    return DesktopWindow::instance().handle();
}

BOOL WINAPI IsWindow(HWND hWnd)
{
    return find_window(hWnd) ? TRUE : FALSE;
}

BOOL WINAPI IsWindowVisible(HWND hWnd)
{
    Window* const window = find_window(hWnd);
    if (!window)
        return FALSE;
    if (is_desktop(window))
        return TRUE;
    for (Window* w = window; w; w = w->parent()) {
        if (!w->is_visible())
            return FALSE;
    }
    return TRUE;
}

BOOL WINAPI IsWindowEnabled(HWND hWnd)
{
    Window* const window = find_window(hWnd);
    return window && window->is_enabled() ? TRUE : FALSE;
}

// Nonzero when the window was disabled before. A control that loses the
// ability to take input loses the focus with it.
BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable)
{
    Window* const window = window_or_error(hWnd);
    if (!window)
        return FALSE;
    BOOL const was_disabled = window->is_enabled() ? FALSE : TRUE;
    if (bEnable)
        window->set_style(window->style() & ~WS_DISABLED);
    else
        window->set_style(window->style() | WS_DISABLED);
    if (was_disabled != (bEnable ? FALSE : TRUE))
        SendMessageW(hWnd, WM_ENABLE, bEnable ? TRUE : FALSE, 0);
    if (!bEnable && focus_window() == hWnd)
        SetFocus(nullptr);
    return was_disabled;
}

// Nonzero when the window was visible before. Hiding the focused control
// gives the focus to its dialog.
BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow)
{
    Window* const window = window_or_error(hWnd);
    if (!window)
        return FALSE;
    BOOL const was_visible = window->is_visible() ? TRUE : FALSE;
    if (nCmdShow == SW_HIDE) {
        window->set_style(window->style() & ~WS_VISIBLE);
        if (focus_window() == hWnd && window->parent())
            SetFocus(window->parent()->handle());
    } else {
        window->set_style(window->style() | WS_VISIBLE);
    }
    return was_visible;
}

// A control leaves its dialog at once; a dialog box that is destroyed ends its
// modal run (with -1 unless it had already ended).
BOOL WINAPI DestroyWindow(HWND hWnd)
{
    Window* const window = window_or_error(hWnd);
    if (!window || is_desktop(window))
        return FALSE;
    if (auto* dialog = dynamic_cast<DialogWindow*>(window)) {
        SendMessageW(hWnd, WM_DESTROY, 0, 0);
        dialog->end(-1);
        for (auto const& control : dialog->controls()) {
            if (focus_window() == control->handle())
                set_focus_window(nullptr);
        }
        if (focus_window() == hWnd)
            set_focus_window(nullptr);
        dialog->retire();
        return TRUE;
    }
    if (focus_window() == hWnd) {
        Window* const parent = window->parent();
        SetFocus(parent ? parent->handle() : nullptr);
    }
    SendMessageW(hWnd, WM_DESTROY, 0, 0);
    window->retire();
    return TRUE;
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect)
{
    Window* const window = window_or_error(hWnd);
    if (!window || !lpRect)
        return FALSE;
    *lpRect = screen_rect(*window);
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect)
{
    Window* const window = window_or_error(hWnd);
    if (!window || !lpRect)
        return FALSE;
    RECT r = screen_rect(*window);
    if (auto* dialog = dynamic_cast<DialogWindow*>(window))
        r = dialog->client_rect_on_screen();
    *lpRect = { 0, 0, r.right - r.left, r.bottom - r.top };
    return TRUE;
}

// The dialog box's place is its whole window on the screen; a control's is
// relative to its dialog's client area. The desktop does not move.
BOOL WINAPI SetWindowPos(HWND hWnd, HWND, int X, int Y, int cx, int cy, UINT uFlags)
{
    platform::trace::TracedCall trace("SetWindowPos", [&] {
        return std::to_string(X) + "," + std::to_string(Y) + " " + std::to_string(cx) + "x" + std::to_string(cy)
            + " flags " + std::to_string(uFlags);
    });
    Window* const window = window_or_error(hWnd);
    if (!window || is_desktop(window))
        return FALSE;
    RECT r = window->rect();
    if (!(uFlags & SWP_NOMOVE)) {
        LONG const width = r.right - r.left;
        LONG const height = r.bottom - r.top;
        r = { X, Y, X + width, Y + height };
    }
    if (!(uFlags & SWP_NOSIZE)) {
        r.right = r.left + std::max(cx, 0);
        r.bottom = r.top + std::max(cy, 0);
    }
    window->set_rect(r);
    if (auto* control = dynamic_cast<Control*>(window)) {
        auto* dialog = control->dialog();
        // Keep the dialog-unit rectangle in step, as near as the scale allows.
        RECT unit { 0, 0, 4 * 64, 8 * 64 };
        MapDialogRect(dialog->handle(), &unit);
        auto const to_units = [](LONG value, LONG scaled, int dialog_units) {
            return scaled ? MulDiv(value, dialog_units, scaled) : 0;
        };
        control->set_dialog_units({ to_units(r.left, unit.right, 4 * 64), to_units(r.top, unit.bottom, 8 * 64),
                                    to_units(r.right - r.left, unit.right, 4 * 64),
                                    to_units(r.bottom - r.top, unit.bottom, 8 * 64) });
    }
    if (uFlags & SWP_SHOWWINDOW)
        ShowWindow(hWnd, SW_SHOW);
    if (uFlags & SWP_HIDEWINDOW)
        ShowWindow(hWnd, SW_HIDE);
    return TRUE;
}

BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL)
{
    return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

int WINAPI GetSystemMetrics(int nIndex)
{
    RECT const screen = DesktopWindow::instance().screen_rect();
    switch (nIndex) {
    case SM_CXSCREEN:
        return screen.right;
    case SM_CYSCREEN:
        return screen.bottom;
    default:
        return 0;
    }
}
