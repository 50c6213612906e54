// The process's front end, chosen by CE_DEVICE_UI.
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

}

Result<std::unique_ptr<FrontEnd>> choose_front_end()
{
    // The window's settings are the user's whichever front end runs: one
    // that cannot be honoured is refused, never dropped in silence.
    std::unique_ptr<FrontEnd> window = create_window_front_end();
    if (window) {
        if (auto checked = window->check_settings(); !checked)
            return checked.error();
    }
    char const* setting = std::getenv("CE_DEVICE_UI");
    if (!setting || !*setting) {
        // The window where there is a display to open it on; the terminal
        // otherwise, and where the window cannot start on this host.
        if (has_display() && window) {
            auto prepared = window->prepare();
            if (prepared)
                return window;
            if (window->refused_a_setting())
                return prepared.error();
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
        return Error { "CE_DEVICE_UI=" + platform::text::excerpt_for_terminal(name)
                       + " is not a front end; use window, terminal or script" };
    if (!front_end)
        return Error { "the " + std::string(name) + " front end could not be created" };
    if (auto prepared = front_end->prepare(); !prepared)
        return prepared.error();
    return front_end;
}

std::unique_ptr<FrontEnd> create_script_front_end()
{
    return std::make_unique<ScriptFrontEnd>(std::cin, std::cout, std::cerr);
}

}
