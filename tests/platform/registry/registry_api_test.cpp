// Conformance of the registry's Win32 functions: keys and paths, exact value
// bytes, the buffer rules of queries and enumeration, deletion and handles.
// Buffers and out-parameters start out as sentinels so that every check also
// proves nothing was written where it should not have been.
#include "windows.h"

#include "DeviceFixture.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr BYTE sentinel = 0xBD;
constexpr DWORD sentinel_dword = 0xDEADBEEF;
HKEY const sentinel_key = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0xBADC0DE0));

std::vector<BYTE> bytes_of(std::u16string const& text, std::size_t count)
{
    std::vector<BYTE> bytes(count, 0);
    std::memcpy(bytes.data(), text.data(), std::min(count, text.size() * 2));
    return bytes;
}

class RegistryApi : public test_support::DeviceFixture {
protected:
    HKEY create(LPCWSTR path, HKEY root = HKEY_LOCAL_MACHINE, DWORD* disposition = nullptr)
    {
        HKEY key = sentinel_key;
        DWORD ignored = 0;
        LONG status = RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                      disposition ? disposition : &ignored);
        EXPECT_EQ(status, ERROR_SUCCESS) << "creating " << platform_utf8(path);
        return key;
    }

    static std::string platform_utf8(LPCWSTR text)
    {
        std::string out;
        for (; text && *text; ++text)
            out += static_cast<char>(*text < 0x80 ? *text : '?');
        return out;
    }

    LONG open(LPCWSTR path, HKEY& key, HKEY root = HKEY_LOCAL_MACHINE)
    {
        key = sentinel_key;
        return RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS, &key);
    }

    // Forgets every cached copy of the store, so that the next call reads the file.
    void reload()
    {
        ::setenv("CE_DEVICE_DIR", (dir() / "elsewhere").c_str(), 1);
        DWORD size = 0;
        RegQueryValueExW(HKEY_LOCAL_MACHINE, u"x", nullptr, nullptr, nullptr, &size);
        ::setenv("CE_DEVICE_DIR", dir().c_str(), 1);
    }
};

TEST_F(RegistryApi, CreateMakesEveryMissingLevelAndReportsDisposition)
{
    DWORD disposition = sentinel_dword;
    HKEY key = create(u"Software\\Corvane\\Tembrel\\DEFAULTS", HKEY_LOCAL_MACHINE, &disposition);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    for (LPCWSTR level : { u"Software", u"Software\\Corvane", u"Software\\Corvane\\Tembrel" }) {
        HKEY opened;
        EXPECT_EQ(open(level, opened), ERROR_SUCCESS) << platform_utf8(level);
        RegCloseKey(opened);
    }

    disposition = sentinel_dword;
    key = create(u"Software\\Corvane\\Tembrel\\DEFAULTS", HKEY_LOCAL_MACHINE, &disposition);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    RegCloseKey(key);

    // One new level at the end still counts as created.
    disposition = sentinel_dword;
    key = create(u"Software\\Corvane\\Other", HKEY_LOCAL_MACHINE, &disposition);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    RegCloseKey(key);
}

TEST_F(RegistryApi, CreateBelowAnOpenKeyAndWithoutSubkey)
{
    HKEY parent = create(u"Software\\Corvane");
    HKEY child = create(u"Tembrel", parent);
    HKEY opened;
    EXPECT_EQ(open(u"Software\\Corvane\\Tembrel", opened), ERROR_SUCCESS);
    RegCloseKey(opened);

    // No subkey, or an empty one, opens the same key through a new handle.
    for (LPCWSTR none : { static_cast<LPCWSTR>(nullptr), u"" }) {
        HKEY same = create(none, child);
        EXPECT_NE(same, child);
        BYTE data[] = { 7 };
        EXPECT_EQ(RegSetValueExW(same, u"v", 0, REG_BINARY, data, 1), ERROR_SUCCESS);
        DWORD size = 0;
        EXPECT_EQ(RegQueryValueExW(child, u"v", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(size, 1u);
        RegCloseKey(same);
    }
    RegCloseKey(child);
    RegCloseKey(parent);
}

TEST_F(RegistryApi, PathAndNameRules)
{
    std::u16string name255(255, u'n');
    std::u16string name256(256, u'n');
    std::u16string depth16, depth17;
    for (int i = 0; i < 16; ++i)
        depth16 += (i ? u"\\k" : u"k");
    depth17 = depth16 + u"\\k";
    struct Case {
        char const* label;
        std::u16string path;
        LONG expected;
    } const cases[] = {
        { "leading backslash", u"\\Software", ERROR_BAD_PATHNAME },
        { "empty name between backslashes", u"Software\\\\X", ERROR_BAD_PATHNAME },
        { "trailing backslashes", u"Software\\Trailing\\\\", ERROR_SUCCESS },
        { "255-character name", u"Software\\" + name255, ERROR_SUCCESS },
        { "256-character name", u"Software\\" + name256, ERROR_INVALID_PARAMETER },
        { "16 levels", depth16, ERROR_SUCCESS },
        { "17 levels", depth17, ERROR_INVALID_PARAMETER },
    };
    for (auto const& c : cases) {
        HKEY key = sentinel_key;
        DWORD disposition = 0;
        LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, c.path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                      &key, &disposition);
        EXPECT_EQ(status, c.expected) << c.label;
        if (status == ERROR_SUCCESS) {
            HKEY opened;
            EXPECT_EQ(open(c.path.c_str(), opened), ERROR_SUCCESS) << c.label;
            RegCloseKey(opened);
            RegCloseKey(key);
        } else {
            EXPECT_EQ(open(c.path.c_str(), key), c.expected) << c.label;
        }
    }
    // Too deep also counts the levels of the key the path starts from.
    HKEY deep = create(depth16.c_str());
    HKEY key = sentinel_key;
    EXPECT_EQ(RegCreateKeyExW(deep, u"more", 0, nullptr, 0, 0, nullptr, &key, nullptr), ERROR_INVALID_PARAMETER);
    RegCloseKey(deep);
}

TEST_F(RegistryApi, BadArguments)
{
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"A", 0, nullptr, 0, 0, nullptr, nullptr, &disposition),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"A", 0, 0, nullptr), ERROR_INVALID_PARAMETER);

    HKEY bogus = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x4242));
    HKEY key = sentinel_key;
    EXPECT_EQ(RegCreateKeyExW(bogus, u"A", 0, nullptr, 0, 0, nullptr, &key, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyExW(nullptr, u"A", 0, 0, &key), ERROR_INVALID_HANDLE);
    BYTE data[4] = {};
    DWORD size = sizeof data;
    EXPECT_EQ(RegSetValueExW(bogus, u"v", 0, REG_BINARY, data, 4), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExW(bogus, u"v", nullptr, nullptr, data, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(bogus), ERROR_INVALID_HANDLE);

    HKEY real = create(u"Software\\Args");
    EXPECT_EQ(RegSetValueExW(real, u"v", 0, REG_BINARY, nullptr, 4), ERROR_NOACCESS);
    EXPECT_EQ(RegQueryValueExW(real, u"v", nullptr, nullptr, data, nullptr), ERROR_INVALID_PARAMETER);
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueExW(real, u"v", &reserved, nullptr, nullptr, &size), ERROR_INVALID_PARAMETER);
    std::u16string long_name(256, u'v');
    EXPECT_EQ(RegSetValueExW(real, long_name.c_str(), 0, REG_BINARY, data, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExW(real, long_name.substr(1).c_str(), 0, REG_BINARY, data, 4), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(real), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(real), ERROR_INVALID_HANDLE) << "closed twice";
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
}

TEST_F(RegistryApi, OpenMissingKeyFailsAndClearsHandle)
{
    HKEY key = sentinel_key;
    EXPECT_EQ(open(u"Software\\Missing", key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_FALSE(std::filesystem::exists(registry_file())) << "opening must not create anything";
}

TEST_F(RegistryApi, ValuesKeepExactBytesAndLength)
{
    // The program's own case: a 256-character text buffer of which the first
    // 255 bytes are stored, the text, its terminator and what follows it.
    std::u16string buffer = u"Default: -60";
    buffer += u'\0';
    while (buffer.size() < 256)
        buffer += static_cast<char16_t>(0x4100 + buffer.size());
    std::vector<BYTE> all_bytes(256);
    for (std::size_t i = 0; i < all_bytes.size(); ++i)
        all_bytes[i] = static_cast<BYTE>(i);

    struct Case {
        char const* label;
        DWORD type;
        std::vector<BYTE> data;
    } const cases[] = {
        { "255-byte REG_SZ from a text buffer", REG_SZ, bytes_of(buffer, 255) },
        { "REG_SZ with terminator", REG_SZ, bytes_of(u"Standard", 18) },
        { "REG_SZ without terminator", REG_SZ, bytes_of(u"abc", 6) },
        { "REG_SZ of one byte", REG_SZ, { 0x41 } },
        { "REG_SZ of no bytes", REG_SZ, {} },
        { "REG_SZ with zeros inside", REG_SZ, bytes_of(std::u16string(u"a\0b\0\0", 5), 10) },
        { "REG_SZ with quote, backslash, line break", REG_SZ, bytes_of(u"a\"b\\c\nd", 16) },
        { "REG_SZ with a lone surrogate", REG_SZ, bytes_of(std::u16string(1, char16_t(0xD800)), 4) },
        { "REG_SZ beyond ASCII", REG_SZ, bytes_of(u"\u00c4rger \U0001F600", 20) },
        { "REG_MULTI_SZ", REG_MULTI_SZ, bytes_of(std::u16string(u"a\0bc\0\0", 6), 12) },
        { "REG_EXPAND_SZ", REG_EXPAND_SZ, bytes_of(u"%HOME%", 14) },
        { "REG_DWORD", REG_DWORD, { 0x78, 0x56, 0x34, 0x12 } },
        { "REG_DWORD of three bytes", REG_DWORD, { 1, 2, 3 } },
        { "REG_QWORD", REG_QWORD, { 1, 2, 3, 4, 5, 6, 7, 8 } },
        { "REG_BINARY, every byte value", REG_BINARY, all_bytes },
        { "REG_NONE", REG_NONE, { 0 } },
        { "unknown type", 0x12345, { 9, 8 } },
    };
    HKEY key = create(u"Software\\Bytes");
    for (auto const& c : cases) {
        auto const* data = c.data.empty() ? reinterpret_cast<BYTE const*>("") : c.data.data();
        ASSERT_EQ(RegSetValueExW(key, u"v", 0, c.type, data, static_cast<DWORD>(c.data.size())), ERROR_SUCCESS)
            << c.label;
        for (bool fresh : { false, true }) {
            if (fresh)
                reload();
            std::vector<BYTE> out(2500, sentinel);
            DWORD type = sentinel_dword;
            DWORD size = static_cast<DWORD>(out.size());
            ASSERT_EQ(RegQueryValueExW(key, u"v", nullptr, &type, out.data(), &size), ERROR_SUCCESS) << c.label;
            EXPECT_EQ(type, c.type) << c.label;
            ASSERT_EQ(size, c.data.size()) << c.label << (fresh ? " (from the file)" : "");
            EXPECT_TRUE(std::equal(c.data.begin(), c.data.end(), out.begin())) << c.label;
            EXPECT_TRUE(std::all_of(out.begin() + size, out.end(), [](BYTE b) { return b == sentinel; }))
                << c.label << ": bytes written past the value";
        }
    }
    RegCloseKey(key);
}

TEST_F(RegistryApi, QueryBufferRules)
{
    HKEY key = create(u"Software\\Query");
    BYTE const stored[] = { 1, 2, 3, 4, 5, 6, 7 };
    ASSERT_EQ(RegSetValueExW(key, u"Seven", 0, REG_BINARY, stored, sizeof stored), ERROR_SUCCESS);

    struct Case {
        DWORD room;
        LONG expected;
    } const cases[] = {
        { 0, ERROR_MORE_DATA }, { 1, ERROR_MORE_DATA }, { 6, ERROR_MORE_DATA }, { 7, ERROR_SUCCESS }, { 8, ERROR_SUCCESS },
    };
    for (auto const& c : cases) {
        std::vector<BYTE> out(16, sentinel);
        DWORD size = c.room;
        DWORD type = sentinel_dword;
        EXPECT_EQ(RegQueryValueExW(key, u"Seven", nullptr, &type, out.data(), &size), c.expected) << "room " << c.room;
        EXPECT_EQ(size, 7u) << "room " << c.room;
        EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY)) << "room " << c.room;
        std::size_t written = c.expected == ERROR_SUCCESS ? 7 : 0;
        EXPECT_TRUE(std::equal(stored, stored + written, out.begin())) << "room " << c.room;
        EXPECT_TRUE(std::all_of(out.begin() + static_cast<std::ptrdiff_t>(written), out.end(),
                                [](BYTE b) { return b == sentinel; }))
            << "room " << c.room << ": buffer touched";
    }

    // Size only: no buffer, the size is reported.
    DWORD size = sentinel_dword;
    EXPECT_EQ(RegQueryValueExW(key, u"Seven", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 7u);
    // Type only.
    DWORD type = sentinel_dword;
    EXPECT_EQ(RegQueryValueExW(key, u"Seven", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    RegCloseKey(key);
}

TEST_F(RegistryApi, MissingValueLeavesBufferAlone)
{
    HKEY key = create(u"Software\\Query");
    std::vector<BYTE> out(16, sentinel);
    DWORD size = static_cast<DWORD>(out.size());
    DWORD type = sentinel_dword;
    EXPECT_EQ(RegQueryValueExW(key, u"Nothing", nullptr, &type, out.data(), &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(size, out.size()) << "the room is left as offered";
    EXPECT_EQ(type, sentinel_dword);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](BYTE b) { return b == sentinel; }));

    size = sentinel_dword;
    EXPECT_EQ(RegQueryValueExW(key, u"Nothing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(size, 0u) << "a size-only query learns there is nothing";
    RegCloseKey(key);
}

TEST_F(RegistryApi, NamesIgnoreCaseAndKeepTheirOwn)
{
    HKEY key = create(u"Software\\Corvane");
    BYTE one[] = { 1 }, two[] = { 2, 2 };
    ASSERT_EQ(RegSetValueExW(key, u"DayLight", 0, REG_BINARY, one, 1), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, u"\u00c4rger", 0, REG_BINARY, one, 1), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, u"DAYLIGHT", 0, REG_BINARY, two, 2), ERROR_SUCCESS) << "replaces, not adds";
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"daylight", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(RegQueryValueExW(key, u"\u00e4RGER", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);

    WCHAR name[32];
    DWORD count = 32;
    EXPECT_EQ(RegEnumValueW(key, 0, name, &count, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"DayLight") << "keeps the case it was created with";
    count = 32;
    EXPECT_EQ(RegEnumValueW(key, 2, name, &count, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

    HKEY sub = create(u"TEMBREL", key);
    HKEY opened;
    EXPECT_EQ(open(u"SOFTWARE\\corvane\\Tembrel", opened), ERROR_SUCCESS);
    RegCloseKey(opened);
    count = 32;
    EXPECT_EQ(RegEnumKeyExW(key, 0, name, &count, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"TEMBREL");
    RegCloseKey(sub);
    RegCloseKey(key);
}

TEST_F(RegistryApi, DefaultValueIsTheEmptyName)
{
    HKEY key = create(u"Software\\Default");
    BYTE data[] = { 5 };
    ASSERT_EQ(RegSetValueExW(key, nullptr, 0, REG_BINARY, data, 1), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(RegDeleteValueW(key, u""), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(key, nullptr, nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(RegistryApi, EnumerationOrder)
{
    HKEY key = create(u"Software\\Order");
    for (LPCWSTR name : { u"b", u"A", u"c", u"B2" })
        RegCloseKey(create(name, key));
    BYTE data[] = { 1 };
    for (LPCWSTR name : { u"zeta", u"alpha", u"Mu" })
        ASSERT_EQ(RegSetValueExW(key, name, 0, REG_BINARY, data, 1), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, u"ALPHA", 0, REG_DWORD, data, 1), ERROR_SUCCESS) << "replacing keeps the place";
    reload();

    std::vector<std::u16string> keys, values;
    WCHAR name[64];
    for (DWORD i = 0;; ++i) {
        DWORD count = 64;
        LONG status = RegEnumKeyExW(key, i, name, &count, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        ASSERT_EQ(status, ERROR_SUCCESS);
        EXPECT_EQ(count, std::u16string(name).size());
        keys.emplace_back(name);
    }
    for (DWORD i = 0;; ++i) {
        DWORD count = 64;
        LONG status = RegEnumValueW(key, i, name, &count, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        ASSERT_EQ(status, ERROR_SUCCESS);
        values.emplace_back(name);
    }
    EXPECT_EQ(keys, (std::vector<std::u16string> { u"A", u"b", u"B2", u"c" })) << "alphabetical, case ignored";
    EXPECT_EQ(values, (std::vector<std::u16string> { u"zeta", u"alpha", u"Mu" })) << "creation order";
    RegCloseKey(key);
}

TEST_F(RegistryApi, EnumBufferRules)
{
    HKEY key = create(u"Software\\Enum");
    BYTE const stored[] = { 1, 2, 3, 4, 5, 6 };
    ASSERT_EQ(RegSetValueExW(key, u"Name", 0, REG_BINARY, stored, sizeof stored), ERROR_SUCCESS);
    RegCloseKey(create(u"Subkey", key));

    // The name does not fit (four characters need five with the terminator):
    // nothing is written, the counts stay.
    WCHAR name[8];
    std::fill(std::begin(name), std::end(name), char16_t(0xBDBD));
    BYTE data[8];
    std::fill(std::begin(data), std::end(data), sentinel);
    DWORD count = 4, size = sizeof data, type = sentinel_dword;
    EXPECT_EQ(RegEnumValueW(key, 0, name, &count, nullptr, &type, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(size, sizeof data);
    EXPECT_TRUE(std::all_of(std::begin(name), std::end(name), [](WCHAR c) { return c == 0xBDBD; }));
    EXPECT_TRUE(std::all_of(std::begin(data), std::end(data), [](BYTE b) { return b == sentinel; }));

    // The data does not fit: the name is copied, the data left alone.
    count = 5;
    size = 5;
    EXPECT_EQ(RegEnumValueW(key, 0, name, &count, nullptr, &type, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(std::u16string(name), u"Name");
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_TRUE(std::all_of(std::begin(data), std::end(data), [](BYTE b) { return b == sentinel; }));

    // Everything fits.
    count = 8;
    size = sizeof data;
    EXPECT_EQ(RegEnumValueW(key, 0, name, &count, nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_TRUE(std::equal(stored, stored + 6, data));
    EXPECT_EQ(data[6], sentinel);

    std::fill(std::begin(name), std::end(name), char16_t(0xBDBD));
    count = 6;
    EXPECT_EQ(RegEnumKeyExW(key, 0, name, &count, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(count, 6u);
    EXPECT_EQ(name[0], 0xBDBD);
    count = 7;
    WCHAR class_name[4] = { u'x', u'x', u'x', u'x' };
    DWORD class_count = 4;
    FILETIME time { sentinel_dword, sentinel_dword };
    EXPECT_EQ(RegEnumKeyExW(key, 0, name, &count, nullptr, class_name, &class_count, &time), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"Subkey");
    EXPECT_EQ(count, 6u);
    EXPECT_EQ(name[7], 0xBDBD);
    EXPECT_EQ(class_count, 0u);
    EXPECT_EQ(class_name[0], u'\0');
    EXPECT_EQ(RegEnumKeyExW(key, 1, name, &count, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
}

TEST_F(RegistryApi, DeletingValuesAndKeys)
{
    HKEY key = create(u"Software\\Doomed\\Child\\Grandchild");
    HKEY doomed = create(u"Software\\Doomed");
    BYTE data[] = { 1 };
    ASSERT_EQ(RegSetValueExW(doomed, u"v", 0, REG_BINARY, data, 1), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(doomed, u"V"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(doomed, u"v"), ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Software\\Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u""), ERROR_ACCESS_DENIED) << "a root cannot go";
    // The key goes with everything below it.
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"software\\DOOMED"), ERROR_SUCCESS);
    HKEY opened;
    EXPECT_EQ(open(u"Software\\Doomed\\Child", opened), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(open(u"Software", opened), ERROR_SUCCESS);
    RegCloseKey(opened);

    // Handles to deleted keys fail on use, but can still be closed.
    DWORD size = 0;
    for (HKEY gone : { key, doomed }) {
        EXPECT_EQ(RegQueryValueExW(gone, u"v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
        EXPECT_EQ(RegSetValueExW(gone, u"v", 0, REG_BINARY, data, 1), ERROR_KEY_DELETED);
        HKEY child = sentinel_key;
        EXPECT_EQ(RegCreateKeyExW(gone, u"again", 0, nullptr, 0, 0, nullptr, &child, nullptr), ERROR_KEY_DELETED);
        WCHAR name[8];
        DWORD count = 8;
        EXPECT_EQ(RegEnumKeyExW(gone, 0, name, &count, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
        EXPECT_EQ(RegCloseKey(gone), ERROR_SUCCESS);
    }

    // A key can delete itself through its own handle with an empty subkey.
    HKEY self = create(u"Software\\Self");
    EXPECT_EQ(RegDeleteKeyW(self, u""), ERROR_SUCCESS);
    EXPECT_EQ(open(u"Software\\Self", opened), ERROR_FILE_NOT_FOUND);
    RegCloseKey(self);
}

TEST_F(RegistryApi, HandlesSurviveChangesToTheFile)
{
    HKEY key = create(u"Software\\Corvane\\Tembrel");
    BYTE data[] = { 1 };
    ASSERT_EQ(RegSetValueExW(key, u"Mine", 0, REG_BINARY, data, 1), ERROR_SUCCESS);
    // Another process (here: a hand edit) rewrites the file meanwhile.
    write_file(registry_file(), "Windows Registry Editor Version 5.00\n\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\Corvane\\Tembrel]\n"
                                "\"Theirs\"=\"edited by hand\"\n");
    std::vector<BYTE> out(64, sentinel);
    DWORD size = static_cast<DWORD>(out.size());
    DWORD type = 0;
    ASSERT_EQ(RegQueryValueExW(key, u"Theirs", nullptr, &type, out.data(), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 30u) << "the text and its terminator";
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t const*>(out.data())), u"edited by hand");
    EXPECT_EQ(RegQueryValueExW(key, u"Mine", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);

    // And then deletes the key: the handle says so.
    write_file(registry_file(), "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Corvane]\n");
    EXPECT_EQ(RegQueryValueExW(key, u"Theirs", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryApi, ChangesAreInTheFileWhenTheCallReturns)
{
    HKEY key = create(u"Software\\Corvane\\Tembrel\\DEFAULTS");
    EXPECT_NE(read_file(registry_file()).find("[HKEY_LOCAL_MACHINE\\Software\\Corvane\\Tembrel\\DEFAULTS]"),
              std::string::npos);
    std::u16string text = u"Standard";
    ASSERT_EQ(RegSetValueExW(key, u"Standard", 0, REG_SZ, reinterpret_cast<BYTE const*>(text.c_str()), 18),
              ERROR_SUCCESS);
    EXPECT_NE(read_file(registry_file()).find("\"Standard\"=\"Standard\"\n"), std::string::npos);
    ASSERT_EQ(RegDeleteValueW(key, u"Standard"), ERROR_SUCCESS);
    EXPECT_EQ(read_file(registry_file()).find("\"Standard\""), std::string::npos);
    RegCloseKey(key);
    // The file is the owner's alone.
    EXPECT_EQ(std::filesystem::status(registry_file()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

}
