// Joining the program's arguments into a Windows command line.
#include "entry/CommandLine.h"

#include "text/Utf.h"

#include <string_view>

namespace platform::entry {

namespace {

bool needs_quotes(std::u16string_view argument)
{
    return argument.empty() || argument.find_first_of(u" \t\n\v\"") != argument.npos;
}

void append_argument(std::u16string& line, std::u16string_view argument)
{
    if (!needs_quotes(argument)) {
        line += argument;
        return;
    }
    line += u'"';
    std::size_t backslashes = 0;
    for (char16_t const c : argument) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        if (c == u'"') {
            line.append(backslashes * 2 + 1, u'\\');
        } else {
            line.append(backslashes, u'\\');
        }
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, u'\\');
    line += u'"';
}

}

std::u16string build_command_line(std::span<char const* const> arguments)
{
    std::u16string line;
    for (char const* argument : arguments) {
        if (!argument)
            continue;
        if (!line.empty())
            line += u' ';
        append_argument(line, text::to_utf16(argument));
    }
    return line;
}

}
