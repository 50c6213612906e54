// One data exchange between a dialog's members and its controls.
#include "CDataExchange.h"

#include "CWnd.h"

#include <windows.h>

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate)
    , m_pDlgWnd(pDlgWnd)
{
}

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    m_hWndLastControl = m_pDlgWnd ? ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC) : nullptr;
    m_bEditLastControl = false;
    return m_hWndLastControl;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC)
{
    HWND const hwnd = PrepareCtrl(nIDC);
    m_bEditLastControl = true;
    return hwnd;
}

void CDataExchange::Fail()
{
    m_failed = true;
    if (!m_bSaveAndValidate || !m_hWndLastControl)
        return;
    ::SetFocus(m_hWndLastControl);
    if (m_bEditLastControl)
        ::SendMessageW(m_hWndLastControl, EM_SETSEL, 0, -1);
}
