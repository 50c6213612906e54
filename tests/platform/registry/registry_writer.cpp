// A small program of the registry tests that changes the registry of
// $CE_DEVICE_DIR in a way the tests can check afterwards, run as a separate
// process so that tests can kill it or run several at once.
//
//   registry_writer count             bumps HKLM\Software\Kill "Counter" forever
//   registry_writer values KEY PREFIX N   sets PREFIX0..PREFIX{N-1} under HKLM\KEY
//   registry_writer fsize LIMIT N     with files limited to LIMIT bytes, sets an
//                                     N-byte value; prints the result code
#include "windows.h"

#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

static HKEY create(LPCWSTR path)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition);
    if (status != ERROR_SUCCESS) {
        std::fprintf(stderr, "registry_writer: RegCreateKeyExW failed with %d\n", static_cast<int>(status));
        std::exit(2);
    }
    return key;
}

// The counter value: its number in the first four bytes, then a length and a
// filling that both follow from the number, so that a mixed-up value shows.
static std::vector<BYTE> counter_value(DWORD n)
{
    std::vector<BYTE> data(1000 + n % 500, static_cast<BYTE>(n));
    for (int i = 0; i < 4; ++i)
        data[static_cast<std::size_t>(i)] = static_cast<BYTE>(n >> (8 * i));
    return data;
}

static int count()
{
    for (;;) {
        HKEY key = create(u"Software\\Kill");
        std::vector<BYTE> data(4000);
        DWORD size = static_cast<DWORD>(data.size());
        DWORD n = 0;
        if (RegQueryValueExW(key, u"Counter", nullptr, nullptr, data.data(), &size) == ERROR_SUCCESS && size >= 4)
            n = data[0] | data[1] << 8 | data[2] << 16 | static_cast<DWORD>(data[3]) << 24;
        auto next = counter_value(n + 1);
        LONG status = RegSetValueExW(key, u"Counter", 0, REG_BINARY, next.data(), static_cast<DWORD>(next.size()));
        if (status != ERROR_SUCCESS)
            return 2;
        RegCloseKey(key);
    }
}

static std::u16string widen(char const* text)
{
    std::u16string out;
    for (; *text; ++text)
        out += static_cast<char16_t>(static_cast<unsigned char>(*text));
    return out;
}

static int values(char const* key_path, char const* prefix, int n)
{
    for (int i = 0; i < n; ++i) {
        HKEY key = create(widen(key_path).c_str());
        auto name = widen(prefix) + widen(std::to_string(i).c_str());
        DWORD data = static_cast<DWORD>(i);
        LONG status = RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE const*>(&data), 4);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS) {
            std::fprintf(stderr, "registry_writer: RegSetValueExW failed with %d\n", static_cast<int>(status));
            return 1;
        }
    }
    return 0;
}

static int limited(long limit, long size)
{
    HKEY key = create(u"Software\\Limited");
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit rl { static_cast<rlim_t>(limit), static_cast<rlim_t>(limit) };
    if (setrlimit(RLIMIT_FSIZE, &rl) != 0)
        return 3;
    std::vector<BYTE> data(static_cast<std::size_t>(size), 0x5A);
    LONG status = RegSetValueExW(key, u"Big", 0, REG_BINARY, data.data(), static_cast<DWORD>(data.size()));
    std::printf("%d\n", static_cast<int>(status));
    RegCloseKey(key);
    return 0;
}

int main(int argc, char** argv)
{
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "count" && argc == 2)
        return count();
    if (command == "values" && argc == 5)
        return values(argv[2], argv[3], std::atoi(argv[4]));
    if (command == "fsize" && argc == 4)
        return limited(std::atol(argv[2]), std::atol(argv[3]));
    std::fprintf(stderr, "usage: registry_writer count | values KEY PREFIX N | fsize LIMIT N\n");
    return 64;
}
