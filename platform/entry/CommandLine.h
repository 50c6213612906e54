// The command line that WinMain receives: the program's arguments after its
// own name, joined into one UTF-16 text the way Windows builds a command line,
// so that the usual Windows parsing gives the same arguments back.
#pragma once

#include <span>
#include <string>

namespace platform::entry {

// Arguments are UTF-8. One that is empty or holds a blank or a double quote is
// quoted; inside quotes a double quote is escaped with a backslash, and the
// backslashes before a double quote (or the closing one) are doubled.
std::u16string build_command_line(std::span<char const* const> arguments);

}
