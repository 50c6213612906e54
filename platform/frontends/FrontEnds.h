// Choosing the process's front end: CE_DEVICE_UI names it (`window`, `terminal`
// or `script`); unset, it is the window where a display opens and the terminal
// elsewhere. The process entry chooses it once, before the program starts, and
// hands it to the dialog manager (platform::dialog::install_front_end), which
// shows every dialog through it and knows nothing of this choice.
#pragma once

#include "frontends/FrontEnd.h"
#include "text/Result.h"

#include <memory>

namespace platform::frontends {

// Creates the front end that CE_DEVICE_UI names and checks that it can run
// (its prepare()). On failure (an unknown CE_DEVICE_UI value, a setting that
// cannot be honoured, a terminal that cannot be used) the error in words, and
// no front end. Each call creates a new one.
Result<std::unique_ptr<FrontEnd>> choose_front_end();

// The terminal front end. Provided by terminal/ (ce_frontend_terminal), or by
// TerminalUnavailable.cpp in a build without it.
std::unique_ptr<FrontEnd> create_terminal_front_end();

// The window front end. Provided by window/ (ce_frontend_window), or by
// WindowUnavailable.cpp in a build without it.
std::unique_ptr<FrontEnd> create_window_front_end();

// The script front end on the process's standard input and output.
std::unique_ptr<FrontEnd> create_script_front_end();

}
