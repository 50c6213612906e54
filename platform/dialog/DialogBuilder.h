// Builds a dialog box and its controls from a parsed template: styles, texts,
// identifiers, places in front-end units, the default button, icons.
#pragma once

#include "dialog/DialogWindow.h"
#include "resources/DialogTemplate.h"

#include <memory>

namespace platform::dialog {

// Null, with the reason for GetLastError, when the template asks for what the
// device cannot build (a menu, a private dialog class, an unknown control class).
std::unique_ptr<DialogWindow> build_dialog(resources::DialogTemplate const& dialog_template, HINSTANCE instance,
                                           HWND owner, DLGPROC procedure, frontends::FrontEnd& front_end);

}
