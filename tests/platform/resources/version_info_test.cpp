// parse_version_info on the test's own version record, and on damaged copies.
#include "fixture_access.h"
#include "resources/VersionInfo.h"

using platform::resources::parse_version_info;

namespace {

std::span<BYTE const> record()
{
    return fixture::resource(RT_VERSION, VS_VERSION_INFO);
}

TEST(VersionInfo, FixedPart)
{
    auto const info = parse_version_info(record());
    ASSERT_TRUE(info);
    ASSERT_TRUE(info->fixed);
    EXPECT_EQ(info->fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(info->fixed->dwFileVersionMS, 0x00020003u);
    EXPECT_EQ(info->fixed->dwFileVersionLS, 0x00040005u);
    EXPECT_EQ(info->fixed->dwProductVersionMS, 0x00060007u);
    EXPECT_EQ(info->fixed->dwProductVersionLS, 0x00080009u);
    EXPECT_EQ(info->fixed->dwFileFlags, DWORD { VS_FF_PRERELEASE });
    EXPECT_EQ(info->fixed->dwFileOS, DWORD { VOS_NT_WINDOWS32 });
    EXPECT_EQ(info->fixed->dwFileType, DWORD { VFT_DLL });
}

TEST(VersionInfo, StringTablesInOrderAndTranslations)
{
    auto const info = parse_version_info(record());
    ASSERT_TRUE(info);
    ASSERT_EQ(info->string_tables.size(), 2u);
    EXPECT_EQ(info->string_tables[0].key, u"040904B0");
    EXPECT_EQ(info->string_tables[0].find(u"CompanyName"), std::optional<std::u16string>(u"Fixture"));
    EXPECT_EQ(info->string_tables[0].find(u"Empty"), std::optional<std::u16string>(u""));
    EXPECT_EQ(info->string_tables[0].find(u"companyname"), std::nullopt);
    EXPECT_EQ(info->string_tables[1].key, u"040704B0");
    EXPECT_EQ(info->string_tables[1].find(u"CompanyName"), std::optional<std::u16string>(u"Vorlage"));
    EXPECT_EQ(info->translations, (std::vector<DWORD> { 0x04B00409, 0x04B00407 }));
}

std::size_t offset_of_key(std::vector<BYTE> const& bytes, std::u16string_view key)
{
    std::vector<BYTE> pattern;
    for (char16_t unit : key) {
        pattern.push_back(LOBYTE(unit));
        pattern.push_back(HIBYTE(unit));
    }
    auto const at = std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end());
    return static_cast<std::size_t>(at - bytes.begin());
}

// The root's key ends at 38, its fixed part fills 40 to 92, and its first
// child, the string information, starts at 92.
fixture::Damage const version_damages[] = {
    { "record longer than its data", [](auto& b) { fixture::put_word(b, 0, static_cast<WORD>(b.size() + 4)); } },
    { "record shorter than its header", [](auto& b) { fixture::put_word(b, 0, 4); } },
    { "record ending inside its key", [](auto& b) { fixture::put_word(b, 0, 20); } },
    { "wrong root key", [](auto& b) { b[6] = 'X'; } },
    { "fixed part one byte short", [](auto& b) { fixture::put_word(b, 2, 51); } },
    { "fixed part longer than the record", [](auto& b) { fixture::put_word(b, 2, 0xFFFF); } },
    { "fixed part without its signature", [](auto& b) { fixture::put_dword(b, 40, 0x12345678); } },
    { "child of length zero", [](auto& b) { fixture::put_word(b, 92, 0); } },
    { "child longer than its parent", [](auto& b) { fixture::put_word(b, 92, 0xFFF0); } },
    { "string value longer than its node",
      [](auto& b) { fixture::put_word(b, offset_of_key(b, u"CompanyName") - 4, 0x7FFF); } },
    { "string key without terminator",
      [](auto& b) {
          std::size_t const key = offset_of_key(b, u"CompanyName");
          std::fill(b.begin() + static_cast<std::ptrdiff_t>(key), b.end(), BYTE { 0x41 });
      } },
    { "translation of six bytes",
      [](auto& b) { fixture::put_word(b, offset_of_key(b, u"Translation") - 4, 6); } },
};

TEST(VersionInfo, DamagedLengthsAndKeysAreRefused)
{
    for (auto const& damage : version_damages) {
        SCOPED_TRACE(damage.what);
        fixture::expect_refused_after(record(), damage.apply, [](auto data) { return parse_version_info(data); });
    }
}

}
