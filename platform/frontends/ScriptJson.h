// What the script front end writes on its output: one JSON object a line,
// every control character in it escaped so that a terminal showing the
// output acts on none.
#pragma once

#include "frontends/DialogView.h"

#include <cstddef>
#include <string>

namespace platform::frontends {

// The dialog, as `dump` writes it.
std::string script_dump_json(DialogView const& view);
// {"end": N}: the dialog ended with `result`.
std::string script_end_json(INT_PTR result);
// The answer to line `line`, longer than `limit` bytes and skipped.
std::string script_line_too_long_json(std::size_t line, std::size_t limit);

}
