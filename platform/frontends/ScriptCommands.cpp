// The script front end's commands.
#include "frontends/ScriptFrontEnd.h"

#include "text/TerminalText.h"

#include "text/Utf.h"
#include "windows.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>

namespace platform::frontends {

namespace {

std::string lower(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

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

// Decodes UTF-8 into code points; nullopt for ill-formed input.
std::optional<std::u32string> decode_utf8(std::string_view text)
{
    std::u32string result;
    std::size_t i = 0;
    while (i < text.size()) {
        auto const lead = static_cast<unsigned char>(text[i]);
        int length = 0;
        char32_t cp = 0;
        if (lead < 0x80) {
            length = 1;
            cp = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            cp = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            cp = lead & 0x07;
        } else {
            return std::nullopt;
        }
        if (text.size() - i < static_cast<std::size_t>(length))
            return std::nullopt;
        for (int k = 1; k < length; ++k) {
            auto const next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            cp = (cp << 6) | (next & 0x3F);
        }
        bool const overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
        if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return std::nullopt;
        result.push_back(cp);
        i += length;
    }
    return result;
}

}

std::optional<std::string> ScriptFrontEnd::parse_line(std::string const& line)
{
    if (line.find_first_not_of(" \t") == std::string::npos)
        return std::nullopt; // blank lines are allowed and mean nothing
    std::string_view view(line);
    auto const space = view.find(' ');
    std::string_view command = view.substr(0, space);
    std::string_view rest = space == std::string_view::npos ? std::string_view {} : view.substr(space + 1);
    bool const bare = rest.find_first_not_of(" \t") == std::string_view::npos;

    if (command == "dump" && bare) {
        write_line(m_view ? dump_line(*m_view) : "null");
        return std::nullopt;
    }
    if (command == "key")
        return parse_key(rest);
    if (command == "type")
        return parse_type(rest);
    if (command == "click")
        return parse_click(rest);
    if (command == "close" && bare) {
        m_pending.push_back(CloseRequest { false });
        return std::nullopt;
    }
    if (command == "resize")
        return parse_resize(rest);
    return "unknown command";
}

std::optional<std::string> ScriptFrontEnd::parse_key(std::string_view name)
{
    KeyPress key;
    std::string rest = lower(name);
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
            return std::nullopt;
        }
    }
    if (key.ctrl && rest.size() == 1 && rest[0] >= 'a' && rest[0] <= 'z') {
        key.vk = static_cast<UINT>(std::toupper(static_cast<unsigned char>(rest[0])));
        m_pending.push_back(key);
        return std::nullopt;
    }
    return "unknown key";
}

// The text goes to the focused control as typed characters, never as keys: a
// control character (C0 such as CR, LF, tab and ESC, DEL, or C1) is left out,
// as a single-line edit field takes none, so that text can never confirm,
// cancel or move the focus. Keys are sent with `key`.
std::optional<std::string> ScriptFrontEnd::parse_type(std::string_view text)
{
    auto characters = decode_utf8(text);
    if (!characters)
        return "text is not UTF-8";
    std::erase_if(*characters, [](char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); });
    m_typed = std::move(*characters);
    m_typed_next = 0;
    return std::nullopt;
}

std::optional<std::string> ScriptFrontEnd::parse_click(std::string_view target)
{
    auto const space = target.find(' ');
    std::string_view name = target.substr(0, space);
    std::string_view position = space == std::string_view::npos ? std::string_view {} : target.substr(space + 1);

    if (name == "caption-ok" || name == "caption-close") {
        if (!position.empty())
            return "a title bar button takes no position";
        m_pending.push_back(CaptionClick { name == "caption-ok" ? CaptionButton::Ok : CaptionButton::Close });
        return std::nullopt;
    }
    int id = 0;
    if (!parse_number(name, id))
        return "click needs a control id, caption-ok or caption-close";
    if (!m_view)
        return "no dialog is shown";
    auto const& controls = m_view->controls;
    auto const found = std::find_if(controls.begin(), controls.end(), [id](auto const& c) { return c.id == id; });
    if (found == controls.end())
        return "no control has the id " + std::to_string(id);
    POINT offset { (found->rect.right - found->rect.left) / 2, (found->rect.bottom - found->rect.top) / 2 };
    if (!position.empty()) {
        auto const gap = position.find(' ');
        if (gap == std::string_view::npos || !parse_number(position.substr(0, gap), offset.x)
            || !parse_number(position.substr(gap + 1), offset.y))
            return "a click position is two whole numbers";
    }
    m_pending.push_back(ControlClick { static_cast<std::size_t>(found - controls.begin()), offset });
    return std::nullopt;
}

std::optional<std::string> ScriptFrontEnd::parse_resize(std::string_view size)
{
    auto const gap = size.find(' ');
    SIZE screen {};
    if (gap == std::string_view::npos || !parse_number(size.substr(0, gap), screen.cx)
        || !parse_number(size.substr(gap + 1), screen.cy) || screen.cx <= 0 || screen.cy <= 0)
        return "resize needs a width and a height above 0";
    m_metrics.screen = screen;
    m_pending.push_back(ScreenResize { screen });
    return std::nullopt;
}

}
