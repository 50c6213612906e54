// Runs dialogs of a test in process through the script front end, on a script
// given as a string, and gives back what the front end wrote.
#pragma once

#include "dialog/DesktopWindow.h"
#include "frontends/ScriptFrontEnd.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

class ScriptSession {
public:
    explicit ScriptSession(std::string const& script,
                           platform::frontends::ScriptFrontEnd::Metrics const& metrics = {})
        : m_input(script)
    {
        platform::dialog::install_front_end(
            std::make_unique<platform::frontends::ScriptFrontEnd>(m_input, m_output, m_errors, metrics));
    }

    ~ScriptSession() { platform::dialog::install_front_end(nullptr); }

    ScriptSession(ScriptSession const&) = delete;
    ScriptSession& operator=(ScriptSession const&) = delete;

    // Every line written, each parsed as the JSON it is.
    std::vector<nlohmann::json> lines() const
    {
        std::vector<nlohmann::json> lines;
        std::istringstream output(m_output.str());
        for (std::string line; std::getline(output, line);)
            lines.push_back(nlohmann::json::parse(line));
        return lines;
    }

    std::string output() const { return m_output.str(); }
    std::string errors() const { return m_errors.str(); }

private:
    std::istringstream m_input;
    std::ostringstream m_output;
    std::ostringstream m_errors;
};

// The control with this id in a dialog dump the front end wrote, or null.
inline nlohmann::json const* control(nlohmann::json const& dump, int id)
{
    for (auto const& item : dump.at("controls")) {
        if (item.at("id") == id)
            return &item;
    }
    return nullptr;
}
