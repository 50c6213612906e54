// Running a modal dialog box from template bytes whose extent is known: what
// DialogBoxParamW and DialogBoxIndirectParamW come down to.
#pragma once

#include "windows.h"

#include <span>

namespace platform::dialog {

// The EndDialog result; -1 when the template is malformed or asks for what
// cannot be built, when no front end can show the dialog, or when another
// modal dialog is running; 0 for an owner that is not a window. The reason
// is left for GetLastError.
INT_PTR dialog_box_from_bytes(std::span<BYTE const> dialog_template, HINSTANCE instance, HWND owner,
                              DLGPROC procedure, LPARAM init_param);

}
