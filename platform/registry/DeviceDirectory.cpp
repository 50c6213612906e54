// Finding and creating the device directory.
#include "registry/DeviceDirectory.h"

#include "text/TerminalText.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform::registry {

static char const* non_empty_env(char const* name)
{
    char const* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

std::filesystem::path device_directory_path()
{
    if (char const* dir = non_empty_env("CE_DEVICE_DIR"))
        return dir;
    // Relative XDG_DATA_HOME values are invalid by the XDG rules and ignored.
    if (char const* data_home = non_empty_env("XDG_DATA_HOME"); data_home && data_home[0] == '/')
        return std::filesystem::path(data_home) / "ce-device";
    if (char const* home = non_empty_env("HOME"))
        return std::filesystem::path(home) / ".local" / "share" / "ce-device";
    return {};
}

// mkdir -p with mode 0700 for every directory it makes; existing ones are left
// as they are.
static int make_directories(std::filesystem::path const& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT)
        return errno;
    auto parent = path.parent_path();
    if (!parent.empty() && parent != path) {
        if (int error = make_directories(parent))
            return error;
    }
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return errno;
    return 0;
}

Result<void> make_device_directory(std::filesystem::path const& path)
{
    if (path.empty())
        return Error { "cannot find the device directory: set CE_DEVICE_DIR (or HOME)", ENOENT };
    // Trailing slashes would make the parent of "a/b/" be "a/b".
    auto normal = path.lexically_normal();
    if (normal.has_relative_path() && !normal.has_filename())
        normal = normal.parent_path();
    if (int code = make_directories(normal))
        return Error { "cannot create the device directory " + platform::text::excerpt_for_terminal(path.string()) + ": "
                           + std::strerror(code),
                       code };
    return {};
}

Result<std::filesystem::path> device_directory()
{
    auto path = device_directory_path();
    if (auto made = make_device_directory(path); !made)
        return made.error();
    return path;
}

}
