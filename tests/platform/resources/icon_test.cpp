// Icons: group directories and bitmaps decoded at every supported depth,
// LoadIconW with its shared handles, and damaged icons refused.
#include "fixture.h"
#include "fixture_access.h"
#include "resources/Icon.h"
#include "resources/IconImage.h"

using platform::resources::icon_images;
using platform::resources::IconImage;
using platform::resources::parse_group_icon;
using platform::resources::parse_icon_image;

namespace {

constexpr DWORD black = 0xFF000000, white = 0xFFFFFFFF;

HICON fixture_icon()
{
    return LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_FIXTURE));
}

TEST(Icon, LoadIconDecodesEveryImageOfTheGroup)
{
    HICON const icon = fixture_icon();
    ASSERT_NE(icon, nullptr);
    auto const images = icon_images(icon);
    ASSERT_EQ(images.size(), 2u);

    // 8x8 black and white: a white X on black, the top-left pixel transparent.
    auto const& cross = images[0];
    EXPECT_EQ(cross.width, 8);
    EXPECT_EQ(cross.height, 8);
    EXPECT_EQ(cross.bit_count, 1);
    EXPECT_EQ(cross.palette, (std::vector<DWORD> { black, white }));
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            bool const on_cross = x == y || x == 7 - y;
            DWORD expected = on_cross ? white : black;
            if (x == 0 && y == 0)
                expected &= 0x00FFFFFF;
            EXPECT_EQ(cross.pixel(x, y), expected) << x << "," << y;
            EXPECT_EQ(cross.palette_indices[static_cast<std::size_t>(y * 8 + x)], on_cross ? 1 : 0);
        }
    }

    // 4x4 true colour: red, green, blue, grey on each row, the bottom row clear.
    auto const& colours = images[1];
    EXPECT_EQ(colours.width, 4);
    EXPECT_EQ(colours.bit_count, 24);
    EXPECT_TRUE(colours.palette.empty());
    EXPECT_TRUE(colours.palette_indices.empty());
    DWORD const row[] = { 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF808080 };
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(colours.pixel(x, y), y == 3 ? row[x] & 0x00FFFFFF : row[x]) << x << "," << y;
    }
}

TEST(Icon, IconIsSharedAndOutlivesDestroyIcon)
{
    HICON const icon = fixture_icon();
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(fixture_icon(), icon);
    EXPECT_EQ(LoadIconW(GetModuleHandleW(nullptr), u"#50"), icon);
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_EQ(icon_images(icon).size(), 2u);
    EXPECT_EQ(fixture_icon(), icon);
}

TEST(Icon, LoadIconFailures)
{
    HMODULE const module = GetModuleHandleW(nullptr);
    struct Case {
        char const* what;
        HINSTANCE instance;
        LPCWSTR name;
        DWORD error;
    } const cases[] = {
        { "no such group", module, MAKEINTRESOURCEW(999), ERROR_RESOURCE_NAME_NOT_FOUND },
        { "an image the group names is missing", module, MAKEINTRESOURCEW(IDI_MISSING_IMAGE),
          ERROR_RESOURCE_NAME_NOT_FOUND },
        { "an image is not a bitmap", module, MAKEINTRESOURCEW(IDI_BROKEN_IMAGE), ERROR_INVALID_DATA },
        { "the system's own icons", nullptr, MAKEINTRESOURCEW(32512), ERROR_NOT_SUPPORTED },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_EQ(LoadIconW(c.instance, c.name), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST(Icon, ForeignHandlesAreNotIcons)
{
    int bogus = 0;
    HICON const not_an_icon = reinterpret_cast<HICON>(&bogus);
    EXPECT_TRUE(icon_images(not_an_icon).empty());
    EXPECT_TRUE(icon_images(nullptr).empty());
    SetLastError(0);
    EXPECT_FALSE(DestroyIcon(not_an_icon));
    EXPECT_EQ(GetLastError(), DWORD { ERROR_INVALID_HANDLE });
}

// Hand-made 2x2 bitmaps, one per depth: top-left, top-right, bottom-left,
// bottom-right; the mask clears the bottom-right pixel.
std::vector<BYTE> bitmap(int bits, std::vector<DWORD> const& palette, std::vector<BYTE> const& bottom_row,
                         std::vector<BYTE> const& top_row, DWORD colors_used = 0)
{
    fixture::Writer w;
    w.dword(40).dword(2).dword(4).word(1).word(static_cast<WORD>(bits)).dword(0).dword(0).dword(0).dword(0);
    w.dword(colors_used).dword(0);
    for (DWORD colour : palette)
        w.dword(colour & 0x00FFFFFF);
    for (auto const* row : { &bottom_row, &top_row }) {
        for (BYTE b : *row)
            w.byte(b);
        w.align();
    }
    w.dword(0x00000040).dword(0x00000000); // mask, bottom row first: its right pixel is clear
    return w.bytes();
}

TEST(Icon, BitmapsOfEveryDepth)
{
    DWORD const red = 0xFFFF0000, green = 0xFF00FF00, blue = 0xFF0000FF;
    std::vector<DWORD> const palette16 { black, red, green, blue, white, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 };
    std::vector<DWORD> palette256(256, 0xFF123456);
    palette256[0] = black;
    palette256[200] = red;
    palette256[255] = white;
    struct Case {
        int bits;
        std::vector<BYTE> data;
        DWORD top_left, top_right, bottom_left, bottom_right;
    } const cases[] = {
        { 1, bitmap(1, { black, white }, { 0x40 }, { 0x80 }), white, black, black, white },
        { 4, bitmap(4, palette16, { 0x34 }, { 0x12 }), red, green, blue, white },
        { 4, bitmap(4, { black, red, green, blue, white }, { 0x34 }, { 0x12 }, 5), red, green, blue, white },
        { 8, bitmap(8, palette256, { 255, 0 }, { 200, 1 }), red, 0xFF123456, white, black },
        // Five bits each: 0x7C00 red, 0x03E0 green, 0x001F blue, 0x7FFF white.
        { 16, bitmap(16, {}, { 0x1F, 0x00, 0xFF, 0x7F }, { 0x00, 0x7C, 0xE0, 0x03 }), red, green, blue, white },
        { 24, bitmap(24, {}, { 255, 0, 0, 255, 255, 255 }, { 0, 0, 255, 0, 255, 0 }), red, green, blue, white },
        { 32, bitmap(32, {}, { 255, 0, 0, 0, 255, 255, 255, 0 }, { 0, 0, 255, 0, 0, 255, 0, 0 }), red, green, blue,
          white },
        // With an alpha channel of its own.
        { 32, bitmap(32, {}, { 255, 0, 0, 0x40, 255, 255, 255, 0xFF }, { 0, 0, 255, 0x80, 0, 255, 0, 0xFF }),
          0x80FF0000, green, 0x400000FF, white },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits per pixel");
        auto const image = parse_icon_image(c.data);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->bit_count, c.bits);
        ASSERT_EQ(image->pixels.size(), 4u);
        EXPECT_EQ(image->pixel(0, 0), c.top_left);
        EXPECT_EQ(image->pixel(1, 0), c.top_right);
        EXPECT_EQ(image->pixel(0, 1), c.bottom_left);
        EXPECT_EQ(image->pixel(1, 1), c.bottom_right & 0x00FFFFFF) << "the mask makes it transparent";
    }
}

TEST(Icon, DamagedBitmapsAreRefused)
{
    std::vector<BYTE> const valid = bitmap(4, { black, white }, { 0x01 }, { 0x10 }, 2);
    ASSERT_TRUE(parse_icon_image(valid));
    fixture::Damage const damages[] = {
        { "header size under 40", [](auto& b) { fixture::put_dword(b, 0, 12); } },
        { "header size beyond the data", [](auto& b) { fixture::put_dword(b, 0, 0xFFFFFF00); } },
        { "width 0", [](auto& b) { fixture::put_dword(b, 4, 0); } },
        { "negative width", [](auto& b) { fixture::put_dword(b, 4, 0xFFFFFFFE); } },
        { "wider than an icon can be", [](auto& b) { fixture::put_dword(b, 4, 0x40000000); } },
        { "odd height", [](auto& b) { fixture::put_dword(b, 8, 3); } },
        { "negative height", [](auto& b) { fixture::put_dword(b, 8, 0xFFFFFFFC); } },
        { "taller than the data", [](auto& b) { fixture::put_dword(b, 8, 400); } },
        { "two planes", [](auto& b) { fixture::put_word(b, 12, 2); } },
        { "3 bits per pixel", [](auto& b) { fixture::put_word(b, 14, 3); } },
        { "compressed", [](auto& b) { fixture::put_dword(b, 16, 2); } },
        { "more colours than the depth has", [](auto& b) { fixture::put_dword(b, 32, 17); } },
        { "palette beyond the data", [](auto& b) { fixture::put_dword(b, 32, 0); } },
        { "pixel beyond the palette", [](auto& b) { b[48] = 0x05; } },
        { "a PNG image", [](auto& b) { b = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13 }; } },
    };
    for (auto const& damage : damages) {
        SCOPED_TRACE(damage.what);
        fixture::expect_refused_after(valid, damage.apply, [](auto data) { return parse_icon_image(data); });
    }
}

TEST(Icon, GroupDirectory)
{
    auto const group = parse_group_icon(fixture::resource(RT_GROUP_ICON, IDI_FIXTURE));
    ASSERT_TRUE(group);
    ASSERT_EQ(group->entries.size(), 2u);
    EXPECT_EQ(group->entries[0].width, 8);
    EXPECT_EQ(group->entries[0].bit_count, 1);
    EXPECT_EQ(group->entries[1].width, 4);
    EXPECT_EQ(group->entries[1].bit_count, 24);
    EXPECT_NE(group->entries[0].id, group->entries[1].id);

    auto bytes = fixture::copy(fixture::resource(RT_GROUP_ICON, IDI_FIXTURE));
    fixture::put_word(bytes, 2, 2); // a cursor directory
    EXPECT_FALSE(parse_group_icon(bytes));
    bytes = fixture::copy(fixture::resource(RT_GROUP_ICON, IDI_FIXTURE));
    fixture::put_word(bytes, 4, 3); // one entry more than there is
    EXPECT_FALSE(parse_group_icon(bytes));
}

}
