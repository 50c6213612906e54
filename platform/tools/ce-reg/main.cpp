// ce-reg: the emulated device's registry tool, in the manner of Windows reg.exe.
#include "RegTool.h"

#include "tools/ToolVersion.h"

#include <cstdio>
#include <cctype>

using namespace platform::tools;

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
