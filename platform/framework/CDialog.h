// A modal dialog built from a dialog template resource. DoModal finds the
// template in the program's resources and runs it through the device's dialog
// manager; WM_INITDIALOG reaches OnInitDialog, and the commands go through the
// message map, where IDOK and IDCANCEL reach OnOK and OnCancel.
#pragma once

#include <windows.h>

#include "CWnd.h"

#include <exception>
#include <string>

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = NULL);
    explicit CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd = NULL);
    ~CDialog() override = default;

    // Runs the dialog until EndDialog, and gives EndDialog's result. -1 when the
    // template is missing or the dialog cannot be shown, or when the object is
    // already running a dialog. The object is attached to the dialog window for
    // the run only. An exception that leaves a handler ends the dialog and is
    // thrown again from here, once the dialog manager is out of the way.
    virtual INT_PTR DoModal();

    // Ends the modal run with nResult, once the current message is handled.
    void EndDialog(int nResult);

    // The dialog window exists and its controls are built: sends the members
    // to the controls. TRUE lets the dialog manager give the focus to the first
    // tab-stop control; FALSE keeps whatever focus the override set.
    virtual BOOL OnInitDialog();

protected:
    // IDOK: takes the controls' data into the members and, when that succeeds,
    // ends the dialog with IDOK.
    virtual void OnOK();
    // IDCANCEL: ends the dialog with IDCANCEL; nothing is exchanged.
    virtual void OnCancel();

    LPCTSTR m_lpszTemplateName;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

private:
    static INT_PTR CALLBACK dialog_procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    std::basic_string<TCHAR> m_template_name;
    std::exception_ptr m_handler_exception;
};
