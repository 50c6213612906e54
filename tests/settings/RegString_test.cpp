// The program's registry text helpers against the real store, checked through
// the registry API: the device's on a fresh device directory, and Windows' own
// under Wine.
#include "RegString.h"

#include "SettingsFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

static char const* const ProductKey = "Software\\Corvane\\Tembrel";

class RegString : public SettingsFixture {
protected:
    using String = std::basic_string<TCHAR>;

    static String wide(std::string const& text) { return String(text.begin(), text.end()); }

    static bool key_exists(std::string const& path)
    {
        HKEY key = NULL;
        auto const wide_path = wide(path);
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, wide_path.c_str(), 0, KEY_READ, &key)
            != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    // The raw stored value: its type and bytes; nullopt when it is missing.
    static std::optional<std::pair<DWORD, std::vector<BYTE>>> stored(std::string const& path, String const& name)
    {
        HKEY key = NULL;
        auto const wide_path = wide(path);
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, wide_path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return std::nullopt;
        std::vector<BYTE> data(8192);
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0xdeadbeef;
        LONG result = RegQueryValueExW(key, name.c_str(), NULL, &type, data.data(), &size);
        RegCloseKey(key);
        if (result != ERROR_SUCCESS)
            return std::nullopt;
        data.resize(size);
        return std::make_pair(type, data);
    }

    static void store_raw(std::string const& path, String const& name, DWORD type, std::vector<BYTE> const& data)
    {
        HKEY key = NULL;
        auto const wide_path = wide(path);
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, wide_path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    static void fill(TCHAR (&buffer)[MaxTextChars], String const& text)
    {
        std::fill(std::begin(buffer), std::end(buffer), TCHAR(0));
        std::copy(text.begin(), text.end(), buffer);
    }
};

TEST_F(RegString, TextIsStoredAs255BytesAndReadBack)
{
    TCHAR text[MaxTextChars];
    fill(text, TEXT("Default: -60")); // 12 characters
    // Mark what follows the terminator, to see exactly which bytes are stored.
    for (int i = 13; i < MaxTextChars; i++)
        text[i] = TCHAR(0x2A2A);
    WriteRegString(TEXT("DEFAULTS"), TEXT("DayLight"), text);

    auto value = stored(std::string(ProductKey) + "\\DEFAULTS", TEXT("DayLight"));
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->first, DWORD(REG_SZ));
    ASSERT_EQ(value->second.size(), 255u) << "stored length";
    // 26 bytes of text and terminator, then 229 bytes of the rest of the buffer.
    EXPECT_EQ(std::memcmp(value->second.data(), text, 26), 0);
    for (std::size_t i = 26; i < 255; i++)
        EXPECT_EQ(value->second[i], 0x2A) << "byte " << i;

    TCHAR out[MaxTextChars];
    std::fill(std::begin(out), std::end(out), TCHAR(0x5555));
    ReadRegString(TEXT("DEFAULTS"), TEXT("DayLight"), out);
    EXPECT_EQ(String(out), TEXT("Default: -60"));
}

TEST_F(RegString, NullOrEmptySubkeyAddressesTheProductKey)
{
    TCHAR text[MaxTextChars];
    fill(text, TEXT("one"));
    WriteRegString(NULL, TEXT("First"), text);
    fill(text, TEXT("two"));
    WriteRegString(TEXT(""), TEXT("Second"), text);

    EXPECT_TRUE(stored(ProductKey, TEXT("First")).has_value());
    EXPECT_TRUE(stored(ProductKey, TEXT("Second")).has_value());

    TCHAR out[MaxTextChars];
    ReadRegString(TEXT(""), TEXT("First"), out);
    EXPECT_EQ(String(out), TEXT("one"));
    ReadRegString(NULL, TEXT("Second"), out);
    EXPECT_EQ(String(out), TEXT("two"));
}

TEST_F(RegString, ReadingAMissingValueGivesEmptyAndCreatesTheKey)
{
    TCHAR out[MaxTextChars];
    std::fill(std::begin(out), std::end(out), TCHAR(0x5555));
    ReadRegString(TEXT("DEFAULTS"), TEXT("DayLight"), out);
    EXPECT_EQ(out[0], 0);
    EXPECT_TRUE(key_exists(std::string(ProductKey) + "\\DEFAULTS"));
}

TEST_F(RegString, WritingCreatesTheMakerKeyAndReplacesTheValue)
{
    TCHAR text[MaxTextChars];
    fill(text, TEXT("first, and longer than the second"));
    WriteRegString(TEXT("DEFAULTS"), TEXT("Standard"), text);
    EXPECT_TRUE(key_exists("Software\\Corvane"));

    fill(text, TEXT("second"));
    WriteRegString(TEXT("DEFAULTS"), TEXT("Standard"), text);
    auto value = stored(std::string(ProductKey) + "\\DEFAULTS", TEXT("Standard"));
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->second.size(), 255u);

    TCHAR out[MaxTextChars];
    ReadRegString(TEXT("DEFAULTS"), TEXT("Standard"), out);
    EXPECT_EQ(String(out), TEXT("second"));
}

// Stored data of every shape ReadRegString may meet: it never writes past the
// 256 characters of its result and always leaves it terminated.
TEST_F(RegString, ReadIsBoundedWhateverIsStored)
{
    auto utf16 = [](String const& text, bool terminated) {
        std::vector<BYTE> bytes;
        for (TCHAR c : text) {
            bytes.push_back(BYTE(c & 0xFF));
            bytes.push_back(BYTE(c >> 8));
        }
        if (terminated)
            bytes.insert(bytes.end(), { 0, 0 });
        return bytes;
    };
    struct Case {
        char const* label;
        std::vector<BYTE> data;
        String expected;
    };
    std::vector<Case> cases = {
        { "text of 300 characters is cut to 255", utf16(String(300, TEXT('x')), true), String(255, TEXT('x')) },
        { "text of exactly 255 characters", utf16(String(255, TEXT('y')), true), String(255, TEXT('y')) },
        { "no terminator within the data", utf16(TEXT("Default: 7"), false), TEXT("Default: 7") },
        { "odd length without terminator", [&] { auto b = utf16(TEXT("ab"), false); b.push_back(0x41); return b; }(), TEXT("ab") },
#ifdef _WIN32
        // Windows wants room for the terminator it appends to unterminated
        // text: data that fills the whole room is more data than the room.
        { "1250 characters without terminator need more than the room", utf16(String(1250, TEXT('z')), false),
          String() },
#else
        { "1250 characters without terminator fill the whole room", utf16(String(1250, TEXT('z')), false),
          String(255, TEXT('z')) },
#endif
        { "3000 bytes are more than the room offered", std::vector<BYTE>(3000, 0x41), TEXT("") },
        { "no data at all", {}, TEXT("") },
    };
    for (auto const& c : cases) {
        store_raw(std::string(ProductKey) + "\\DEFAULTS", TEXT("Value"), REG_SZ, c.data);
        // One character more than the buffer, as a guard that must stay untouched.
        TCHAR guarded[MaxTextChars + 1];
        std::fill(std::begin(guarded), std::end(guarded), TCHAR(0x5555));
        ReadRegString(TEXT("DEFAULTS"), TEXT("Value"), reinterpret_cast<TCHAR(&)[MaxTextChars]>(guarded));
        EXPECT_EQ(String(guarded, std::char_traits<TCHAR>::length(guarded)), c.expected) << c.label;
        EXPECT_EQ(guarded[MaxTextChars], TCHAR(0x5555)) << c.label << ": written past the buffer";
    }
}

TEST_F(RegString, SubkeyTooLongForThePathTouchesNothing)
{
    // The product key's path and a backslash take 25 characters, so a subkey of
    // 231 characters is one too many for the 256 of the path and its terminator.
    String const too_long(231, TEXT('k'));
    String const fits(230, TEXT('k'));

    TCHAR text[MaxTextChars];
    fill(text, TEXT("value"));
    WriteRegString(too_long.c_str(), TEXT("Name"), text);
    EXPECT_FALSE(key_exists(ProductKey)) << "no key is created for a path that does not fit";

    TCHAR out[MaxTextChars];
    std::fill(std::begin(out), std::end(out), TCHAR(0x5555));
    ReadRegString(too_long.c_str(), TEXT("Name"), out);
    EXPECT_EQ(out[0], 0);
    EXPECT_FALSE(key_exists(ProductKey));

    WriteRegString(fits.c_str(), TEXT("Name"), text);
    ReadRegString(fits.c_str(), TEXT("Name"), out);
    EXPECT_EQ(String(out), TEXT("value"));
}
