// The call trace's file: a regular file is appended to; a FIFO, a link to one
// or a device is refused at once with one line, and tracing is off. Each case
// runs in a child process of its own, as the trace is opened once per process,
// with an alarm that ends a child that waits.
#include "text/ApiTrace.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::filesystem::path scratch_directory()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "trace-XXXXXX").string();
    EXPECT_NE(::mkdtemp(pattern.data()), nullptr);
    return pattern;
}

// In the child: traces one call to `path` and ends, with 0 when the trace is
// on and 1 when it is off.
[[noreturn]] void trace_to(std::string const& path)
{
    ::alarm(10);
    ::setenv("CE_DEVICE_TRACE", path.c_str(), 1);
    bool const on = platform::trace::enabled();
    platform::trace::write_line("RegCloseKey", "\"HKEY_LOCAL_MACHINE\"");
    std::fflush(stderr);
    std::_Exit(on ? 0 : 1);
}

}

TEST(ApiTraceDeathTest, SpecialFilesAreRefusedAtOnce)
{
    auto const dir = scratch_directory();
    auto const fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink(fifo, dir / "link-to-fifo");
    struct Case {
        char const* label;
        std::string path;
        char const* said;
    } const cases[] = {
        { "a FIFO nothing reads", fifo.string(), "it is a FIFO, not a regular file; tracing is off" },
        { "a link to a FIFO", (dir / "link-to-fifo").string(), "it is a FIFO, not a regular file; tracing is off" },
        { "a device", "/dev/null", "it is a character device, not a regular file; tracing is off" },
    };
    for (auto const& c : cases)
        EXPECT_EXIT(trace_to(c.path), testing::ExitedWithCode(1), c.said) << c.label;
    std::filesystem::remove_all(dir);
}

TEST(ApiTraceDeathTest, ARegularFileIsAppendedTo)
{
    auto const dir = scratch_directory();
    auto const file = dir / "calls.trace";
    std::ofstream(file) << "earlier\n";
    EXPECT_EXIT(trace_to(file.string()), testing::ExitedWithCode(0), "^$");
    std::ifstream in(file);
    std::string const text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "earlier\nRegCloseKey \"HKEY_LOCAL_MACHINE\"\n");
    std::filesystem::remove_all(dir);
}

TEST(ApiTraceDeathTest, AHugePathIsNamedShortly)
{
    std::string const path = "/nonexistent/" + std::string(100000, 'd') + "/calls.trace";
    // The message names the path by its first characters and its length.
    EXPECT_EXIT(trace_to(path), testing::ExitedWithCode(1),
                "^device: cannot open the call trace /nonexistent/d+\xE2\x80\xA6 \\(100025 characters\\): .*; tracing is off\n$");
}
