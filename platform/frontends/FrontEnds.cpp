// The process's one front end, chosen by CE_DEVICE_UI.
#include "frontends/FrontEnds.h"

#include "frontends/ScriptFrontEnd.h"
#include "text/TerminalText.h"

#include <cstdlib>
#include <iostream>
#include <string_view>

namespace platform::frontends {

namespace {

bool has_display()
{
    for (char const* name : { "WAYLAND_DISPLAY", "DISPLAY" }) {
        char const* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

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
    // The window's settings are the user's whichever front end runs: one
    // that cannot be honoured is refused, never dropped in silence.
    std::unique_ptr<FrontEnd> window = create_window_front_end();
    if (window) {
        if (auto error = window->check_settings())
            return error;
    }
    char const* setting = std::getenv("CE_DEVICE_UI");
    if (!setting || !*setting) {
        // The window where there is a display to open it on; the terminal
        // otherwise, and where the window cannot start on this host.
        if (has_display() && window) {
            auto error = window->prepare();
            if (!error) {
                the_front_end() = std::move(window);
                return std::nullopt;
            }
            if (window->refused_a_setting())
                return error;
        }
        setting = "terminal";
    }
    std::string_view const name = setting;
    std::unique_ptr<FrontEnd> front_end;
    if (name == "terminal")
        front_end = create_terminal_front_end();
    else if (name == "window")
        front_end = window ? std::move(window) : create_window_front_end();
    else if (name == "script")
        front_end = create_script_front_end();
    else
        return "CE_DEVICE_UI=" + platform::text::excerpt_for_terminal(name) + " is not a front end; use window, terminal or script";
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
