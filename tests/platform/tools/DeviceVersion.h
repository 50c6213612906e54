// What the device's tools must answer to --version: the tool and the device
// platform's version, then the device's line exactly as the program gives it.
#pragma once

#include "Process.h"

#include <gtest/gtest.h>

#include <string>

namespace tools_test {

inline std::string expected_version_answer(std::string const& tool)
{
    auto const velquin = test_support::run_process({ test_support::binary_path("velquin"), "--version" }, {});
    EXPECT_EQ(velquin.exit_code, 0) << velquin.err;
    auto const device_line = velquin.out.substr(velquin.out.find('\n') + 1);
    EXPECT_EQ(device_line.rfind("device: emulated Windows CE 3.0, platform ", 0), 0u) << velquin.out;
    auto const platform_version = device_line.substr(device_line.rfind(' ') + 1);
    return tool + " " + platform_version + device_line;
}

}
