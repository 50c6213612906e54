// The process entry, driving a real program with a WinMain (the probe) as its
// own process: a front end that cannot run ends it with status 2 before WinMain,
// the four WinMain arguments, and the exit status that comes back.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct ProbeRun {
    int status { -1 };
    std::string out;
    std::string err;
};

std::string read_file(std::string const& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Starts the probe with these arguments and CE_DEVICE_UI, the input on its
// standard input, and waits for it.
ProbeRun run_probe(std::vector<std::string> const& arguments, char const* ui, std::string const& input)
{
    std::string const base = testing::TempDir() + "framework_entry_" + std::to_string(getpid());
    std::string const in_path = base + ".in";
    std::string const out_path = base + ".out";
    std::string const err_path = base + ".err";
    std::ofstream(in_path, std::ios::binary) << input;

    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        if (std::string(*entry).rfind("CE_DEVICE_UI=", 0) != 0)
            environment.emplace_back(*entry);
    }
    if (ui)
        environment.push_back(std::string("CE_DEVICE_UI=") + ui);

    std::vector<char*> argv { const_cast<char*>(PROBE_PATH) };
    for (auto const& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in_path.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    ProbeRun run;
    int const spawned = posix_spawn(&pid, PROBE_PATH, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << PROBE_PATH;
        return run;
    }
    int wait_status = 0;
    waitpid(pid, &wait_status, 0);
    run.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
    run.out = read_file(out_path);
    run.err = read_file(err_path);
    for (auto const& path : { in_path, out_path, err_path })
        std::remove(path.c_str());
    return run;
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
