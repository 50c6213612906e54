// A window object: stands for one window handle of the device's dialog manager
// and gives the window and dialog-item operations as members. An object either
// is attached to its window (a running dialog) or is a temporary one that
// FromHandle made for a window of someone else's (a control, the desktop).
#pragma once

#include <windows.h>

#include "CCmdTarget.h"

class CDataExchange;

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    // Detaches the object from its window, and stops being the application's
    // main window if it was.
    ~CWnd() override;

    HWND m_hWnd { nullptr };

    HWND GetSafeHwnd() const;
    operator HWND() const { return m_hWnd; }

    // The object attached to the handle, else a temporary one; NULL for NULL.
    static CWnd* PASCAL FromHandle(HWND hWnd);
    // The object attached to the handle, or NULL.
    static CWnd* PASCAL FromHandlePermanent(HWND hWnd);
    BOOL Attach(HWND hWndNew);
    HWND Detach();

    static CWnd* PASCAL GetDesktopWindow();
    static CWnd* PASCAL GetFocus();

    // Dialog items, by identifier.
    CWnd* GetDlgItem(int nID) const;
    int GetDlgCtrlID() const;
    void SetDlgItemInt(int nID, UINT nValue, BOOL bSigned = TRUE);
    UINT GetDlgItemInt(int nID, BOOL* lpTrans = NULL, BOOL bSigned = TRUE) const;
    void SetDlgItemText(int nID, LPCTSTR lpszString);
    int GetDlgItemText(int nID, LPTSTR lpStr, int nMaxCount) const;

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    // WM_SETICON and WM_GETICON: the big icon (title bar, task list) or the
    // small one. SetIcon gives the icon that was set before.
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    HICON GetIcon(BOOL bBigIcon) const;

    // Centres the window on pAlternateOwner, or with NULL on its owner (a child
    // window: in its parent). With the desktop, or NULL and no owner, it is
    // centred on the screen. A window placed partly off the screen is moved
    // back onto it, its top-left corner first, so that its title bar stays in
    // reach.
    void CenterWindow(CWnd* pAlternateOwner = NULL);

    void SetWindowText(LPCTSTR lpszString);
    int GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const;
    int GetWindowTextLength() const;

    BOOL ShowWindow(int nCmdShow);
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL IsWindowVisible() const;
    // Gives the object of the window that had the focus before, or NULL.
    CWnd* SetFocus();
    CWnd* GetParent() const;
    DWORD GetStyle() const;
    DWORD GetExStyle() const;

    void GetWindowRect(LPRECT lpRect) const;
    void GetClientRect(LPRECT lpRect) const;
    BOOL SetWindowPos(CWnd const* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    virtual BOOL DestroyWindow();

    // Runs DoDataExchange: from the members to the controls (FALSE) or from the
    // controls to the members (TRUE). FALSE when the exchange failed.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

protected:
    // A WM_COMMAND: routes the command, by identifier and notification code,
    // through the message map. TRUE when a handler took it.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual void DoDataExchange(CDataExchange* pDX);

    DECLARE_MESSAGE_MAP()
};
