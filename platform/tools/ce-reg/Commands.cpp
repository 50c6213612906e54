// ce-reg's commands as one table: each row gives a command's name, its
// switches, its usage and the function that runs it, and the parser, the
// usage text and the list of commands in the tool's help all come from it.
#include "RegTool.h"

#include "text/CaseFold.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace platform::tools {

namespace {

void set_help(Options& options, char const*) { options.help = true; }
void set_value_name(Options& options, char const* value) { options.value_name = value; }
void set_default_value(Options& options, char const*) { options.default_value = true; }
void set_all_values(Options& options, char const*) { options.all_values = true; }
void set_recursive(Options& options, char const*) { options.recursive = true; }
void set_force(Options& options, char const*) { options.force = true; }
void set_type(Options& options, char const* value) { options.type = value; }
void set_data(Options& options, char const* value) { options.data = value; }
void set_separator(Options& options, char const* value) { options.separator = value; }

// Every command takes /? (or /h) for its usage.
constexpr Switch help_switch { "?", "h", false, set_help };

Switch const query_switches[] = {
    { "v", {}, true, set_value_name },
    { "ve", {}, false, set_default_value },
    { "s", {}, false, set_recursive },
    help_switch,
};

Switch const add_switches[] = {
    { "v", {}, true, set_value_name },
    { "ve", {}, false, set_default_value },
    { "t", {}, true, set_type },
    { "d", {}, true, set_data },
    { "s", {}, true, set_separator },
    { "f", {}, false, set_force },
    help_switch,
};

Switch const delete_switches[] = {
    { "v", {}, true, set_value_name },
    { "ve", {}, false, set_default_value },
    { "va", {}, false, set_all_values },
    { "f", {}, false, set_force },
    help_switch,
};

Switch const export_switches[] = {
    { "y", {}, false, set_force },
    help_switch,
};

Switch const import_switches[] = {
    help_switch,
};

Command const command_table[] = {
    { "query", "KEY [/v NAME | /ve] [/s]",
      "  Shows the values of KEY and lists its subkeys.\n"
      "  /v NAME  only the value NAME      /ve  only the default value\n"
      "  /s       KEY and every key below it (with /v or /ve: search them)\n",
      query_switches, run_query },
    { "add", "KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]",
      "  Creates KEY (and the keys above it) and sets a value in it.\n"
      "  /v NAME  the value to set        /ve  the default value\n"
      "  /t TYPE  REG_SZ (default), REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD,\n"
      "           REG_BINARY, REG_NONE, REG_DWORD_BIG_ENDIAN\n"
      "  /d DATA  text; for REG_MULTI_SZ strings separated by \\0 (or by /s SEPARATOR);\n"
      "           for REG_DWORD and REG_QWORD a number (0x for hex); for REG_BINARY hex digits\n"
      "  /f       overwrite an existing value without a prompt\n",
      add_switches, run_add },
    { "delete", "KEY [/v NAME | /ve | /va] [/f]",
      "  Deletes KEY with everything below it, or one value, or all values.\n"
      "  /v NAME  the value NAME  /ve  the default value  /va  every value of KEY\n"
      "  /f       delete without a prompt\n",
      delete_switches, run_delete },
    { "export", "KEY FILE [/y]",
      "  Writes KEY and everything below it to FILE (.reg, UTF-16, in regedit's format).\n"
      "  FILE - is standard output; a link is written through, a FIFO or device in place.\n"
      "  /y       overwrite FILE without a prompt\n",
      export_switches, run_export },
    { "import", "FILE",
      "  Imports a .reg file (\"Windows Registry Editor Version 5.00\" or REGEDIT4, UTF-16 or\n"
      "  UTF-8); FILE - is standard input. A file with an error anywhere changes nothing.\n",
      import_switches, run_import },
};

// "/v", "-VE", "/?": the shape of a switch. Whether it is one depends on the
// command: a word of this shape that is none of the command's switches is a
// path or a value, and named as an unknown option only when it is left over.
bool looks_like_switch(std::string const& arg)
{
    if (arg.size() < 2 || arg.size() > 4 || (arg[0] != '/' && arg[0] != '-'))
        return false;
    for (std::size_t i = 1; i < arg.size(); ++i) {
        if (!std::isalpha(static_cast<unsigned char>(arg[i])) && arg[i] != '?')
            return false;
    }
    return true;
}

// The switch of `command` that `arg` spells, or nothing when the word is a
// path or a value.
Switch const* find_switch(Command const& command, std::string const& arg)
{
    std::string name = "?";
    if (arg != "--help") {
        if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-'))
            return nullptr;
        name = platform::text::fold_case(std::string_view(arg).substr(1));
    }
    for (auto const& row : command.switches) {
        if (name == row.name || (!row.alias.empty() && name == row.alias))
            return &row;
    }
    return nullptr;
}

}

std::span<Command const> commands()
{
    return command_table;
}

Command const* find_command(std::string_view name)
{
    std::string const folded = platform::text::fold_case(name);
    for (auto const& command : command_table) {
        if (folded == command.name)
            return &command;
    }
    return nullptr;
}

std::string command_names()
{
    std::string names;
    for (auto const& command : command_table)
        names += (names.empty() ? "" : ", ") + std::string(command.name);
    return names;
}

platform::Result<Options> parse_options(Command const& command, int argc, char** argv)
{
    Options options;
    options.command = command.name;
    std::vector<Switch const*> seen;
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        Switch const* found = find_switch(command, arg);
        if (!found) {
            options.positional.push_back(arg);
            continue;
        }
        if (std::find(seen.begin(), seen.end(), found) != seen.end())
            return platform::Error { "option " + arg + " given twice" };
        seen.push_back(found);
        if (found->takes_value && i + 1 >= argc)
            return platform::Error { "option " + arg + " needs a value" };
        found->set(options, found->takes_value ? argv[++i] : nullptr);
    }
    if (options.help)
        return options;
    int value_choices = options.value_name.has_value() + options.default_value + options.all_values;
    if (value_choices > 1)
        return platform::Error { "choose only one of /v, /ve and /va" };
    return options;
}

int fail_arguments(Options const& options, std::size_t wanted, std::string const& missing)
{
    if (options.positional.size() < wanted)
        return fail_syntax(options.command, missing);
    // A word left over that looks like a switch was most likely meant as one.
    for (auto const& word : options.positional) {
        if (looks_like_switch(word))
            return fail_syntax(options.command, "unknown option " + word + " for " + options.command);
    }
    return fail_syntax(options.command, "too many arguments");
}

void print_usage(Command const& command, FILE* stream)
{
    std::fprintf(stream, "ce-reg %.*s %.*s\n", static_cast<int>(command.name.size()), command.name.data(),
                 static_cast<int>(command.synopsis.size()), command.synopsis.data());
    std::fwrite(command.details.data(), 1, command.details.size(), stream);
}

void print_usage(FILE* stream)
{
    std::fputs("ce-reg: the emulated device's registry, in the manner of reg.exe.\n\n", stream);
    for (auto const& command : command_table)
        std::fprintf(stream, "  ce-reg %.*s %.*s\n", static_cast<int>(command.name.size()), command.name.data(),
                     static_cast<int>(command.synopsis.size()), command.synopsis.data());
    std::fputs("  ce-reg --version\n\n"
               "KEY is ROOT\\Sub\\Key with ROOT one of HKLM, HKCU, HKCR, HKU (or HKEY_LOCAL_MACHINE...).\n"
               "Quote it: unquoted, the shell removes its backslashes. For example:\n"
               "  ce-reg query \"HKLM\\Software\\Corvane\\Tembrel\\DEFAULTS\" /v DayLight\n\n"
               "The registry is registry.reg in the device directory, $CE_DEVICE_DIR\n"
               "(default ${XDG_DATA_HOME:-~/.local/share}/ce-device).\n"
               "Type \"ce-reg COMMAND /?\" for a command's options.\n",
               stream);
}

}
