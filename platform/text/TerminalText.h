// Text from files, the registry or the user, made safe to print on a terminal:
// nothing in it can move the cursor, change colours, set a title or reorder
// what the terminal shows, and a huge text cannot flood a message.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform::text {

// C0 controls, DEL, C1 controls, and the bidirectional formatting characters
// (LRM, RLM, ALM, the embeddings, overrides and isolates).
bool is_terminal_control(char32_t c);

// How many characters of a quoted text a message shows.
inline constexpr std::size_t quoted_text_limit = 200;

// A name, line or value for a message, in double quotes, as UTF-8. Every
// terminal control shows as a visible escape (\n, \t, \x1B, \x7F, \u009B,
// \u202E), a backslash as \\ and a quote as \"; ill-formed text shows U+FFFD.
// A text of more than `limit` characters is cut there, with an ellipsis and
// its whole length after the closing quote: "abc..."… (52428800 characters).
std::string quote_for_terminal(std::u16string_view text, std::size_t limit = quoted_text_limit);
std::string quote_for_terminal(std::string_view utf8, std::size_t limit = quoted_text_limit);

// A path or a setting named in a message, as it stands but for its terminal
// controls, which show as above; one of more than `limit` characters is cut
// there and marked as a quoted text is: /tmp/aaaa… (102400 characters).
std::string excerpt_for_terminal(std::string_view utf8, std::size_t limit = quoted_text_limit);

// A whole message with every terminal control shown as a visible escape, as
// above; nothing else changes and nothing is cut.
std::string escape_terminal_controls(std::string_view utf8);

// JSON text as a JSON writer made it, with each terminal control that JSON
// lets stand raw inside a string (DEL, the C1 and the bidirectional controls)
// written as its \u escape: the JSON means the same, and a terminal shows it
// as it is. C0 controls are left alone, since the writer has escaped those in
// strings and any still there is the layout's own line break.
std::string escape_terminal_controls_in_json(std::string_view json);

// The text as UTF-8 with each terminal control replaced by `replacement`, for
// output that shows names and data as they are (ce-reg query).
std::string replace_terminal_controls(std::u16string_view text, char replacement);
// The same for UTF-8 text, for names shown as they are (a program's file
// name, a directory in --help); ill-formed parts show U+FFFD.
std::string replace_terminal_controls(std::string_view utf8, char replacement);

}
