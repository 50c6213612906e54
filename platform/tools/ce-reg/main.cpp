// ce-reg: the emulated device's registry tool, in the manner of Windows reg.exe.
#include "RegTool.h"

#include "tools/ToolVersion.h"

#include <cstdio>
#include <cctype>

using namespace platform::tools;

namespace platform::tools {

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

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("ERROR: Invalid syntax: a command is needed.\n\n", stderr);
        return print_usage("", stderr), 1;
    }
    std::string command = argv[1];
    for (auto& c : command)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (command == "/?" || command == "-?" || command == "-h" || command == "--help" || command == "help")
        return print_usage("", stdout), 0;
    if (command == "--version")
        return print_version("ce-reg");

    int (*run)(Options const&) = nullptr;
    if (command == "query")
        run = run_query;
    else if (command == "add")
        run = run_add;
    else if (command == "delete")
        run = run_delete;
    else if (command == "export")
        run = run_export;
    else if (command == "import")
        run = run_import;
    else
        return fail_syntax("", "unknown command " + in_quotes(argv[1]) + " (query, add, delete, export, import)");

    Options options;
    if (!parse_options(command, argc, argv, options))
        return 1;
    if (options.help)
        return print_usage(command, stdout), 0;
    return run(options);
}
