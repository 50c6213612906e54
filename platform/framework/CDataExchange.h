// The context of one data exchange between a dialog's members and its
// controls: the direction, the dialog, and the control last prepared, which
// gets the focus back when the exchange fails.
#pragma once

#include <windows.h>

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

    // TRUE: from the controls to the members, checking them; FALSE: from the
    // members to the controls.
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;

    // The control's window, remembered as the one a failure refers to.
    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);

    // Marks the exchange as failed and gives the focus back to the control last
    // prepared (an edit with its text selected), so that the user can correct
    // it. The exchange goes on; UpdateData then reports the failure.
    void Fail();

    bool has_failed() const { return m_failed; }

private:
    HWND m_hWndLastControl { nullptr };
    bool m_bEditLastControl { false };
    bool m_failed { false };
};
