// The stand-in SDK where a program can tell it from the real one: the types'
// widths and identities, the plain names that are macros for the W functions,
// and tchar.h. Everything that can be is checked while compiling.
#include <windows.h>
#include <tchar.h>

#include <gtest/gtest.h>

#include <string_view>
#include <type_traits>

namespace {

// The name a plain API name becomes after the preprocessor.
#define CE_SPELLING(name) #name
#define CE_EXPANDED(name) CE_SPELLING(name)

struct Mapping {
    std::string_view plain_expanded;
    std::string_view wide;
};

// Every function of the device that the real SDK has in A and W forms.
constexpr Mapping wide_mappings[] = {
    { CE_EXPANDED(SendMessage), "SendMessageW" },
    { CE_EXPANDED(PostMessage), "PostMessageW" },
    { CE_EXPANDED(SetDlgItemText), "SetDlgItemTextW" },
    { CE_EXPANDED(GetDlgItemText), "GetDlgItemTextW" },
    { CE_EXPANDED(SetWindowText), "SetWindowTextW" },
    { CE_EXPANDED(GetWindowText), "GetWindowTextW" },
    { CE_EXPANDED(GetWindowTextLength), "GetWindowTextLengthW" },
    { CE_EXPANDED(GetWindowLong), "GetWindowLongW" },
    { CE_EXPANDED(SetWindowLong), "SetWindowLongW" },
    { CE_EXPANDED(GetWindowLongPtr), "GetWindowLongPtrW" },
    { CE_EXPANDED(SetWindowLongPtr), "SetWindowLongPtrW" },
    { CE_EXPANDED(DialogBoxParam), "DialogBoxParamW" },
    { CE_EXPANDED(DialogBoxIndirectParam), "DialogBoxIndirectParamW" },
    { CE_EXPANDED(GetModuleHandle), "GetModuleHandleW" },
    { CE_EXPANDED(GetModuleFileName), "GetModuleFileNameW" },
    { CE_EXPANDED(FindResource), "FindResourceW" },
    { CE_EXPANDED(FindResourceEx), "FindResourceExW" },
    { CE_EXPANDED(LoadIcon), "LoadIconW" },
    { CE_EXPANDED(RegCreateKeyEx), "RegCreateKeyExW" },
    { CE_EXPANDED(RegOpenKeyEx), "RegOpenKeyExW" },
    { CE_EXPANDED(RegSetValueEx), "RegSetValueExW" },
    { CE_EXPANDED(RegQueryValueEx), "RegQueryValueExW" },
    { CE_EXPANDED(RegDeleteValue), "RegDeleteValueW" },
    { CE_EXPANDED(RegDeleteKey), "RegDeleteKeyW" },
    { CE_EXPANDED(RegEnumKeyEx), "RegEnumKeyExW" },
    { CE_EXPANDED(RegEnumValue), "RegEnumValueW" },
    { CE_EXPANDED(wsprintf), "wsprintfW" },
    { CE_EXPANDED(wvsprintf), "wvsprintfW" },
    { CE_EXPANDED(MAKEINTRESOURCE), "MAKEINTRESOURCEW" },
    { CE_EXPANDED(_tWinMain), "WinMain" },
    { CE_EXPANDED(_tcslen), "wcslen" },
    { CE_EXPANDED(_tcscpy), "wcscpy" },
    { CE_EXPANDED(_tcsncpy), "wcsncpy" },
    { CE_EXPANDED(_tcscat), "wcscat" },
    { CE_EXPANDED(_tcscmp), "wcscmp" },
    { CE_EXPANDED(_tcsncmp), "wcsncmp" },
    { CE_EXPANDED(_tcschr), "wcschr" },
};

constexpr bool every_name_is_wide()
{
    for (auto const& mapping : wide_mappings) {
        if (mapping.plain_expanded != mapping.wide)
            return false;
    }
    return true;
}
static_assert(every_name_is_wide());

// DialogBox and DialogBoxIndirect are DialogBoxParam without its parameter.
static_assert(std::string_view(CE_EXPANDED(DialogBox(a, b, c, d))) == "DialogBoxParamW(a, b, c, d, 0)");
static_assert(std::string_view(CE_EXPANDED(DialogBoxIndirect(a, b, c, d)))
              == "DialogBoxIndirectParamW(a, b, c, d, 0)");

// The W functions keep the real signatures.
static_assert(std::is_same_v<decltype(&SendMessageW), LRESULT (*)(HWND, UINT, WPARAM, LPARAM)>);
static_assert(std::is_same_v<decltype(&GetDlgItemTextW), UINT (*)(HWND, int, LPWSTR, int)>);
static_assert(std::is_same_v<decltype(&LoadIconW), HICON (*)(HINSTANCE, LPCWSTR)>);
static_assert(std::is_same_v<decltype(&WinMain), int (*)(HINSTANCE, HINSTANCE, LPWSTR, int)>);

// Types as the real SDK has them...
static_assert(std::is_same_v<CHAR, char>);
static_assert(std::is_same_v<LPSTR, char*> && std::is_same_v<LPCSTR, char const*>);
static_assert(std::is_same_v<TCHAR, WCHAR> && std::is_same_v<_TCHAR, WCHAR>);
static_assert(std::is_same_v<LPTSTR, LPWSTR> && std::is_same_v<LPCTSTR, LPCWSTR>);
static_assert(std::is_same_v<BOOL, int> && std::is_same_v<INT, int> && std::is_same_v<UINT, unsigned int>);
static_assert(sizeof(BYTE) == 1 && sizeof(WORD) == 2 && sizeof(SHORT) == 2);
static_assert(sizeof(LONGLONG) == 8 && sizeof(ULONGLONG) == 8);
static_assert(sizeof(WPARAM) == sizeof(void*) && sizeof(LPARAM) == sizeof(void*) && sizeof(LRESULT) == sizeof(void*));
static_assert(sizeof(INT_PTR) == sizeof(void*) && sizeof(UINT_PTR) == sizeof(void*));
static_assert(std::is_signed_v<LONG> && std::is_signed_v<INT_PTR> && std::is_unsigned_v<DWORD>);
static_assert(sizeof(SYSTEMTIME) == 16 && sizeof(TIME_ZONE_INFORMATION) == 172 && sizeof(DLGTEMPLATE) == 18);

// ...and the deliberate differences: WCHAR is char16_t, as the host's wchar_t
// is 32 bits; LONG and DWORD are exactly 32 bits (long is 64 here).
static_assert(std::is_same_v<WCHAR, char16_t>);
static_assert(std::is_same_v<decltype(TEXT("x")), char16_t const(&)[2]>);
static_assert(std::is_same_v<decltype(_T("x")), char16_t const(&)[2]>);
static_assert(std::is_same_v<decltype(_TEXT("x")), char16_t const(&)[2]>);
static_assert(sizeof(LONG) == 4 && sizeof(ULONG) == 4 && sizeof(DWORD) == 4);

// The constants the program uses, with the real values.
static_assert(IDOK == 1 && IDCANCEL == 2 && WM_SETICON == 0x0080 && ICON_BIG == 1 && ICON_SMALL == 0);
static_assert(TIME_ZONE_ID_INVALID == 0xFFFFFFFF && REG_SZ == 1 && KEY_ALL_ACCESS == 0x000F003F);

} // namespace

// tchar.h's string functions over the device's 16-bit text.
TEST(GenericText, LengthCopyAndConcatenate)
{
    EXPECT_EQ(_tcslen(_T("")), 0u);
    EXPECT_EQ(_tcslen(_T("Default: -60")), 12u);

    TCHAR buffer[16];
    buffer[15] = 0x7777; // sentinel
    EXPECT_EQ(_tcscpy(buffer, _T("Day")), buffer);
    EXPECT_EQ(_tcscat(buffer, _T("Light")), buffer);
    EXPECT_EQ(std::u16string_view(buffer), u"DayLight");
    EXPECT_EQ(buffer[15], 0x7777);
}

TEST(GenericText, CountedCopyPadsAShortSourceAndLeavesALongOneUnterminated)
{
    struct Case {
        char16_t const* source;
        SIZE_T count;
        char16_t const expected[6];
    };
    Case const cases[] = {
        { u"ab", 5, { u'a', u'b', 0, 0, 0, 0x7777 } },
        { u"abcdefgh", 5, { u'a', u'b', u'c', u'd', u'e', 0x7777 } },
        { u"abc", 0, { 0x7777, 0x7777, 0x7777, 0x7777, 0x7777, 0x7777 } },
    };
    for (auto const& c : cases) {
        TCHAR buffer[6] = { 0x7777, 0x7777, 0x7777, 0x7777, 0x7777, 0x7777 };
        _tcsncpy(buffer, c.source, c.count);
        for (int i = 0; i < 6; i++)
            EXPECT_EQ(buffer[i], c.expected[i]) << "count " << c.count << ", character " << i;
    }
}

TEST(GenericText, ComparisonIsByUnsignedCodeUnit)
{
    struct Case {
        char16_t const* first;
        char16_t const* second;
        SIZE_T count;
        int sign;
    };
    Case const cases[] = {
        { u"abc", u"abc", 9, 0 },   { u"abc", u"abd", 9, -1 }, { u"abd", u"abc", 9, 1 },
        { u"ab", u"abc", 9, -1 },   { u"abc", u"ab", 9, 1 },   { u"abc", u"abd", 2, 0 },
        { u"\xFFFF", u"a", 9, 1 },  { u"", u"", 9, 0 },        { u"x", u"y", 0, 0 },
    };
    for (auto const& c : cases) {
        int const result = _tcsncmp(c.first, c.second, c.count);
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << "count " << c.count;
        if (c.count == 9) {
            int const whole = _tcscmp(c.first, c.second);
            EXPECT_EQ((whole > 0) - (whole < 0), c.sign);
        }
    }
}

TEST(GenericText, FindCharacterFindsTheTerminatorToo)
{
    TCHAR text[] = _T("a\\b");
    EXPECT_EQ(_tcschr(text, _T('\\')), text + 1);
    EXPECT_EQ(_tcschr(text, 0), text + 3);
    EXPECT_EQ(_tcschr(text, _T('z')), nullptr);
}
