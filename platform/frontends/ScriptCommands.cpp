// The script front end's commands as one table: each row gives a command's
// name, the arguments of each of its forms and the function that runs it;
// the parser goes by the table, and the reference page's list of commands is
// checked against it.
#include "frontends/ScriptFrontEnd.h"

#include "frontends/ScriptJson.h"

#include "text/CaseFold.h"
#include "text/Utf.h"
#include "windows.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <iterator>
#include <string_view>

namespace platform::frontends {

namespace {

template<typename Number>
bool parse_number(std::string_view text, Number& value)
{
    if (text.empty())
        return false;
    auto const* end = text.data() + text.size();
    auto [ptr, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && ptr == end;
}

struct KeyName {
    char const* name;
    UINT vk;
};

constexpr KeyName key_names[] = {
    { "tab", VK_TAB },        { "enter", VK_RETURN }, { "return", VK_RETURN }, { "escape", VK_ESCAPE },
    { "esc", VK_ESCAPE },     { "space", VK_SPACE },  { "backspace", VK_BACK }, { "delete", VK_DELETE },
    { "left", VK_LEFT },      { "right", VK_RIGHT },  { "up", VK_UP },          { "down", VK_DOWN },
    { "home", VK_HOME },      { "end", VK_END },
};

constexpr std::string_view no_arguments[] = { "" };
constexpr std::string_view key_arguments[] = { "NAME" };
constexpr std::string_view type_arguments[] = { "TEXT" };
constexpr std::string_view click_arguments[] = { "ID [X Y]", "caption-ok", "caption-close" };
constexpr std::string_view resize_arguments[] = { "W H" };

}

std::span<ScriptFrontEnd::Command const> ScriptFrontEnd::commands()
{
    static constexpr Command table[] = {
        { "dump", no_arguments, &ScriptFrontEnd::run_dump },
        { "key", key_arguments, &ScriptFrontEnd::run_key },
        { "type", type_arguments, &ScriptFrontEnd::run_type },
        { "click", click_arguments, &ScriptFrontEnd::run_click },
        { "close", no_arguments, &ScriptFrontEnd::run_close },
        { "resize", resize_arguments, &ScriptFrontEnd::run_resize },
    };
    return table;
}

Result<void> ScriptFrontEnd::parse_line(std::string_view line)
{
    if (line.find_first_not_of(" \t") == std::string_view::npos)
        return {}; // blank lines are allowed and mean nothing
    auto const space = line.find(' ');
    std::string_view const name = line.substr(0, space);
    std::string_view const arguments = space == std::string_view::npos ? std::string_view {} : line.substr(space + 1);
    bool const bare = arguments.find_first_not_of(" \t") == std::string_view::npos;
    for (auto const& command : commands()) {
        // A command that takes nothing is not one when something follows it.
        bool const takes_none = command.forms.size() == 1 && command.forms[0].empty();
        if (name == command.name && (bare || !takes_none))
            return (this->*command.run)(arguments);
    }
    return Error { "unknown command" };
}

Result<void> ScriptFrontEnd::run_dump(std::string_view)
{
    write_line(m_view ? script_dump_json(*m_view) : "null");
    return {};
}

Result<void> ScriptFrontEnd::run_close(std::string_view)
{
    m_pending.push_back(CloseRequest { false });
    return {};
}

Result<void> ScriptFrontEnd::run_key(std::string_view name)
{
    KeyPress key;
    std::string rest = platform::text::fold_case(name);
    for (;;) {
        if (rest.starts_with("shift+") && rest.size() > 6) {
            key.shift = true;
            rest.erase(0, 6);
        } else if (rest.starts_with("ctrl+") && rest.size() > 5) {
            key.ctrl = true;
            rest.erase(0, 5);
        } else {
            break;
        }
    }
    for (auto const& entry : key_names) {
        if (rest == entry.name) {
            key.vk = entry.vk;
            m_pending.push_back(key);
            return {};
        }
    }
    if (key.ctrl && rest.size() == 1 && rest[0] >= 'a' && rest[0] <= 'z') {
        key.vk = static_cast<UINT>(std::toupper(static_cast<unsigned char>(rest[0])));
        m_pending.push_back(key);
        return {};
    }
    return Error { "unknown key" };
}

// The text goes to the focused control as typed characters, never as keys: a
// control character (C0 such as CR, LF, tab and ESC, DEL, or C1) is left out,
// as a single-line edit field takes none, so that text can never confirm,
// cancel or move the focus. Keys are sent with `key`.
Result<void> ScriptFrontEnd::run_type(std::string_view text)
{
    auto characters = platform::text::decode_utf8(text);
    if (!characters)
        return Error { "text is not UTF-8" };
    std::erase_if(*characters, [](char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); });
    m_typed = std::move(*characters);
    m_typed_next = 0;
    return {};
}

Result<void> ScriptFrontEnd::run_click(std::string_view target)
{
    auto const space = target.find(' ');
    std::string_view name = target.substr(0, space);
    std::string_view position = space == std::string_view::npos ? std::string_view {} : target.substr(space + 1);

    if (name == "caption-ok" || name == "caption-close") {
        if (!position.empty())
            return Error { "a title bar button takes no position" };
        m_pending.push_back(CaptionClick { name == "caption-ok" ? CaptionButton::Ok : CaptionButton::Close });
        return {};
    }
    int id = 0;
    if (!parse_number(name, id))
        return Error { "click needs a control id, caption-ok or caption-close" };
    if (!m_view)
        return Error { "no dialog is shown" };
    auto const& controls = m_view->controls;
    auto const found = std::find_if(controls.begin(), controls.end(), [id](auto const& c) { return c.id == id; });
    if (found == controls.end())
        return Error { "no control has the id " + std::to_string(id) };
    POINT offset { (found->rect.right - found->rect.left) / 2, (found->rect.bottom - found->rect.top) / 2 };
    if (!position.empty()) {
        auto const gap = position.find(' ');
        if (gap == std::string_view::npos || !parse_number(position.substr(0, gap), offset.x)
            || !parse_number(position.substr(gap + 1), offset.y))
            return Error { "a click position is two whole numbers" };
    }
    m_pending.push_back(ControlClick { static_cast<std::size_t>(found - controls.begin()), offset });
    return {};
}

Result<void> ScriptFrontEnd::run_resize(std::string_view size)
{
    auto const gap = size.find(' ');
    SIZE screen {};
    if (gap == std::string_view::npos || !parse_number(size.substr(0, gap), screen.cx)
        || !parse_number(size.substr(gap + 1), screen.cy) || screen.cx <= 0 || screen.cy <= 0)
        return Error { "resize needs a width and a height above 0" };
    m_metrics.screen = screen;
    m_pending.push_back(ScreenResize { screen });
    return {};
}

}
