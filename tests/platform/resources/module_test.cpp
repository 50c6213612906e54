// GetModuleHandleW and GetModuleFileNameW: the executable is the one module, and
// its file name is written within the buffer it is given, cut as documented.
#include "fixture_access.h"
#include "text/Utf.h"

#include <unistd.h>

#include <climits>

namespace {

std::u16string own_path()
{
    char path[PATH_MAX];
    ssize_t const length = readlink("/proc/self/exe", path, sizeof path);
    return platform::text::to_utf16(std::string(path, length > 0 ? static_cast<std::size_t>(length) : 0));
}

constexpr WCHAR sentinel = 0xBEEF;

TEST(Module, NullNamesTheExecutableAndStaysTheSame)
{
    HMODULE const module = GetModuleHandleW(nullptr);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(GetModuleHandleW(nullptr), module);
}

TEST(Module, OwnFileNameNamesTheExecutableInAnyCase)
{
    std::u16string name = own_path().substr(own_path().find_last_of(u'/') + 1);
    EXPECT_EQ(GetModuleHandleW(name.c_str()), GetModuleHandleW(nullptr));
    for (auto& c : name)
        c = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    EXPECT_EQ(GetModuleHandleW(name.c_str()), GetModuleHandleW(nullptr));
}

TEST(Module, OtherModulesDoNotExist)
{
    for (LPCWSTR name : { u"coredll.dll", u"", u"mfcce300.dll" }) {
        SetLastError(0);
        EXPECT_EQ(GetModuleHandleW(name), nullptr);
        EXPECT_EQ(GetLastError(), DWORD { ERROR_MOD_NOT_FOUND });
    }
}

TEST(Module, FileNameIsTheExecutablesPath)
{
    std::u16string const path = own_path();
    ASSERT_FALSE(path.empty());
    for (HMODULE module : { HMODULE {}, GetModuleHandleW(nullptr) }) {
        std::vector<WCHAR> buffer(path.size() + 10, sentinel);
        DWORD const written = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        EXPECT_EQ(written, path.size());
        EXPECT_EQ(std::u16string(buffer.data()), path);
        EXPECT_EQ(buffer[path.size() + 1], sentinel) << "written past the terminator";
    }
}

// Too small a buffer holds as much of the path as fits with a terminator; the
// result is the buffer's size and the error says it was too small.
TEST(Module, FileNameCutToTheBuffer)
{
    std::u16string const path = own_path();
    std::size_t const sizes[] = { 1, 2, 5, path.size(), path.size() + 1 };
    for (std::size_t size : sizes) {
        SCOPED_TRACE("buffer of " + std::to_string(size));
        std::vector<WCHAR> buffer(size + 4, sentinel);
        SetLastError(0);
        DWORD const result = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(size));
        if (size > path.size()) {
            EXPECT_EQ(result, path.size());
            EXPECT_EQ(GetLastError(), 0u);
            EXPECT_EQ(std::u16string(buffer.data()), path);
        } else {
            EXPECT_EQ(result, size);
            EXPECT_EQ(GetLastError(), DWORD { ERROR_INSUFFICIENT_BUFFER });
            EXPECT_EQ(std::u16string(buffer.data()), path.substr(0, size - 1));
        }
        for (std::size_t i = size; i < buffer.size(); ++i)
            EXPECT_EQ(buffer[i], sentinel) << "written at " << i;
    }
}

TEST(Module, FileNameRefusals)
{
    WCHAR buffer[4] = { sentinel, sentinel, sentinel, sentinel };
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 0), 0u);
    EXPECT_EQ(GetLastError(), DWORD { ERROR_INSUFFICIENT_BUFFER });
    EXPECT_EQ(buffer[0], sentinel);

    int other;
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameW(reinterpret_cast<HMODULE>(&other), buffer, 4), 0u);
    EXPECT_EQ(GetLastError(), DWORD { ERROR_MOD_NOT_FOUND });
    EXPECT_EQ(buffer[0], sentinel);
}

}
