// The process entry of a program written with a WinMain. It answers the
// device's own options (--help, --version) without starting the program,
// chooses the device's front end and hands it to the dialog manager before the
// program starts (so a broken setup ends the process before anything is drawn
// or stored), then hands WinMain the four arguments a Windows CE program is
// started with. The application object is
// already constructed by then: static initialisation runs before main. When
// WinMain returns, every change the device could not keep is reported, and the
// process then exits with lost_writes_exit_status rather than WinMain's result.
#include <windows.h>
#include "afxwin.h"

#include "dialog/DesktopWindow.h"
#include "entry/CommandLine.h"
#include "entry/DeviceOptions.h"
#include "frontends/FrontEnds.h"
#include "registry/LostWrites.h"
#include "text/TerminalText.h"

#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace {

// Exit status when the device's front end cannot run.
constexpr int front_end_unavailable = 2;

// The program's name as messages show it: whatever the file is called, each
// terminal control in it shows as '?', as --help shows it.
std::string program_name(char const* argv0)
{
    std::string_view name = argv0 ? argv0 : "";
    if (auto const slash = name.find_last_of('/'); slash != name.npos)
        name.remove_prefix(slash + 1);
    return name.empty() ? std::string("program") : platform::text::replace_terminal_controls(name, '?');
}

// The message goes out as one line, whatever it holds: a line break, like
// every other terminal control, shows as its escape.
std::string one_line(std::string_view text)
{
    return platform::text::escape_terminal_controls(text);
}

// One line per change the device did not keep; true when there was any.
bool report_lost_writes(std::string_view program)
{
    using namespace platform::registry;
    std::size_t const count = lost_write_count();
    if (count == 0)
        return false;
    std::string const name(program);
    std::fflush(stdout);
    std::fprintf(stderr, "%s: the device did not keep %zu change%s:\n", name.c_str(), count,
                 count == 1 ? "" : "s");
    for (auto const& lost : lost_writes())
        std::fprintf(stderr, "%s:   %s: %s\n", name.c_str(), one_line(lost.what).c_str(), one_line(lost.why).c_str());
    if (count > lost_writes().size())
        std::fprintf(stderr, "%s:   and %zu more\n", name.c_str(), count - lost_writes().size());
    std::fflush(stderr);
    return true;
}

}

int main(int argc, char** argv)
{
    std::span<char const* const> arguments;
    if (argc > 1)
        arguments = std::span<char const* const>(argv + 1, static_cast<std::size_t>(argc - 1));

    if (auto const status = platform::entry::answer_device_option(
            arguments, program_name(argc > 0 ? argv[0] : nullptr), stdout))
        return *status;

    auto front_end = platform::frontends::choose_front_end();
    if (!front_end) {
        std::string const name(program_name(argc > 0 ? argv[0] : nullptr));
        std::fprintf(stderr, "%s: %s\n", name.c_str(), one_line(front_end.error().message).c_str());
        return front_end_unavailable;
    }
    platform::dialog::install_front_end(std::move(*front_end));

    std::u16string command_line = platform::entry::build_command_line(arguments);

    int const status = WinMain(GetModuleHandleW(nullptr), nullptr, command_line.data(), SW_SHOWNORMAL);
    return report_lost_writes(program_name(argc > 0 ? argv[0] : nullptr)) ? platform::registry::lost_writes_exit_status
                                                                          : status;
}
