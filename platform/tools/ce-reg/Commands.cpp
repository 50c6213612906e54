// ce-reg's commands: their switches, their usage and the command line parsed
// against them.
#include "RegTool.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace platform::tools {

static std::string lower(std::string text)
{
    for (auto& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// "/v", "-VE", "/?": the shape of a switch. Whether it is one depends on the
// command: a word of this shape that is none of the command's switches is a
// path or a value, and named as an unknown option only when it is left over.
static bool looks_like_switch(std::string const& arg)
{
    if (arg.size() < 2 || arg.size() > 4 || (arg[0] != '/' && arg[0] != '-'))
        return false;
    for (std::size_t i = 1; i < arg.size(); ++i) {
        if (!std::isalpha(static_cast<unsigned char>(arg[i])) && arg[i] != '?')
            return false;
    }
    return true;
}

// The switch that `arg` spells for `command` ("v", "ve", "?"), or nothing when
// the word is a path or a value.
static std::optional<std::string> switch_name(std::string const& command, std::string const& arg)
{
    if (arg == "--help")
        return "?";
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-'))
        return std::nullopt;
    static std::pair<char const*, char const*> const table[] = {
        { "query", " v ve s ? h " },
        { "add", " v ve t d s f ? h " },
        { "delete", " v ve va f ? h " },
        { "export", " y ? h " },
        { "import", " ? h " },
    };
    std::string const name = lower(arg.substr(1));
    for (auto const& [cmd, switches] : table) {
        if (command == cmd && std::string(switches).find(" " + name + " ") != std::string::npos)
            return name == "h" ? "?" : name;
    }
    return std::nullopt;
}

bool parse_options(std::string const& command, int argc, char** argv, Options& options)
{
    options.command = command;
    std::vector<std::string> seen;
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        auto const switch_found = switch_name(command, arg);
        if (!switch_found) {
            options.positional.push_back(arg);
            continue;
        }
        std::string const& name = *switch_found;
        if (std::find(seen.begin(), seen.end(), name) != seen.end()) {
            fail_syntax(command, "option " + arg + " given twice");
            return false;
        }
        seen.push_back(name);
        bool takes_value = name == "v" || name == "t" || name == "d" || (name == "s" && command == "add");
        if (takes_value && i + 1 >= argc) {
            fail_syntax(command, "option " + arg + " needs a value");
            return false;
        }
        if (name == "?")
            options.help = true;
        else if (name == "v")
            options.value_name = argv[++i];
        else if (name == "ve")
            options.default_value = true;
        else if (name == "va")
            options.all_values = true;
        else if (name == "s" && command == "add")
            options.separator = argv[++i];
        else if (name == "s")
            options.recursive = true;
        else if (name == "f" || name == "y")
            options.force = true;
        else if (name == "t")
            options.type = argv[++i];
        else if (name == "d")
            options.data = argv[++i];
    }
    if (options.help)
        return true;
    int value_choices = options.value_name.has_value() + options.default_value + options.all_values;
    if (value_choices > 1) {
        fail_syntax(command, "choose only one of /v, /ve and /va");
        return false;
    }
    return true;
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

void print_usage(std::string const& command, FILE* stream)
{
    if (command == "query") {
        std::fputs("ce-reg query KEY [/v NAME | /ve] [/s]\n"
                   "  Shows the values of KEY and lists its subkeys.\n"
                   "  /v NAME  only the value NAME      /ve  only the default value\n"
                   "  /s       KEY and every key below it (with /v or /ve: search them)\n",
                   stream);
    } else if (command == "add") {
        std::fputs("ce-reg add KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]\n"
                   "  Creates KEY (and the keys above it) and sets a value in it.\n"
                   "  /v NAME  the value to set        /ve  the default value\n"
                   "  /t TYPE  REG_SZ (default), REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD,\n"
                   "           REG_BINARY, REG_NONE, REG_DWORD_BIG_ENDIAN\n"
                   "  /d DATA  text; for REG_MULTI_SZ strings separated by \\0 (or by /s SEPARATOR);\n"
                   "           for REG_DWORD and REG_QWORD a number (0x for hex); for REG_BINARY hex digits\n"
                   "  /f       overwrite an existing value without a prompt\n",
                   stream);
    } else if (command == "delete") {
        std::fputs("ce-reg delete KEY [/v NAME | /ve | /va] [/f]\n"
                   "  Deletes KEY with everything below it, or one value, or all values.\n"
                   "  /v NAME  the value NAME  /ve  the default value  /va  every value of KEY\n"
                   "  /f       delete without a prompt\n",
                   stream);
    } else if (command == "export") {
        std::fputs("ce-reg export KEY FILE [/y]\n"
                   "  Writes KEY and everything below it to FILE (.reg, UTF-16, in regedit's format).\n"
                   "  FILE - is standard output; a link is written through, a FIFO or device in place.\n"
                   "  /y       overwrite FILE without a prompt\n",
                   stream);
    } else if (command == "import") {
        std::fputs("ce-reg import FILE\n"
                   "  Imports a .reg file (\"Windows Registry Editor Version 5.00\" or REGEDIT4, UTF-16 or\n"
                   "  UTF-8); FILE - is standard input. A file with an error anywhere changes nothing.\n",
                   stream);
    } else {
        std::fputs("ce-reg: the emulated device's registry, in the manner of reg.exe.\n\n"
                   "  ce-reg query KEY [/v NAME | /ve] [/s]\n"
                   "  ce-reg add KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]\n"
                   "  ce-reg delete KEY [/v NAME | /ve | /va] [/f]\n"
                   "  ce-reg export KEY FILE [/y]\n"
                   "  ce-reg import FILE\n"
                   "  ce-reg --version\n\n"
                   "KEY is ROOT\\Sub\\Key with ROOT one of HKLM, HKCU, HKCR, HKU (or HKEY_LOCAL_MACHINE...).\n"
                   "Quote it: unquoted, the shell removes its backslashes. For example:\n"
                   "  ce-reg query \"HKLM\\Software\\Corvane\\Tembrel\\DEFAULTS\" /v DayLight\n\n"
                   "The registry is registry.reg in the device directory, $CE_DEVICE_DIR\n"
                   "(default ${XDG_DATA_HOME:-~/.local/share}/ce-device).\n"
                   "Type \"ce-reg COMMAND /?\" for a command's options.\n",
                   stream);
    }
}


}
