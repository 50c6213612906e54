// ce-reg: the emulated device's registry tool, in the manner of Windows reg.exe.
#include "RegTool.h"

#include "text/CaseFold.h"
#include "tools/ToolVersion.h"

#include <cstdio>

using namespace platform::tools;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("ERROR: Invalid syntax: a command is needed.\n\n", stderr);
        return print_usage(stderr), 1;
    }
    std::string const word = platform::text::fold_case(std::string_view(argv[1]));
    if (word == "/?" || word == "-?" || word == "-h" || word == "--help" || word == "help")
        return print_usage(stdout), 0;
    if (word == "--version")
        return print_version("ce-reg");

    Command const* command = find_command(word);
    if (!command)
        return fail_syntax("", "unknown command " + in_quotes(argv[1]) + " (" + command_names() + ")");
    auto const options = parse_options(*command, argc, argv);
    if (!options)
        return fail_syntax(std::string(command->name), options.error().message);
    if (options->help)
        return print_usage(*command, stdout), 0;
    return command->run(*options);
}
