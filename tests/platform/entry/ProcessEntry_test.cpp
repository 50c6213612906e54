// The process entry, driving a real program with a WinMain (the probe) as its
// own process: a front end that cannot run ends it with status 2 before WinMain,
// the four WinMain arguments, and the exit status that comes back.
#include "Process.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace {

struct ProbeRun {
    int status { -1 };
    std::string out;
    std::string err;
};

// Starts the probe with these arguments and CE_DEVICE_UI (unset when null), the
// input on its standard input, and waits for it.
ProbeRun run_probe(std::vector<std::string> const& arguments, char const* ui, std::string const& input)
{
    std::vector<std::string> argv { PROBE_PATH };
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    auto const process = test_support::run_process(argv, { { "CE_DEVICE_UI", ui ? ui : "" } }, input);
    if (process.exit_code == 127 && process.out.empty() && process.err.empty())
        ADD_FAILURE() << "cannot start " << PROBE_PATH;
    return { process.exit_code, process.out, process.err };
}

// The JSON that the probe's WinMain reported, or null when it never ran.
nlohmann::json winmain_report(std::string const& err)
{
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("winmain ", 0) == 0)
            return nlohmann::json::parse(line.substr(8));
    }
    return nullptr;
}

}

TEST(ProcessEntry, FrontEndThatCannotRunEndsWithStatusTwoBeforeWinMain)
{
    ProbeRun const run = run_probe({ "x" }, "no-such-front-end", "click 1\n");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(winmain_report(run.err).is_null()) << run.err;
    // One line, naming the program and the setting.
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_EQ(run.err.rfind("framework_probe: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("no-such-front-end"), std::string::npos) << run.err;
}

TEST(ProcessEntry, WinMainGetsTheFourArguments)
{
    ProbeRun const run = run_probe({ "one", "two words", "", "exit=0" }, "script", "");
    EXPECT_EQ(run.status, 0) << run.err;
    nlohmann::json const report = winmain_report(run.err);
    ASSERT_FALSE(report.is_null()) << run.err;
    EXPECT_EQ(report.at("instance"), true);
    EXPECT_EQ(report.at("previous"), "null");
    EXPECT_EQ(report.at("command_line"), "one \"two words\" \"\" exit=0");
    EXPECT_EQ(report.at("show"), 1); // SW_SHOWNORMAL
    EXPECT_EQ(report.at("application"), true) << "constructed before main";
}

TEST(ProcessEntry, ExitStatusIsWinMainsResult)
{
    struct {
        std::vector<std::string> arguments;
        std::string input;
        int status;
        char const* dialog;
    } const cases[] = {
        { {}, "dump\nclick 1\n", 0, "dialog 1" },
        { {}, "key Escape\n", 0, "dialog 2" },
        { {}, "", 0, "dialog 2" },
        { { "exit=5" }, "click 1\n", 5, "dialog 1" },
    };
    for (auto const& c : cases) {
        ProbeRun const run = run_probe(c.arguments, "script", c.input);
        EXPECT_EQ(run.status, c.status) << c.input << run.err;
        EXPECT_NE(run.err.find(c.dialog), std::string::npos) << c.input << run.err;
        EXPECT_NE(run.out.find("{\"end\":"), std::string::npos) << run.out;
    }
}

// The device's options are answered before the front end is prepared (here one
// that cannot run) and WinMain never runs; a program without a version record
// says so. Anything else, the options included when not first, is WinMain's.
TEST(ProcessEntry, DeviceOptionsAreAnsweredBeforeTheProgram)
{
    struct {
        std::vector<std::string> arguments;
        char const* output_starts;
    } const cases[] = {
        { { "--version" }, "framework_probe: no version record\ndevice: emulated Windows CE 3.0, platform " },
        { { "--help" }, "Usage: framework_probe [--help | --version | ARGUMENT...]\nframework_probe\n\nA Windows CE program" },
        { { "-h", "more" }, "Usage: framework_probe " },
        { { "/?" }, "Usage: framework_probe " },
    };
    for (auto const& c : cases) {
        ProbeRun const run = run_probe(c.arguments, "no-such-front-end", "");
        EXPECT_EQ(run.status, 0) << c.arguments.front() << run.err;
        EXPECT_EQ(run.out.rfind(c.output_starts, 0), 0u) << run.out;
        EXPECT_EQ(run.err, "");
    }

    ProbeRun const passed = run_probe({ "--helpful", "--help", "/?", "--version" }, "script", "");
    nlohmann::json const report = winmain_report(passed.err);
    ASSERT_FALSE(report.is_null()) << passed.err;
    EXPECT_EQ(report.at("command_line"), "--helpful --help /? --version");
}
