// parse_resource_file on the test's own embedded resource file: entries with
// ordinal and string names, odd data sizes and their padding, and damaged copies.
#include "fixture.h"
#include "fixture_access.h"
#include "resources/EmbeddedResources.h"
#include "resources/ResourceFile.h"

using platform::resources::embedded_module_resources;
using platform::resources::parse_resource_file;
using platform::resources::ResourceEntry;

namespace {

std::vector<BYTE> file_bytes()
{
    auto const embedded = embedded_module_resources();
    return { embedded.begin(), embedded.end() };
}

TEST(ResourceFile, EmbeddedFileParsesWithoutItsLeadingEmptyEntry)
{
    auto const bytes = file_bytes();
    ASSERT_GE(bytes.size(), 32u);
    auto const entries = parse_resource_file(bytes);
    ASSERT_TRUE(entries);
    ASSERT_FALSE(entries->empty());
    for (auto const& entry : *entries)
        EXPECT_FALSE(entry.type.ordinal == WORD { 0 } && entry.name.ordinal == WORD { 0 });
    // The first resource is the icon's first image.
    EXPECT_EQ((*entries)[0].type.ordinal, std::optional<WORD>(3));
    EXPECT_EQ((*entries)[0].memory_flags, 0x1010);
}

TEST(ResourceFile, StringNamesTypesLanguagesAndSizes)
{
    auto const bytes = file_bytes();
    auto const entries = parse_resource_file(bytes);
    ASSERT_TRUE(entries);
    auto find = [&](auto match) -> ResourceEntry const* {
        for (auto const& entry : *entries) {
            if (match(entry))
                return &entry;
        }
        return nullptr;
    };
    auto const greeting = find([](auto const& e) { return e.name.text == u"GREETING"; });
    ASSERT_NE(greeting, nullptr);
    EXPECT_EQ(greeting->type.ordinal, std::optional<WORD>(10));
    EXPECT_EQ(std::string(greeting->data.begin(), greeting->data.end()), "hello");

    auto const typed = find([](auto const& e) { return e.type.text == u"FIXTURETYPE"; });
    ASSERT_NE(typed, nullptr);
    EXPECT_EQ(typed->name.ordinal, std::optional<WORD>(1));
    EXPECT_EQ(std::string(typed->data.begin(), typed->data.end()), "typed");

    auto const german = find([](auto const& e) { return e.name.ordinal == WORD { IDR_CHAIN } && e.language == 0x0007; });
    ASSERT_NE(german, nullptr);
    EXPECT_EQ(std::string(german->data.begin(), german->data.end()), "de");

    auto const empty = find([](auto const& e) { return e.name.ordinal == WORD { IDR_EMPTY }; });
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->data.empty());
}

TEST(ResourceFile, NotA32BitResourceFile)
{
    std::vector<BYTE> const nothing;
    EXPECT_FALSE(parse_resource_file(nothing));
    // A 16-bit resource file starts with its first resource's type.
    std::vector<BYTE> const old_form { 0xFF, 0x05, 0x00, 0xFF, 0x66, 0x00, 0x30, 0x10, 4, 0, 0, 0, 1, 2, 3, 4 };
    EXPECT_FALSE(parse_resource_file(old_form));
    // The marker entry must be the empty one.
    auto bytes = file_bytes();
    fixture::put_dword(bytes, 0, 4);
    EXPECT_FALSE(parse_resource_file(bytes));
}

// A cut-short file still parses when the cut falls between two entries (the
// padding after the last one may be missing) and is refused anywhere else.
TEST(ResourceFile, TruncationIsRefusedExceptBetweenEntries)
{
    auto const bytes = file_bytes();
    auto const entries = parse_resource_file(bytes);
    ASSERT_TRUE(entries);
    std::vector<std::pair<std::size_t, std::size_t>> ends; // [end of data, end of padding]
    for (auto const& entry : *entries) {
        std::size_t const end = static_cast<std::size_t>(entry.data.data() + entry.data.size() - bytes.data());
        ends.emplace_back(end, (end + 3) & ~std::size_t { 3 });
    }
    test_support::GuardedBuffer guarded(bytes.size());
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        auto const parsed = parse_resource_file(guarded.at_end(std::span<BYTE const>(bytes).first(length)));
        std::size_t complete = 0;
        bool between = length == 32;
        for (auto [end, padded] : ends) {
            if (length >= end)
                ++complete;
            between = between || (length >= end && length <= padded);
        }
        if (between) {
            ASSERT_TRUE(parsed) << "refused at an entry boundary, " << length;
            EXPECT_EQ(parsed->size(), complete) << length;
        } else {
            EXPECT_FALSE(parsed) << "accepted when cut to " << length;
        }
    }
}

// The first real entry starts at 32: its DataSize, then HeaderSize, then the type.
fixture::Damage const file_damages[] = {
    { "data size beyond the file", [](auto& b) { fixture::put_dword(b, 32, 0xFFFFFFF0); } },
    { "data size one past the file", [](auto& b) { fixture::put_dword(b, 32, static_cast<DWORD>(b.size())); } },
    { "header size beyond the file", [](auto& b) { fixture::put_dword(b, 36, 0xFFFFFFFF); } },
    { "header size too small for its fields", [](auto& b) { fixture::put_dword(b, 36, 8); } },
    { "type name without terminator in the header",
      [](auto& b) { for (std::size_t i = 40; i < 64; ++i) b[i] = 0x41; } },
};

TEST(ResourceFile, DamagedSizesAndNamesAreRefused)
{
    for (auto const& damage : file_damages) {
        SCOPED_TRACE(damage.what);
        fixture::expect_refused_after(file_bytes(), damage.apply, [](auto data) { return parse_resource_file(data); });
    }
}

}
