// A program with one dialog, run the way the device runs a program: the front
// end is prepared first (a clear message and exit status 1 when it cannot be),
// then the dialog runs and its result is the exit status. On OK it prints the
// number in the edit field to standard error.
#include "dialog/DesktopWindow.h"
#include "frontends/FrontEnds.h"
#include "host.h"
#include "windows.h"

#include <iostream>
#include <utility>

namespace {

INT_PTR CALLBACK host_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemInt(dialog, IDC_HOST_EDIT, static_cast<UINT>(-60), TRUE);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK && HIWORD(wparam) == BN_CLICKED) {
            BOOL translated = FALSE;
            auto const value = static_cast<INT>(GetDlgItemInt(dialog, IDC_HOST_EDIT, &translated, TRUE));
            std::cerr << "value " << value << (translated ? "" : " (not a number)") << std::endl;
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wparam) == IDCANCEL && HIWORD(wparam) == BN_CLICKED) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}

int main()
{
    auto front_end = platform::frontends::choose_front_end();
    if (!front_end) {
        std::cerr << "script_host: " << front_end.error().message << std::endl;
        return 1;
    }
    platform::dialog::install_front_end(std::move(*front_end));
    INT_PTR const result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_HOST), nullptr,
                                           host_procedure, 0);
    return result < 0 ? 3 : static_cast<int>(result);
}
