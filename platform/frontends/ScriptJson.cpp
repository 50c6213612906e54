// The script front end's JSON lines, made with nlohmann-json.
#include "frontends/ScriptJson.h"

#include "text/TerminalText.h"
#include "text/Utf.h"
#include "windows.h"

#include <nlohmann/json.hpp>

namespace platform::frontends {

namespace {

// One line of output: text that is not well-formed shows U+FFFD, and every
// control character goes out as a \u escape.
std::string json_line(nlohmann::json const& value)
{
    return platform::text::escape_terminal_controls_in_json(
        value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

nlohmann::json rect_json(RECT const& r)
{
    return { { "x", r.left }, { "y", r.top }, { "cx", r.right - r.left }, { "cy", r.bottom - r.top } };
}

nlohmann::json handle_json(HICON icon)
{
    if (!icon)
        return nullptr;
    return reinterpret_cast<std::uintptr_t>(icon);
}

char const* class_name(ControlClass c)
{
    switch (c) {
    case ControlClass::Button:
        return "Button";
    case ControlClass::Edit:
        return "Edit";
    case ControlClass::Static:
        return "Static";
    }
    return "Static";
}

}

std::string script_dump_json(DialogView const& view)
{
    nlohmann::json controls = nlohmann::json::array();
    for (auto const& control : view.controls) {
        nlohmann::json item = {
            { "id", control.id },
            { "class", class_name(control.control_class) },
            { "text", text::to_utf8(control.text) },
            { "style", control.style },
            { "visible", control.visible },
            { "enabled", control.enabled },
            { "rect", rect_json(control.rect) },
            { "dlu",
              { { "x", control.dialog_units.x },
                { "y", control.dialog_units.y },
                { "cx", control.dialog_units.cx },
                { "cy", control.dialog_units.cy } } },
        };
        if (control.control_class == ControlClass::Button)
            item["default"] = control.is_default;
        if (control.control_class == ControlClass::Edit) {
            item["caret"] = control.caret;
            item["selection"] = { control.selection_start, control.selection_end };
            item["scroll"] = control.scroll;
        }
        if (control.shows_icon)
            item["icon"] = handle_json(control.icon);
        controls.push_back(std::move(item));
    }
    nlohmann::json focus = nullptr;
    if (view.focus && *view.focus < view.controls.size())
        focus = view.controls[*view.focus].id;
    nlohmann::json notices = nlohmann::json::array();
    for (DeviceNotice const& notice : view.notices)
        notices.push_back({ { "kind", notice_name(notice.kind) }, { "text", text::to_utf8(notice_text(notice.kind)) } });
    nlohmann::json dump = {
        { "caption", text::to_utf8(view.caption) },
        { "focus", focus },
        { "controls", std::move(controls) },
        { "style", view.style },
        { "ex_style", view.ex_style },
        { "window", rect_json(view.window_rect) },
        { "client", rect_json(view.client_rect) },
        { "icons", { { "big", handle_json(view.big_icon) }, { "small", handle_json(view.small_icon) } } },
        { "notices", std::move(notices) },
    };
    return json_line(dump);
}

std::string script_end_json(INT_PTR result)
{
    nlohmann::json const end = { { "end", static_cast<long long>(result) } };
    return json_line(end);
}

std::string script_line_too_long_json(std::size_t line, std::size_t limit)
{
    nlohmann::json const answer = { { "error", "line too long" }, { "line", line }, { "limit", limit } };
    return json_line(answer);
}

}
