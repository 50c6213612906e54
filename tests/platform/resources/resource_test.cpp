// FindResourceW, FindResourceExW, LoadResource, LockResource and SizeofResource
// over the test's embedded resources: names of each form, the order in which
// languages are tried, and the errors.
#include "fixture.h"
#include "fixture_access.h"
#include "resources/ResourceData.h"

#include <string>

namespace {

std::string text_of(HRSRC resource)
{
    HMODULE const module = GetModuleHandleW(nullptr);
    auto const data = static_cast<char const*>(LockResource(LoadResource(module, resource)));
    if (!data)
        return "(no data)";
    return std::string(data, SizeofResource(module, resource));
}

TEST(Resource, FoundByOrdinalStringAndHashNumber)
{
    HMODULE const module = GetModuleHandleW(nullptr);
    struct Case {
        char const* what;
        LPCWSTR name;
        LPCWSTR type;
        char const* text;
    } const cases[] = {
        { "ordinal name and type", MAKEINTRESOURCEW(IDR_CHAIN), RT_RCDATA, "en-US" },
        { "string name", u"Greeting", RT_RCDATA, "hello" },
        { "string name in capitals", u"GREETING", RT_RCDATA, "hello" },
        { "string type", MAKEINTRESOURCEW(1), u"fixturetype", "typed" },
        { "name as #number", u"#200", RT_RCDATA, "en-US" },
        { "type as #number", MAKEINTRESOURCEW(IDR_CHAIN), u"#10", "en-US" },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.what);
        HRSRC const found = FindResourceW(module, c.name, c.type);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(text_of(found), c.text);
    }
}

TEST(Resource, NullModuleIsTheExecutable)
{
    HRSRC const found = FindResourceW(nullptr, u"GREETING", RT_RCDATA);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found, FindResourceW(GetModuleHandleW(nullptr), u"GREETING", RT_RCDATA));
    EXPECT_EQ(text_of(found), "hello");
}

// The language asked for, then its primary language without a country, then
// the neutral language, then the lowest language there is. Neutral itself
// stands for the device's language, English (United States).
TEST(Resource, LanguagesAreTriedInOrder)
{
    struct Case {
        WORD resource;
        WORD language;
        char const* text;
    } const cases[] = {
        { IDR_CHAIN, 0x0409, "en-US" },
        { IDR_CHAIN, 0x0007, "de" },
        { IDR_CHAIN, 0x0407, "de" },  // German (Germany): German
        { IDR_CHAIN, 0x0807, "de" },  // German (Switzerland): German
        { IDR_CHAIN, 0x0809, "neutral" }, // English (United Kingdom): no English without a country
        { IDR_CHAIN, 0x040C, "neutral" },
        { IDR_CHAIN, 0x0000, "en-US" },
        { IDR_ONLY_OTHER_LANGUAGES, 0x0409, "it-IT" },
        { IDR_ONLY_OTHER_LANGUAGES, 0x0411, "ja-JP" },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE("resource " + std::to_string(c.resource) + " language " + std::to_string(c.language));
        HRSRC const found = FindResourceExW(nullptr, RT_RCDATA, MAKEINTRESOURCEW(c.resource), c.language);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(text_of(found), c.text);
    }
    EXPECT_EQ(text_of(FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_CHAIN), RT_RCDATA)), "en-US");
}

TEST(Resource, NotFoundSaysWhatWasMissing)
{
    int other;
    struct Case {
        char const* what;
        HMODULE module;
        LPCWSTR name;
        LPCWSTR type;
        DWORD error;
    } const cases[] = {
        { "no such type", nullptr, MAKEINTRESOURCEW(1), RT_MENU, ERROR_RESOURCE_TYPE_NOT_FOUND },
        { "no such string type", nullptr, MAKEINTRESOURCEW(1), u"NOSUCHTYPE", ERROR_RESOURCE_TYPE_NOT_FOUND },
        { "no such name", nullptr, MAKEINTRESOURCEW(9999), RT_RCDATA, ERROR_RESOURCE_NAME_NOT_FOUND },
        { "no such string name", nullptr, u"Farewell", RT_RCDATA, ERROR_RESOURCE_NAME_NOT_FOUND },
        { "ordinal 0 is not the marker entry", nullptr, MAKEINTRESOURCEW(0), MAKEINTRESOURCEW(0),
          ERROR_RESOURCE_TYPE_NOT_FOUND },
        { "# without a number is a name", nullptr, u"#", RT_RCDATA, ERROR_RESOURCE_NAME_NOT_FOUND },
        { "another module", reinterpret_cast<HMODULE>(&other), u"GREETING", RT_RCDATA, ERROR_INVALID_HANDLE },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_EQ(FindResourceW(c.module, c.name, c.type), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST(Resource, EmptyResourceHasSizeZeroAndData)
{
    HRSRC const found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_EMPTY), RT_RCDATA);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(SizeofResource(nullptr, found), 0u);
    EXPECT_NE(LoadResource(nullptr, found), nullptr);
}

TEST(Resource, LoadingAndSizingCheckTheHandle)
{
    HRSRC const found = FindResourceW(nullptr, u"GREETING", RT_RCDATA);
    ASSERT_NE(found, nullptr);
    HGLOBAL const data = LoadResource(nullptr, found);
    EXPECT_EQ(LockResource(data), data);
    EXPECT_EQ(LoadResource(GetModuleHandleW(nullptr), found), data);

    int bogus[16] = {};
    for (HRSRC handle : { HRSRC {}, reinterpret_cast<HRSRC>(bogus) }) {
        SetLastError(0);
        EXPECT_EQ(LoadResource(nullptr, handle), nullptr);
        EXPECT_EQ(GetLastError(), DWORD { ERROR_INVALID_HANDLE });
        SetLastError(0);
        EXPECT_EQ(SizeofResource(nullptr, handle), 0u);
        EXPECT_EQ(GetLastError(), DWORD { ERROR_INVALID_HANDLE });
    }
    EXPECT_EQ(LockResource(nullptr), nullptr);
}

TEST(Resource, BytesAndExtentOfResourceData)
{
    using platform::resources::resource_bytes;
    using platform::resources::resource_extent;
    HRSRC const found = FindResourceW(nullptr, u"GREETING", RT_RCDATA);
    auto const bytes = resource_bytes(nullptr, found);
    ASSERT_EQ(bytes.size(), 5u);
    EXPECT_EQ(bytes.data(), LockResource(LoadResource(nullptr, found)));

    auto const whole = resource_extent(bytes.data());
    EXPECT_EQ(whole.data(), bytes.data());
    EXPECT_EQ(whole.size(), 5u);
    auto const tail = resource_extent(bytes.data() + 3);
    EXPECT_EQ(tail.data(), bytes.data() + 3);
    EXPECT_EQ(tail.size(), 2u);

    BYTE const elsewhere[8] = {};
    EXPECT_TRUE(resource_extent(elsewhere).empty());
    EXPECT_TRUE(resource_extent(nullptr).empty());
    EXPECT_TRUE(resource_bytes(nullptr, nullptr).empty());
}

}
