// The process entry of a program written with a WinMain. It answers the
// device's own options (--help, --version) without starting the program, makes
// sure the device's front end can run before the program starts (so a broken setup ends
// the process before anything is drawn or stored), then hands WinMain the four
// arguments a Windows CE program is started with. The application object is
// already constructed by then: static initialisation runs before main.
#include "windows.h"
#include "afxwin.h"

#include "framework/CommandLine.h"
#include "framework/DeviceOptions.h"
#include "frontends/FrontEnds.h"

#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace {

// Exit status when the device's front end cannot run.
constexpr int front_end_unavailable = 2;

std::string_view program_name(char const* argv0)
{
    std::string_view name = argv0 ? argv0 : "";
    if (auto const slash = name.find_last_of('/'); slash != name.npos)
        name.remove_prefix(slash + 1);
    return name.empty() ? std::string_view("program") : name;
}

// The message goes out as one line, whatever it holds.
std::string one_line(std::string text)
{
    for (char& c : text) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

}

int main(int argc, char** argv)
{
    std::span<char const* const> arguments;
    if (argc > 1)
        arguments = std::span<char const* const>(argv + 1, static_cast<std::size_t>(argc - 1));

    if (auto const status = platform::framework::answer_device_option(
            arguments, program_name(argc > 0 ? argv[0] : nullptr), stdout))
        return *status;

    if (auto const error = platform::frontends::prepare_front_end()) {
        std::string const name(program_name(argc > 0 ? argv[0] : nullptr));
        std::fprintf(stderr, "%s: %s\n", name.c_str(), one_line(*error).c_str());
        return front_end_unavailable;
    }

    std::u16string command_line = platform::framework::build_command_line(arguments);

    return WinMain(GetModuleHandleW(nullptr), nullptr, command_line.data(), SW_SHOWNORMAL);
}
