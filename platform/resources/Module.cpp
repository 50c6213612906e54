// The executable's module: its handle and its file name. The device runs one
// program per process and loads no libraries, so the executable is the only
// module there is.
#include "resources/ModuleResources.h"
#include "text/CaseFold.h"
#include "text/Utf.h"
#include "windows.h"

#include <unistd.h>

#include <climits>
#include <string>

namespace {

std::u16string executable_path()
{
    std::string path(PATH_MAX, '\0');
    for (;;) {
        ssize_t const length = readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0)
            return {};
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            return platform::text::to_utf16(path);
        }
        path.resize(path.size() * 2);
    }
}

std::u16string base_name(std::u16string const& path)
{
    auto const slash = path.find_last_of(u'/');
    return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

bool is_executable(HMODULE module)
{
    return module == nullptr || module == platform::resources::ModuleResources::executable_handle();
}

}

// NULL, or the executable's own file name, gives the executable; the device
// has no other modules to name.
HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName)
{
    if (lpModuleName == nullptr
        || platform::text::same_ignoring_case(base_name(executable_path()), lpModuleName))
        return platform::resources::ModuleResources::executable_handle();
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

// As documented: the length without the terminator on success; when the buffer
// is too small, the path cut to nSize - 1 characters and terminated, nSize
// returned and ERROR_INSUFFICIENT_BUFFER set.
DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize)
{
    if (!is_executable(hModule)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (lpFilename == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string const path = executable_path();
    if (path.empty()) {
        lpFilename[0] = 0;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    if (path.size() >= nSize) {
        path.copy(lpFilename, nSize - 1);
        lpFilename[nSize - 1] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    path.copy(lpFilename, path.size());
    lpFilename[path.size()] = 0;
    return static_cast<DWORD>(path.size());
}
