// The script front end: command lines in, JSON lines out.
#include "frontends/ScriptFrontEnd.h"

#include "text/TerminalText.h"

#include "text/Utf.h"
#include "windows.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <istream>
#include <ostream>
#include <string_view>

namespace platform::frontends {

namespace {

std::string_view trim_line_end(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    return line;
}

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

// The line for a message: quoted, its controls escaped, a long one cut short.
std::string quoted(std::string const& line)
{
    return platform::text::quote_for_terminal(std::string_view(line));
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

ScriptFrontEnd::ScriptFrontEnd(std::istream& input, std::ostream& output, std::ostream& errors)
    : ScriptFrontEnd(input, output, errors, Metrics {})
{
}

ScriptFrontEnd::ScriptFrontEnd(std::istream& input, std::ostream& output, std::ostream& errors,
                               Metrics const& metrics)
    : m_input(input)
    , m_output(output)
    , m_errors(errors)
    , m_metrics(metrics)
{
}

Result<void> ScriptFrontEnd::prepare()
{
    return {};
}

SIZE ScriptFrontEnd::screen_size() const
{
    return m_metrics.screen;
}

BaseUnits ScriptFrontEnd::base_units() const
{
    return m_metrics.base;
}

Insets ScriptFrontEnd::non_client_insets(DWORD, DWORD) const
{
    return m_metrics.frame;
}

int ScriptFrontEnd::text_extent(std::u16string_view text) const
{
    return FrontEnd::text_extent(text) * m_metrics.character_width;
}

Result<void> ScriptFrontEnd::show(DialogView const& view)
{
    m_view = view;
    return {};
}

void ScriptFrontEnd::refresh(DialogView const& view)
{
    m_view = view;
}

InputEvent ScriptFrontEnd::next_event()
{
    if (m_pending.empty() && !typing() && !read_events())
        return CloseRequest { true };
    if (typing()) {
        char32_t const c = m_typed[m_typed_next++];
        if (!typing()) {
            m_typed.clear();
            m_typed_next = 0;
        }
        if (c == U' ')
            return KeyPress { VK_SPACE, false, false };
        return CharInput { c };
    }
    InputEvent event = m_pending.front();
    m_pending.pop_front();
    return event;
}

void ScriptFrontEnd::close(INT_PTR result)
{
    nlohmann::json end = { { "end", static_cast<long long>(result) } };
    write_line(end.dump());
    m_view.reset();
}

std::string ScriptFrontEnd::dump_line(DialogView const& view)
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
    nlohmann::json dump = {
        { "caption", text::to_utf8(view.caption) },
        { "focus", focus },
        { "controls", std::move(controls) },
        { "style", view.style },
        { "ex_style", view.ex_style },
        { "window", rect_json(view.window_rect) },
        { "client", rect_json(view.client_rect) },
        { "icons", { { "big", handle_json(view.big_icon) }, { "small", handle_json(view.small_icon) } } },
    };
    return platform::text::escape_terminal_controls_in_json(
        dump.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

bool ScriptFrontEnd::read_line(std::string& line, bool& too_long)
{
    line.clear();
    too_long = false;
    std::streambuf* const buffer = m_input.rdbuf();
    if (!buffer || !m_input.good())
        return false;
    bool any = false;
    for (;;) {
        int const c = buffer->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            m_input.setstate(std::ios::eofbit);
            return any;
        }
        any = true;
        if (c == '\n')
            return true;
        if (line.size() < max_line_bytes)
            line.push_back(static_cast<char>(c));
        else
            too_long = true;
    }
}

bool ScriptFrontEnd::read_events()
{
    if (m_input_ended)
        return false;
    std::string line;
    while (m_pending.empty() && !typing()) {
        bool too_long = false;
        if (!read_line(line, too_long)) {
            m_input_ended = true;
            if (m_reports > max_reported_lines)
                m_errors << "script: " << m_reports << " lines in all were not understood" << std::endl;
            return false;
        }
        ++m_line_number;
        if (too_long) {
            // Answered, so that a driver waiting for output is not left waiting.
            nlohmann::json const answer = { { "error", "line too long" },
                                            { "line", m_line_number },
                                            { "limit", max_line_bytes } };
            write_line(platform::text::escape_terminal_controls_in_json(
                answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)));
            report("longer than " + std::to_string(max_line_bytes) + " bytes, skipped: "
                   + platform::text::quote_for_terminal(std::string_view(line), 40));
            continue;
        }
        std::string const command(trim_line_end(line));
        if (auto error = parse_line(command))
            report(*error + ": " + quoted(command));
    }
    return true;
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

void ScriptFrontEnd::report(std::string const& message)
{
    // However many lines a script gets wrong, what is said of them stays short.
    ++m_reports;
    if (m_reports <= max_reported_lines)
        m_errors << "script: line " << m_line_number << ": " << message << std::endl;
    else if (m_reports == max_reported_lines + 1)
        m_errors << "script: line " << m_line_number << ": more lines not understood; they are counted, not shown"
                 << std::endl;
}

void ScriptFrontEnd::write_line(std::string const& line)
{
    m_output << line << '\n';
    m_output.flush();
}

}
