// Runs one of the project's executables as a child process for black-box tests:
// a fixed environment, standard input from a string, both outputs captured.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace test_support {

struct ProcessResult {
    int exit_code { -1 }; // the status passed to exit, or -1 when killed
    int signal { 0 };     // the signal that ended it, or 0
    std::string out;
    std::string err;

    // The status as a shell reports it: the exit status, or 128 plus the signal.
    int shell_status() const { return signal != 0 ? 128 + signal : exit_code; }
};

struct ProcessOptions {
    std::string input;               // written to standard input, which is then closed
    bool input_from_null { false };  // standard input is /dev/null rather than a pipe
    int timeout_seconds { 20 };      // after which the child is killed
};

// Runs `argv` with the caller's environment changed by `environment` (an empty
// value unsets the variable), `input` on standard input, and a time limit after
// which the child is killed.
ProcessResult run_process(std::vector<std::string> const& argv, std::map<std::string, std::string> const& environment,
                          std::string const& input = {}, int timeout_seconds = 20);

// The same with every choice spelled out.
ProcessResult run_process(std::vector<std::string> const& argv, std::map<std::string, std::string> const& environment,
                          ProcessOptions const& options);

// The path of an executable in build/bin.
std::string binary_path(std::string const& name);

// A fresh, empty directory below the build tree for one test's device state,
// removed with whatever it then holds when the test process ends.
std::string fresh_directory(std::string const& label);

}
