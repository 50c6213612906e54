// Choosing the process's front end: CE_DEVICE_UI names it (`window`, `terminal`
// or `script`); unset, it is the window where a display opens and the terminal
// elsewhere. prepare_front_end() creates and checks it once, and the dialog
// manager shows every dialog through the one prepared.
#pragma once

#include "frontends/FrontEnd.h"

#include <memory>
#include <optional>
#include <string>

namespace platform::frontends {

// Creates the front end that CE_DEVICE_UI names and checks that it can run.
// On failure (an unknown CE_DEVICE_UI value, a terminal that cannot be used)
// an error text for the user, and no front end is kept. Calling it again once
// a front end is prepared or installed does nothing and succeeds.
std::optional<std::string> prepare_front_end();

// The prepared (or installed) front end, or null when there is none yet.
FrontEnd* current_front_end();

// Makes `front_end` the process's front end, replacing any other, without
// calling its prepare(); null removes it. For tests that drive dialogs in
// process.
void install_front_end(std::unique_ptr<FrontEnd> front_end);

// The terminal front end. Provided by terminal/ (ce_frontend_terminal), or by
// TerminalUnavailable.cpp in a build without it.
std::unique_ptr<FrontEnd> create_terminal_front_end();

// The window front end. Provided by window/ (ce_frontend_window), or by
// WindowUnavailable.cpp in a build without it.
std::unique_ptr<FrontEnd> create_window_front_end();

// The script front end on the process's standard input and output.
std::unique_ptr<FrontEnd> create_script_front_end();

}
