// Modal dialogs: the template lookup, the run through the dialog manager, and
// the dialog procedure that connects the dialog window to its object.
#include "CDialog.h"

#include "AfxGlobals.h"
#include "HandleMap.h"

#include <windows.h>

#include <utility>

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCE(nIDTemplate))
    , m_pParentWnd(pParentWnd)
{
}

CDialog::CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(lpszTemplateName)
    , m_pParentWnd(pParentWnd)
{
    // A named template is kept as a copy; an ordinal is the pointer itself.
    if (lpszTemplateName && !IS_INTRESOURCE(lpszTemplateName)) {
        m_template_name = lpszTemplateName;
        m_lpszTemplateName = m_template_name.c_str();
    }
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd || !m_lpszTemplateName)
        return -1;

    HINSTANCE const module = AfxFindResourceHandle(m_lpszTemplateName, RT_DIALOG);
    HRSRC const resource = FindResourceW(module, m_lpszTemplateName, RT_DIALOG);
    if (!resource)
        return -1;
    auto const* dialog_template = static_cast<LPCDLGTEMPLATE>(LockResource(LoadResource(module, resource)));
    if (!dialog_template)
        return -1;

    HWND const owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    m_handler_exception = nullptr;
    INT_PTR const result = DialogBoxIndirectParamW(module, dialog_template, owner, dialog_procedure,
                                                   reinterpret_cast<LPARAM>(this));
    Detach();
    platform::framework::HandleMap::instance().release_dead_temporaries();

    if (m_handler_exception)
        std::rethrow_exception(std::exchange(m_handler_exception, nullptr));
    return result;
}

void CDialog::EndDialog(int nResult)
{
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

// The dialog manager calls this with C-style expectations: nothing may be
// thrown back into it. A handler's exception is kept and ends the dialog.
INT_PTR CALLBACK CDialog::dialog_procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        if (!dialog || !dialog->Attach(hwnd))
            return FALSE;
    } else {
        dialog = dynamic_cast<CDialog*>(FromHandlePermanent(hwnd));
        if (!dialog)
            return FALSE;
    }

    try {
        switch (message) {
        case WM_INITDIALOG:
            return dialog->OnInitDialog();
        case WM_COMMAND:
            return dialog->OnCommand(wParam, lParam);
        case WM_NCDESTROY:
            dialog->Detach();
            return FALSE;
        default:
            return FALSE;
        }
    } catch (...) {
        if (!dialog->m_handler_exception)
            dialog->m_handler_exception = std::current_exception();
        ::EndDialog(hwnd, -1);
        return TRUE;
    }
}
