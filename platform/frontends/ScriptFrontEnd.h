// The front end for tests and automation (CE_DEVICE_UI=script): reads commands
// from a stream one a line and answers on another, one JSON line at a time,
// each flushed at once so that a driver can read an answer before it sends its
// next command. The commands (dump, key, type, click, close, resize) are the
// rows of the table in ScriptCommands.cpp; docs/script-front-end.md describes
// them for users.
//
// When the dialog ends it writes {"end": N}. The end of input closes the dialog
// with IDCANCEL. A line it does not understand goes to the error stream with
// its line number and is otherwise ignored.
#pragma once

#include "frontends/FrontEnd.h"
#include "frontends/ScriptLineReader.h"
#include "text/Result.h"

#include <cstddef>
#include <deque>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform::frontends {

class ScriptFrontEnd final : public FrontEnd {
public:
    struct Metrics {
        SIZE screen { 640, 480 };
        BaseUnits base { 8, 16, 1 };
        Insets frame { 1, 18, 1, 1 }; // a frame line and a title bar
        int character_width { 8 };    // every character is this wide
    };

    ScriptFrontEnd(std::istream& input, std::ostream& output, std::ostream& errors);
    ScriptFrontEnd(std::istream& input, std::ostream& output, std::ostream& errors, Metrics const& metrics);

    Result<void> prepare() override;
    SIZE screen_size() const override;
    BaseUnits base_units() const override;
    Insets non_client_insets(DWORD style, DWORD ex_style) const override;
    int text_extent(std::u16string_view text) const override;
    Result<void> show(DialogView const& view) override;
    void refresh(DialogView const& view) override;
    InputEvent next_event() override;
    void close(INT_PTR result) override;

    // One row of the command table: a command's name, the arguments of each
    // of its forms ("" for a command that takes none) and what runs it with
    // the rest of its line.
    struct Command {
        std::string_view name;
        std::span<std::string_view const> forms;
        Result<void> (ScriptFrontEnd::*run)(std::string_view arguments);
    };
    static std::span<Command const> commands();

    // The longest command line taken, in bytes without its line break. A longer
    // one is read to its end without being kept, answered with one JSON error
    // line and otherwise ignored.
    static constexpr std::size_t max_line_bytes = 1 << 20;

    // How many lines not understood are reported one by one; the rest are
    // counted, and the count reported when the input ends.
    static constexpr std::size_t max_reported_lines = 100;

private:
    // Reads lines until one yields input; false at the end of input.
    bool read_events();
    bool typing() const { return m_typed_next < m_typed.size(); }
    // Turns one command line into queued events, or says what is wrong with it.
    Result<void> parse_line(std::string_view line);
    Result<void> run_dump(std::string_view arguments);
    Result<void> run_key(std::string_view name);
    Result<void> run_type(std::string_view text);
    Result<void> run_click(std::string_view target);
    Result<void> run_close(std::string_view arguments);
    Result<void> run_resize(std::string_view size);
    void report(std::string const& message);
    void write_line(std::string const& line);

    ScriptLineReader m_reader;
    std::ostream& m_output;
    std::ostream& m_errors;
    Metrics m_metrics;
    std::size_t m_line_number { 0 };
    std::size_t m_reports { 0 };
    bool m_input_ended { false };
    std::optional<DialogView> m_view;
    std::deque<InputEvent> m_pending;
    // The text of the last `type`, handed out one character at a time.
    std::u32string m_typed;
    std::size_t m_typed_next { 0 };
};

}
