// Hostile text in everything a user can hand a device program (its file name,
// the device's settings, script input) comes back in its messages and answers
// with no raw terminal control: C0 but the line break, DEL, C1 and the
// bidirectional controls all show as escapes.
#include "Process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

// ESC starting a colour, CSI as its C1 form, DEL, and a right-to-left override.
constexpr char hostile[] = "\x1B[31m\xC2\x9B\x7F\xE2\x80\xAE";

// The first raw terminal control in `text` (UTF-8), by its byte offset, or
// npos: any C0 byte other than a line break, DEL, a C1 control as UTF-8
// writes it, and ALM, LRM, RLM, the embeddings, overrides and isolates.
std::size_t raw_control(std::string const& text)
{
    auto const byte = [&](std::size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned const b = byte(i);
        if ((b < 0x20 && b != '\n') || b == 0x7F)
            return i;
        if (b == 0xC2 && byte(i + 1) >= 0x80 && byte(i + 1) <= 0x9F)
            return i;
        if (b == 0xD8 && byte(i + 1) == 0x9C)
            return i;
        if (b == 0xE2 && byte(i + 1) == 0x80 && (byte(i + 2) == 0x8E || byte(i + 2) == 0x8F || (byte(i + 2) >= 0xAA && byte(i + 2) <= 0xAE)))
            return i;
        if (b == 0xE2 && byte(i + 1) == 0x81 && byte(i + 2) >= 0xA6 && byte(i + 2) <= 0xA9)
            return i;
    }
    return std::string::npos;
}

struct HostileRun {
    char const* label;
    std::string program;
    std::vector<std::string> arguments;
    std::map<std::string, std::string> environment;
    std::string input;
    char const* expected; // a part of the output, its controls escaped
};

}

TEST(MessageText, NoRawTerminalControlReachesTheOutput)
{
    std::string const device = test_support::fresh_directory("message_text");
    std::string const odd_device = device + "/dir" + hostile;
    std::filesystem::create_directories(device);
    // The program under a file name of its own choosing.
    std::string const odd_name = device + "/probe" + hostile;
    std::filesystem::create_symlink(PROBE_PATH, odd_name);

    HostileRun const runs[] = {
        { "the setting that names no front end", PROBE_PATH, {}, { { "CE_DEVICE_UI", std::string("x") + hostile } }, "",
          "CE_DEVICE_UI=x\\x1B[31m\\u009B\\x7F\\u202E is not a front end" },
        // The real program, whose first registry call opens the trace.
        { "the call trace that cannot be opened", test_support::binary_path("velquin"), {},
          { { "CE_DEVICE_UI", "script" }, { "CE_DEVICE_TRACE", std::string("/nonexistent/") + hostile } }, "click 1\n",
          "cannot open the call trace /nonexistent/\\x1B[31m\\u009B\\x7F\\u202E" },
        // Names shown as they are, each control as '?'.
        { "the device directory in --help", PROBE_PATH, { "--help" }, { { "CE_DEVICE_DIR", odd_device } }, "",
          "dir?[31m???" },
        { "a script line that is no command", PROBE_PATH, {}, { { "CE_DEVICE_UI", "script" } },
          std::string("press ") + hostile + "\nclick 1\n", "unknown command: \"press \\x1B[31m\\u009B\\x7F\\u202E\"" },
    };
    for (auto const& run : runs) {
        std::vector<std::string> argv { run.program };
        argv.insert(argv.end(), run.arguments.begin(), run.arguments.end());
        auto environment = run.environment;
        environment.emplace("CE_DEVICE_DIR", device);
        auto const process = test_support::run_process(argv, environment, run.input);
        std::string const said = process.out + process.err;
        EXPECT_EQ(raw_control(said), std::string::npos) << run.label << ": " << said;
        EXPECT_NE(said.find(run.expected), std::string::npos) << run.label << ": " << said;
    }

    // The program's own name, in its answers and in its refusal, as --help
    // shows names: each control as '?'.
    struct {
        char const* label;
        std::vector<std::string> arguments;
        char const* ui;
    } const named[] = {
        { "--help", { "--help" }, "" },
        { "--version", { "--version" }, "" },
        { "the refusal of a front end", {}, "no-such-front-end" },
    };
    for (auto const& run : named) {
        std::vector<std::string> argv { odd_name };
        argv.insert(argv.end(), run.arguments.begin(), run.arguments.end());
        auto const process = test_support::run_process(argv, { { "CE_DEVICE_DIR", device }, { "CE_DEVICE_UI", run.ui } });
        std::string const said = process.out + process.err;
        EXPECT_EQ(raw_control(said), std::string::npos) << run.label << ": " << said;
        EXPECT_NE(said.find("probe?[31m???"), std::string::npos) << run.label << ": " << said;
    }
}
