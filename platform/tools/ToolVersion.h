// The device's tools answer --version as the device's programs do: a line
// with the tool and its version, then the device's own line. The tools are
// the device's, so their version is the device platform's.
#pragma once

#include "entry/DeviceOptions.h"

#include <cstdio>
#include <string_view>

#ifndef CE_DEVICE_VERSION
#define CE_DEVICE_VERSION "unknown"
#endif

namespace platform::tools {

// Writes the answer to standard output; the exit status, 1 when it could
// not be written.
inline int print_version(std::string_view tool)
{
    std::printf("%.*s %s\n%s\n", static_cast<int>(tool.size()), tool.data(), CE_DEVICE_VERSION,
                platform::entry::device_line().c_str());
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

}
