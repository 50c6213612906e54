// The script front end: command lines in, JSON lines out.
#include "frontends/ScriptFrontEnd.h"

#include "frontends/ScriptJson.h"
#include "text/TerminalText.h"
#include "windows.h"

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

// The line for a message: quoted, its controls escaped, a long one cut short.
std::string quoted(std::string const& line)
{
    return platform::text::quote_for_terminal(std::string_view(line));
}

}

ScriptFrontEnd::ScriptFrontEnd(std::istream& input, std::ostream& output, std::ostream& errors)
    : ScriptFrontEnd(input, output, errors, Metrics {})
{
}

ScriptFrontEnd::ScriptFrontEnd(std::istream& input, std::ostream& output, std::ostream& errors,
                               Metrics const& metrics)
    : m_reader(input, max_line_bytes)
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
    write_line(script_end_json(result));
    m_view.reset();
}

bool ScriptFrontEnd::read_events()
{
    if (m_input_ended)
        return false;
    std::string line;
    while (m_pending.empty() && !typing()) {
        bool too_long = false;
        if (!m_reader.next(line, too_long)) {
            m_input_ended = true;
            if (m_reports > max_reported_lines)
                m_errors << "script: " << m_reports << " lines in all were not understood" << std::endl;
            return false;
        }
        ++m_line_number;
        if (too_long) {
            // Answered, so that a driver waiting for output is not left waiting.
            write_line(script_line_too_long_json(m_line_number, max_line_bytes));
            report("longer than " + std::to_string(max_line_bytes) + " bytes, skipped: "
                   + platform::text::quote_for_terminal(std::string_view(line), 40));
            continue;
        }
        std::string const command(trim_line_end(line));
        if (auto parsed = parse_line(command); !parsed)
            report(parsed.error().message + ": " + quoted(command));
    }
    return true;
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
