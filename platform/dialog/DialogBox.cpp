// DialogBoxParamW, DialogBoxIndirectParamW and EndDialog.
#include "dialog/DialogBox.h"

#include "dialog/DesktopWindow.h"
#include "dialog/DialogBuilder.h"
#include "dialog/ModalLoop.h"
#include "dialog/TemplateExtent.h"
#include "dialog/WindowTable.h"
#include "resources/DialogTemplate.h"

namespace platform::dialog {

INT_PTR dialog_box_from_bytes(std::span<BYTE const> bytes, HINSTANCE instance, HWND owner, DLGPROC procedure,
                              LPARAM init_param)
{
    if (owner == GetDesktopWindow())
        owner = nullptr;
    if (owner && !find_window(owner)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (ModalLoop::running()) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return -1;
    }
    auto const dialog_template = resources::parse_dialog_template(bytes);
    if (!dialog_template) {
        SetLastError(ERROR_INVALID_DATA);
        return -1;
    }
    // The front end is the one the process's composer handed over; without
    // one there is nothing to show the dialog on.
    auto* front_end = installed_front_end();
    if (!front_end) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return -1;
    }
    auto dialog = build_dialog(*dialog_template, instance, owner, procedure, *front_end);
    if (!dialog)
        return -1;
    ModalLoop loop(*dialog, *front_end);
    return loop.run(init_param);
}

}

using namespace platform::dialog;

INT_PTR WINAPI DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam)
{
    HRSRC const found = FindResourceW(hInstance, lpTemplateName, RT_DIALOG);
    if (!found)
        return -1;
    HGLOBAL const loaded = LoadResource(hInstance, found);
    auto const* data = static_cast<BYTE const*>(LockResource(loaded));
    DWORD const size = SizeofResource(hInstance, found);
    if (!data) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return -1;
    }
    return dialog_box_from_bytes(std::span<BYTE const>(data, size), hInstance, hWndParent, lpDialogFunc, dwInitParam);
}

INT_PTR WINAPI DialogBoxIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATE hDialogTemplate, HWND hWndParent,
                                       DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    auto const extent = template_extent(hDialogTemplate);
    if (extent.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    return dialog_box_from_bytes(extent, hInstance, hWndParent, lpDialogFunc, dwInitParam);
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult)
{
    auto* dialog = dynamic_cast<DialogWindow*>(find_window(hDlg));
    if (!dialog) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    dialog->end(nResult);
    return TRUE;
}
