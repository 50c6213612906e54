// JSON as the device writes it for a terminal or a log: the script front end's
// answers, ce-tz --json, the call trace.
#pragma once

#include <nlohmann/json_fwd.hpp>

#include <string>

namespace platform::text {

// The value as JSON text (on one line, or laid out with `indent` spaces a
// level): strings that are not UTF-8 hold U+FFFD where they break, and every
// terminal control JSON lets stand raw in a string is a \u escape.
std::string json_for_terminal(nlohmann::json const& value, int indent = -1);
// The same for an object that keeps its members in the order they were added.
std::string json_for_terminal(nlohmann::ordered_json const& value, int indent = -1);

}
