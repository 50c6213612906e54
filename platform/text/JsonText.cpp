// Writing JSON for a terminal or a log.
#include "text/JsonText.h"

#include "text/TerminalText.h"

#include <nlohmann/json.hpp>

namespace platform::text {

namespace {

template<typename Json>
std::string dumped_for_terminal(Json const& value, int indent)
{
    return escape_terminal_controls_in_json(value.dump(indent, ' ', false, Json::error_handler_t::replace));
}

}

std::string json_for_terminal(nlohmann::json const& value, int indent)
{
    return dumped_for_terminal(value, indent);
}

std::string json_for_terminal(nlohmann::ordered_json const& value, int indent)
{
    return dumped_for_terminal(value, indent);
}

}
