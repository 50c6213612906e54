// Window objects: the handle map's two kinds of object, and the window and
// dialog-item operations over the device's window API.
#include "CWnd.h"

#include "CDataExchange.h"
#include "CWinApp.h"
#include "AfxGlobals.h"
#include "HandleMap.h"

#include <windows.h>

using platform::framework::HandleMap;

namespace {

LONG width(RECT const& rect)
{
    return rect.right - rect.left;
}

LONG height(RECT const& rect)
{
    return rect.bottom - rect.top;
}

RECT screen_rect()
{
    RECT screen { 0, 0, 0, 0 };
    if (!::GetWindowRect(::GetDesktopWindow(), &screen))
        screen = RECT { 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) };
    return screen;
}

// The start of a span of `size` centred on [first, last), moved back inside
// [low, high) when it would leave it; the low end wins when it cannot fit.
LONG centred(LONG first, LONG last, LONG size, LONG low, LONG high)
{
    LONG start = first + (last - first - size) / 2;
    if (start + size > high)
        start = high - size;
    if (start < low)
        start = low;
    return start;
}

}

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::~CWnd()
{
    if (m_hWnd)
        HandleMap::instance().detach(m_hWnd, this);
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this)
        app->m_pMainWnd = nullptr;
}

HWND CWnd::GetSafeHwnd() const
{
    return m_hWnd;
}

CWnd* PASCAL CWnd::FromHandle(HWND hWnd)
{
    return HandleMap::instance().from_handle(hWnd);
}

CWnd* PASCAL CWnd::FromHandlePermanent(HWND hWnd)
{
    return hWnd ? HandleMap::instance().permanent(hWnd) : nullptr;
}

BOOL CWnd::Attach(HWND hWndNew)
{
    if (m_hWnd || !hWndNew || !HandleMap::instance().attach(hWndNew, this))
        return FALSE;
    m_hWnd = hWndNew;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND const hwnd = m_hWnd;
    if (hwnd)
        HandleMap::instance().detach(hwnd, this);
    m_hWnd = nullptr;
    return hwnd;
}

CWnd* PASCAL CWnd::GetDesktopWindow()
{
    return FromHandle(::GetDesktopWindow());
}

CWnd* PASCAL CWnd::GetFocus()
{
    return FromHandle(::GetFocus());
}

CWnd* CWnd::GetDlgItem(int nID) const
{
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

int CWnd::GetDlgCtrlID() const
{
    return ::GetDlgCtrlID(m_hWnd);
}

void CWnd::SetDlgItemInt(int nID, UINT nValue, BOOL bSigned)
{
    ::SetDlgItemInt(m_hWnd, nID, nValue, bSigned);
}

UINT CWnd::GetDlgItemInt(int nID, BOOL* lpTrans, BOOL bSigned) const
{
    return ::GetDlgItemInt(m_hWnd, nID, lpTrans, bSigned);
}

void CWnd::SetDlgItemText(int nID, LPCTSTR lpszString)
{
    ::SetDlgItemTextW(m_hWnd, nID, lpszString);
}

int CWnd::GetDlgItemText(int nID, LPTSTR lpStr, int nMaxCount) const
{
    return static_cast<int>(::GetDlgItemTextW(m_hWnd, nID, lpStr, nMaxCount));
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

HICON CWnd::GetIcon(BOOL bBigIcon) const
{
    return reinterpret_cast<HICON>(SendMessage(WM_GETICON, bBigIcon ? ICON_BIG : ICON_SMALL, 0));
}

void CWnd::CenterWindow(CWnd* pAlternateOwner)
{
    RECT self;
    if (!::GetWindowRect(m_hWnd, &self))
        return;

    HWND const desktop = ::GetDesktopWindow();
    HWND const parent = ::GetParent(m_hWnd);
    RECT area;
    RECT bounds;
    if ((GetStyle() & WS_CHILD) && parent) {
        // A child's position is in its parent's client area.
        ::GetClientRect(parent, &area);
        bounds = area;
        if (pAlternateOwner && pAlternateOwner->m_hWnd != desktop && pAlternateOwner->m_hWnd != parent)
            return; // centring a child on another window needs screen mapping the device lacks
    } else {
        HWND const reference = pAlternateOwner ? pAlternateOwner->m_hWnd : parent;
        bounds = screen_rect();
        if (!reference || reference == desktop || !::GetWindowRect(reference, &area))
            area = bounds;
    }

    LONG const x = centred(area.left, area.right, width(self), bounds.left, bounds.right);
    LONG const y = centred(area.top, area.bottom, height(self), bounds.top, bounds.bottom);
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWnd::SetWindowText(LPCTSTR lpszString)
{
    ::SetWindowTextW(m_hWnd, lpszString);
}

int CWnd::GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const
{
    return ::GetWindowTextW(m_hWnd, lpszStringBuf, nMaxCount);
}

int CWnd::GetWindowTextLength() const
{
    return ::GetWindowTextLengthW(m_hWnd);
}

BOOL CWnd::ShowWindow(int nCmdShow)
{
    return ::ShowWindow(m_hWnd, nCmdShow);
}

BOOL CWnd::EnableWindow(BOOL bEnable)
{
    return ::EnableWindow(m_hWnd, bEnable);
}

BOOL CWnd::IsWindowEnabled() const
{
    return ::IsWindowEnabled(m_hWnd);
}

BOOL CWnd::IsWindowVisible() const
{
    return ::IsWindowVisible(m_hWnd);
}

CWnd* CWnd::SetFocus()
{
    return FromHandle(::SetFocus(m_hWnd));
}

CWnd* CWnd::GetParent() const
{
    return FromHandle(::GetParent(m_hWnd));
}

DWORD CWnd::GetStyle() const
{
    return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE));
}

DWORD CWnd::GetExStyle() const
{
    return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE));
}

void CWnd::GetWindowRect(LPRECT lpRect) const
{
    ::GetWindowRect(m_hWnd, lpRect);
}

void CWnd::GetClientRect(LPRECT lpRect) const
{
    ::GetClientRect(m_hWnd, lpRect);
}

BOOL CWnd::SetWindowPos(CWnd const* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
{
    return ::SetWindowPos(m_hWnd, pWndInsertAfter ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy, nFlags);
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint)
{
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    HWND const hwnd = Detach();
    return ::DestroyWindow(hwnd);
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange exchange(this, bSaveAndValidate);
    DoDataExchange(&exchange);
    return exchange.has_failed() ? FALSE : TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT const id = LOWORD(wParam);
    int code = HIWORD(wParam);
    // Without a control, the code tells a menu (0) from an accelerator (1):
    // both are plain commands.
    if (lParam == 0 && code == 1)
        code = CN_COMMAND;
    return OnCmdMsg(id, code, nullptr, nullptr);
}

void CWnd::DoDataExchange(CDataExchange*)
{
}
