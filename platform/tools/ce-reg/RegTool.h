// What ce-reg's sub-commands share: the parsed command line, the KEY
// argument, messages, the overwrite/delete prompt and value data in text.
#pragma once

#include "windows.h"

#include "text/Result.h"
#include "tools/VisibleText.h"

#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform::tools {

// One sub-command's command line: its positional arguments and its switches
// (/v NAME, /ve, /f...), switches spelt with '/' or '-' in any case.
struct Options {
    std::string command;
    std::vector<std::string> positional;
    std::optional<std::string> value_name; // /v NAME
    bool default_value = false;            // /ve
    bool all_values = false;               // /va
    bool recursive = false;                // /s (query)
    bool force = false;                    // /f, /y
    std::optional<std::string> type;       // /t TYPE
    std::optional<std::string> data;       // /d DATA
    std::optional<std::string> separator;  // /s SEPARATOR (add)
    bool help = false;                     // /?
};

// A KEY argument such as HKLM\Software\Corvane.
struct KeyArgument {
    HKEY root = nullptr;
    std::u16string root_name; // the full name: HKEY_LOCAL_MACHINE
    std::u16string sub_key;   // below the root, without trailing backslashes; may be empty
    std::u16string display() const { return sub_key.empty() ? root_name : root_name + u"\\" + sub_key; }
};

// One of a command's switches, spelt after '/' or '-' in any case: its name
// (and a second spelling, if any), whether a value follows it, and what it
// sets in the options.
struct Switch {
    std::string_view name;  // "v", "ve", "?"
    std::string_view alias; // "h" for "?"
    bool takes_value = false;
    void (*set)(Options& options, char const* value) = nullptr;
};

// One row of ce-reg's command table: everything about a command is said here,
// and its parsing, its usage and the tool's help all come from it.
struct Command {
    std::string_view name;     // "query"
    std::string_view synopsis; // "KEY [/v NAME | /ve] [/s]"
    std::string_view details;  // the usage's lines after the synopsis
    std::span<Switch const> switches;
    int (*run)(Options const& options) = nullptr;
};

// The table, in the order the help lists the commands.
std::span<Command const> commands();
// The command that `name` spells in any case, or null.
Command const* find_command(std::string_view name);
// "query, add, delete, export, import".
std::string command_names();

// Parses argv[2..] for `command`, or says what is wrong with its syntax.
platform::Result<Options> parse_options(Command const& command, int argc, char** argv);
// Parses KEY, or says why it names no key (no root, forward slashes, a
// backslash the shell removed).
platform::Result<KeyArgument> parse_key(std::string const& text);

// An argument or a name as a message shows it: a long one by its start and
// its length, "HKLM/aaaa… (100005 characters)"; `in_quotes` puts it in quotes.
std::string excerpt(std::string_view text);
std::string in_quotes(std::string_view text);

// "ERROR: ..." on standard error, control characters shown as escapes;
// returns the exit status 1.
int fail(std::string const& message);
// For a wrong number of positional arguments: `missing` when there are fewer
// than `wanted`, else the word that looks like an unknown switch, else "too
// many arguments"; returns 1.
int fail_arguments(Options const& options, std::size_t wanted, std::string const& missing);
// reg.exe's sentence for a missing key or value, and which one it was.
std::string key_not_found(KeyArgument const& key);
std::string value_not_found(KeyArgument const& key, std::u16string const& name);
// 0 when the device directory exists (or is unusable for another reason, which
// the registry reports); otherwise says that there is no device there and
// returns 1. Commands that only read call it first, so that they create nothing.
int require_device();

// For bad syntax: the message and the usage hint for the command; returns 1.
int fail_syntax(std::string const& command, std::string const& message);
// The Win32 error in words, for "ERROR: " messages.
std::string describe_error(LONG status);
int succeed(); // "The operation completed successfully."
// A command's usage, and the tool's: each of the table's synopses, then how to
// write a key and where the registry is.
void print_usage(Command const& command, FILE* stream);
void print_usage(FILE* stream);

// Asks `question` (Yes/No) on a terminal. Without a terminal there is no one to
// answer, and the question is refused: the message says to use `force_switch`.
enum class Answer { Yes, No, NoTerminal };
Answer confirm(std::string const& question);

std::string type_name(DWORD type);
std::optional<DWORD> type_from_name(std::string const& name);
// The data as reg.exe shows it: text, numbers in hex, bytes as hex digits.
// Control characters become '?' so that the terminal shows no surprises.
std::string format_data(DWORD type, std::vector<BYTE> const& data);
// The bytes that /d DATA stands for with the given type, or what is wrong with DATA.
platform::Result<std::vector<BYTE>> parse_data(DWORD type, std::string const& data, std::string const& separator);

std::string to_utf8(std::u16string_view text);
std::u16string to_utf16(std::string_view text);

int run_query(Options const& options);
int run_add(Options const& options);
int run_delete(Options const& options);
int run_export(Options const& options);
int run_import(Options const& options);

}
