// The process's one front end, chosen by CE_DEVICE_UI.
#include "frontends/FrontEnds.h"

#include "frontends/ScriptFrontEnd.h"

#include <cstdlib>
#include <iostream>
#include <string_view>

namespace platform::frontends {

namespace {

std::unique_ptr<FrontEnd>& the_front_end()
{
    static std::unique_ptr<FrontEnd> front_end;
    return front_end;
}

}

std::optional<std::string> prepare_front_end()
{
    if (the_front_end())
        return std::nullopt;
    char const* const setting = std::getenv("CE_DEVICE_UI");
    std::string_view const name = setting && *setting ? setting : "terminal";
    std::unique_ptr<FrontEnd> front_end;
    if (name == "terminal")
        front_end = create_terminal_front_end();
    else if (name == "script")
        front_end = create_script_front_end();
    else
        return "CE_DEVICE_UI=" + std::string(name) + " is not a front end; use terminal or script";
    if (!front_end)
        return "the " + std::string(name) + " front end could not be created";
    if (auto error = front_end->prepare())
        return error;
    the_front_end() = std::move(front_end);
    return std::nullopt;
}

FrontEnd* current_front_end()
{
    return the_front_end().get();
}

void install_front_end(std::unique_ptr<FrontEnd> front_end)
{
    the_front_end() = std::move(front_end);
}

std::unique_ptr<FrontEnd> create_script_front_end()
{
    return std::make_unique<ScriptFrontEnd>(std::cin, std::cout, std::cerr);
}

}
