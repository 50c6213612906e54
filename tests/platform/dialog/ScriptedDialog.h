// Runs one of the fixture dialogs in process, driven by a script front end on
// strings: the commands go in as text, the answers come back as JSON lines.
#pragma once

#include "dialog/DesktopWindow.h"
#include "frontends/ScriptFrontEnd.h"
#include "windows.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace dialog_test {

// What the dialog procedure saw and did: the commands in order, as
// (id, notification) pairs.
struct Procedure {
    std::function<BOOL(HWND)> on_init = [](HWND) { return TRUE; };
    // Commands that end the dialog (with their id) when clicked, as a
    // framework's OnOK and OnCancel do.
    std::set<WORD> ending { IDOK, IDCANCEL };
    bool handles_close { false }; // answers WM_CLOSE itself and stays open
    // Called for every WM_COMMAND before the dialog may end.
    std::function<void(HWND, WORD, WORD)> on_command = [](HWND, WORD, WORD) {};
    std::vector<std::pair<WORD, WORD>> commands;
    std::vector<WORD> clicked() const
    {
        std::vector<WORD> ids;
        for (auto const& [id, code] : commands) {
            if (code == BN_CLICKED)
                ids.push_back(id);
        }
        return ids;
    }
};

inline INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lparam);
        return reinterpret_cast<Procedure*>(lparam)->on_init(dialog);
    }
    auto* state = reinterpret_cast<Procedure*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!state)
        return FALSE;
    if (message == WM_COMMAND) {
        state->commands.emplace_back(LOWORD(wparam), HIWORD(wparam));
        state->on_command(dialog, LOWORD(wparam), HIWORD(wparam));
        if (HIWORD(wparam) == BN_CLICKED && state->ending.count(LOWORD(wparam)))
            EndDialog(dialog, LOWORD(wparam));
        return TRUE;
    }
    if (message == WM_CLOSE && state->handles_close)
        return TRUE;
    return FALSE;
}

struct Run {
    INT_PTR result { 0 };
    std::vector<nlohmann::json> lines; // every line written, parsed
    std::string errors;

    // The dumps, in order.
    std::vector<nlohmann::json> dumps() const
    {
        std::vector<nlohmann::json> found;
        for (auto const& line : lines) {
            if (line.is_object() && line.contains("controls"))
                found.push_back(line);
        }
        return found;
    }
    nlohmann::json last_dump() const
    {
        auto const all = dumps();
        return all.empty() ? nlohmann::json() : all.back();
    }
    // The control with `id` in the last dump.
    nlohmann::json control(int id) const
    {
        auto const dump = last_dump();
        if (!dump.is_object())
            return {};
        for (auto const& c : dump["controls"]) {
            if (c["id"] == id)
                return c;
        }
        return {};
    }
    std::string text(int id) const
    {
        auto const c = control(id);
        return c.is_object() ? c.value("text", std::string()) : std::string("<no control>");
    }
    nlohmann::json focus() const { return last_dump()["focus"]; }
};

inline Run run_dialog(int dialog_id, std::string const& script, Procedure& state,
                      platform::frontends::ScriptFrontEnd::Metrics const& metrics = {})
{
    std::istringstream input(script);
    std::ostringstream output;
    std::ostringstream errors;
    platform::dialog::install_front_end(
        std::make_unique<platform::frontends::ScriptFrontEnd>(input, output, errors, metrics));
    Run run;
    run.result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(dialog_id), nullptr, procedure,
                                 reinterpret_cast<LPARAM>(&state));
    platform::dialog::install_front_end(nullptr);
    std::istringstream lines(output.str());
    for (std::string line; std::getline(lines, line);)
        run.lines.push_back(nlohmann::json::parse(line, nullptr, false));
    run.errors = errors.str();
    return run;
}

inline Run run_dialog(int dialog_id, std::string const& script)
{
    Procedure state;
    return run_dialog(dialog_id, script, state);
}

}
