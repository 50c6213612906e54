// The options the device answers itself before a program starts, as an
// emulator does: --help (-h, /?) describes the device and its environment,
// --version gives the program's version, from its own version record, and the
// device's. Neither prepares a front end or touches the device directory.
#pragma once

#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform::entry {

// When the first argument is one of the device's options, writes the answer
// to `out` and gives the exit status (0, or 1 when the answer could not be
// written); otherwise nullopt and nothing is written, and every argument is
// the program's. `program` is the name the program was started by.
std::optional<int> answer_device_option(std::span<char const* const> arguments, std::string_view program,
                                        std::FILE* out);

// The device's own line of every --version answer, the programs' and the
// tools' alike.
std::string device_line();

}
