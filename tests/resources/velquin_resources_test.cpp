// Velquin's compiled resource file, read back from the build tree and checked
// field by field: the bias dialog's template, the application icon and the
// version record. The same file is embedded in this test, so the last checks
// go through the resource API the program uses.
#include "frontends/DialogRules.h"
#include "resource.h"
#include "resources/DialogTemplate.h"
#include "resources/Icon.h"
#include "resources/IconImage.h"
#include "resources/ResourceFile.h"
#include "resources/VersionInfo.h"
#include "TemplateWriter.h"
#include "windows.h"
#include "winver.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <tuple>

namespace {

using namespace platform::resources;

constexpr WORD english_us = 0x0409;
constexpr WORD button_class = button_class_atom, edit_class = edit_class_atom, static_class = static_class_atom;
constexpr WORD no_id = 0xFFFF;

std::vector<BYTE> const& compiled_file()
{
    static std::vector<BYTE> const bytes = [] {
        std::ifstream file(CE_BINARY_DIR "/resources/velquin.res", std::ios::binary);
        return std::vector<BYTE>(std::istreambuf_iterator<char>(file), {});
    }();
    return bytes;
}

std::vector<ResourceEntry> const& entries()
{
    static std::vector<ResourceEntry> const parsed = parse_resource_file(compiled_file()).value_or(std::vector<ResourceEntry> {});
    return parsed;
}

ResourceEntry const* find(WORD type, WORD name)
{
    for (auto const& entry : entries()) {
        if (entry.type.ordinal == type && entry.name.ordinal == name)
            return &entry;
    }
    return nullptr;
}

TEST(VelquinResources, FileHoldsExactlyTheProgramsResourcesInEnglish)
{
    ASSERT_FALSE(compiled_file().empty()) << "missing " CE_BINARY_DIR "/resources/velquin.res";
    ASSERT_FALSE(entries().empty()) << "velquin.res does not parse";
    std::set<std::tuple<WORD, WORD, WORD>> found;
    for (auto const& entry : entries()) {
        ASSERT_TRUE(entry.type.ordinal && entry.name.ordinal);
        found.emplace(*entry.type.ordinal, *entry.name.ordinal, entry.language);
    }
    std::set<std::tuple<WORD, WORD, WORD>> const expected {
        { 3, 1, english_us }, { 3, 2, english_us }, { 14, IDI_APP, english_us },
        { 5, IDD_BIAS, english_us }, { 16, VS_VERSION_INFO, english_us },
    };
    EXPECT_EQ(found, expected);
}

// The dialog ---------------------------------------------------------------

struct ExpectedItem {
    WORD id;
    WORD window_class;
    char16_t const* text; // null: the icon's ordinal
    short x, y, cx, cy;
    DWORD style;
};

constexpr DWORD label = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
constexpr DWORD edit = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;

ExpectedItem const bias_items[] = {
    { IDOK, button_class, u"OK", 41, 92, 50, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON },
    { IDC_DAYLIGHT_BIAS, edit_class, u"", 83, 7, 40, 14, edit },
    { no_id, static_class, u"DayLight Difference", 14, 10, 64, 8, label },
    { no_id, static_class, u"www.corvane.example", 3, 81, 128, 8, label },
    { no_id, static_class, u"Visit:", 61, 74, 16, 8, label },
    { IDC_STANDARD_BIAS, edit_class, u"", 84, 40, 40, 14, edit },
    { no_id, static_class, u"Standard Difference:", 12, 42, 68, 8, label },
    { IDC_STANDARD_DEFAULT, static_class, u"Default: ", 53, 56, 62, 8, label },
    { IDC_DAYLIGHT_DEFAULT, static_class, u"Default:", 52, 24, 63, 8, label },
    { no_id, static_class, nullptr, 59, 121, 21, 20, WS_CHILD | WS_VISIBLE | SS_ICON },
};

TEST(VelquinResources, BiasDialogHeader)
{
    auto const entry = find(5, IDD_BIAS);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->language, english_us);
    auto const dialog = parse_dialog_template(entry->data);
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(dialog->extended);
    EXPECT_EQ(dialog->style, 0x90C800C0u);
    EXPECT_EQ(dialog->style, DWORD { WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT });
    EXPECT_EQ(dialog->ex_style, 0x80040000u);
    EXPECT_EQ(dialog->ex_style, DWORD { WS_EX_CAPTIONOKBTN | WS_EX_APPWINDOW });
    EXPECT_EQ(dialog->x, 0);
    EXPECT_EQ(dialog->y, 0);
    EXPECT_EQ(dialog->cx, 141);
    EXPECT_EQ(dialog->cy, 169);
    EXPECT_TRUE(dialog->menu.empty());
    EXPECT_TRUE(dialog->window_class.empty());
    EXPECT_EQ(dialog->caption, u"Velquin");
    EXPECT_EQ(dialog->point_size, 8);
    EXPECT_EQ(dialog->typeface, u"System");
    EXPECT_EQ(dialog->items.size(), std::size(bias_items));
}

TEST(VelquinResources, BiasDialogItemsInTemplateOrder)
{
    auto const entry = find(5, IDD_BIAS);
    ASSERT_NE(entry, nullptr);
    auto const dialog = parse_dialog_template(entry->data);
    ASSERT_TRUE(dialog);
    ASSERT_EQ(dialog->items.size(), std::size(bias_items));
    for (std::size_t i = 0; i < std::size(bias_items); ++i) {
        SCOPED_TRACE("item " + std::to_string(i + 1));
        auto const& item = dialog->items[i];
        auto const& expected = bias_items[i];
        EXPECT_EQ(item.id, expected.id);
        EXPECT_EQ(item.window_class.ordinal, std::optional<WORD>(expected.window_class));
        if (expected.text) {
            EXPECT_FALSE(item.title.ordinal);
            EXPECT_EQ(item.title.text, expected.text);
        } else {
            EXPECT_EQ(item.title.ordinal, std::optional<WORD>(IDI_APP));
        }
        EXPECT_EQ(item.x, expected.x);
        EXPECT_EQ(item.y, expected.y);
        EXPECT_EQ(item.cx, expected.cx);
        EXPECT_EQ(item.cy, expected.cy);
        EXPECT_EQ(item.style, expected.style) << std::hex << item.style << " != " << expected.style;
        EXPECT_EQ(item.ex_style, 0u);
        EXPECT_TRUE(item.creation_data.empty());
    }
}

// The template as the dialog manager of the device reads it, written out here
// byte by byte from the layout: the compiled one must be the same bytes, with
// nothing extra a lenient parser would pass over.
TEST(VelquinResources, BiasDialogBytesAreExactlyTheClassicTemplate)
{
    auto const entry = find(5, IDD_BIAS);
    ASSERT_NE(entry, nullptr);
    test_support::TemplateWriter w;
    w.dword(0x90C800C0);
    w.dword(0x80040000);
    w.word(10);
    for (WORD v : { 0, 0, 141, 169 })
        w.word(v);
    w.word(0);         // no menu
    w.word(0);         // the dialog class
    w.text(u"Velquin");
    w.word(8);
    w.text(u"System");
    for (auto const& item : bias_items) {
        w.align();
        w.dword(item.style);
        w.dword(0);
        for (short v : { item.x, item.y, item.cx, item.cy })
            w.word(static_cast<WORD>(v));
        w.word(item.id);
        w.word(0xFFFF);
        w.word(item.window_class);
        if (item.text) {
            w.text(item.text);
        } else {
            w.word(0xFFFF);
            w.word(IDI_APP);
        }
        w.word(0); // no creation data
    }
    std::vector<BYTE> const actual(entry->data.begin(), entry->data.end());
    EXPECT_EQ(actual, w.bytes());
}

// The icon -----------------------------------------------------------------

DWORD const standard_palette[16] = {
    0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080, 0xFF008080, 0xFFC0C0C0,
    0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00, 0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF,
};

TEST(VelquinResources, IconGroupListsA32And16PixelImageOf16Colours)
{
    auto const group_entry = find(14, IDI_APP);
    ASSERT_NE(group_entry, nullptr);
    auto const group = parse_group_icon(group_entry->data);
    ASSERT_TRUE(group);
    ASSERT_EQ(group->entries.size(), 2u);
    int const sizes[] = { 32, 16 };
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE("image " + std::to_string(sizes[i]));
        auto const& entry = group->entries[i];
        EXPECT_EQ(entry.width, sizes[i]);
        EXPECT_EQ(entry.height, sizes[i]);
        EXPECT_EQ(entry.color_count, 16);
        EXPECT_EQ(entry.planes, 1);
        EXPECT_EQ(entry.bit_count, 4);
        auto const image_entry = find(3, entry.id);
        ASSERT_NE(image_entry, nullptr);
        EXPECT_EQ(image_entry->language, english_us);
        // Header, palette, colour rows of four bits, mask rows of one, each row a
        // whole number of DWORDs.
        std::size_t const side = static_cast<std::size_t>(sizes[i]);
        std::size_t const expected_size = 40 + 16 * 4 + side * ((side * 4 + 31) / 32 * 4) + side * ((side + 31) / 32 * 4);
        EXPECT_EQ(entry.bytes_in_res, expected_size);
        EXPECT_EQ(image_entry->data.size(), expected_size);
    }
}

TEST(VelquinResources, IconImagesAreRoundWithTheStandardPalette)
{
    auto const group = parse_group_icon(find(14, IDI_APP)->data);
    ASSERT_TRUE(group);
    for (auto const& entry : group->entries) {
        SCOPED_TRACE("image " + std::to_string(entry.width));
        auto const image = parse_icon_image(find(3, entry.id)->data);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->width, entry.width);
        EXPECT_EQ(image->height, entry.height);
        EXPECT_EQ(image->bit_count, 4);
        ASSERT_EQ(image->palette.size(), 16u);
        for (std::size_t i = 0; i < 16; ++i)
            EXPECT_EQ(image->palette[i], standard_palette[i]) << "palette entry " << i;

        // A round face: the corners are see-through, the middle and the middle
        // of each edge are drawn.
        int const last = image->width - 1;
        for (auto [x, y] : { std::pair { 0, 0 }, { last, 0 }, { 0, last }, { last, last } })
            EXPECT_EQ(image->pixel(x, y) >> 24, 0u) << "corner " << x << "," << y;
        int const middle = image->width / 2 - 1;
        for (auto [x, y] : { std::pair { middle, middle }, { middle, 0 }, { 0, middle }, { middle, last - 1 } })
            EXPECT_EQ(image->pixel(x, y) >> 24, 0xFFu) << "pixel " << x << "," << y;

        // Transparent pixels draw nothing where the mask is applied: colour 0.
        std::set<BYTE> used;
        for (std::size_t i = 0; i < image->pixels.size(); ++i) {
            if (image->pixels[i] >> 24 == 0)
                EXPECT_EQ(image->palette_indices[i], 0) << "pixel " << i;
            else
                used.insert(image->palette_indices[i]);
        }
        EXPECT_GE(used.size(), 3u) << "a drawing, not a blot";
    }
}

// The version record -------------------------------------------------------

TEST(VelquinResources, VersionRecordFixedPart)
{
    auto const entry = find(16, VS_VERSION_INFO);
    ASSERT_NE(entry, nullptr);
    auto const info = parse_version_info(entry->data);
    ASSERT_TRUE(info);
    ASSERT_TRUE(info->fixed);
    auto const& fixed = *info->fixed;
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwStrucVersion, 0x00010000u);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00000002u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0x00000002u);
    EXPECT_EQ(fixed.dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed.dwFileFlags, 0u);
    EXPECT_EQ(fixed.dwFileOS, DWORD { VOS__WINDOWS32 });
    EXPECT_EQ(fixed.dwFileType, DWORD { VFT_APP });
    EXPECT_EQ(fixed.dwFileSubtype, 0u);
    EXPECT_EQ(fixed.dwFileDateMS, 0u);
    EXPECT_EQ(fixed.dwFileDateLS, 0u);
}

TEST(VelquinResources, VersionRecordStringsAndTranslation)
{
    auto const info = parse_version_info(find(16, VS_VERSION_INFO)->data);
    ASSERT_TRUE(info);
    ASSERT_EQ(info->string_tables.size(), 1u);
    auto const& table = info->string_tables[0];
    EXPECT_EQ(table.key, u"040904B0");

    std::pair<char16_t const*, char16_t const*> const expected[] = {
        { u"Comments", u"www.corvane.example" },
        { u"CompanyName", u"Corvane" },
        { u"FileDescription", u"Velquin Application" },
        { u"FileVersion", u"1, 0, 0, 2" },
        { u"InternalName", u"Velquin" },
        { u"OriginalFilename", u"Velquin.EXE" },
        { u"PrivateBuild", u"" },
        { u"ProductName", u"Velquin Application" },
        { u"ProductVersion", u"1, 0, 0, 2" },
        { u"SpecialBuild", u"" },
    };
    for (auto const& [key, value] : expected) {
        SCOPED_TRACE(std::string(key, key + std::char_traits<char16_t>::length(key)));
        auto const found = table.find(key);
        ASSERT_TRUE(found);
        EXPECT_EQ(*found, value);
    }
    for (char16_t const* key : { u"LegalCopyright", u"LegalTrademarks" }) {
        auto const found = table.find(key);
        ASSERT_TRUE(found);
        EXPECT_NE(found->find(u"Corvane"), std::u16string::npos);
    }
    EXPECT_EQ(table.strings.size(), std::size(expected) + 2);

    EXPECT_EQ(info->translations, std::vector<DWORD> { 0x04B00409 });
}

// Through the resource API -------------------------------------------------

TEST(VelquinResources, EmbeddedCopyIsTheCompiledFile)
{
    HMODULE const module = GetModuleHandleW(nullptr);
    HRSRC const dialog = FindResourceW(module, MAKEINTRESOURCEW(IDD_BIAS), RT_DIALOG);
    ASSERT_NE(dialog, nullptr);
    auto const bytes = static_cast<BYTE const*>(LockResource(LoadResource(module, dialog)));
    ASSERT_NE(bytes, nullptr);
    std::vector<BYTE> const embedded(bytes, bytes + SizeofResource(module, dialog));
    std::vector<BYTE> const on_disk(find(5, IDD_BIAS)->data.begin(), find(5, IDD_BIAS)->data.end());
    EXPECT_EQ(embedded, on_disk);
}

TEST(VelquinResources, AppIconLoadsWithBothImages)
{
    HICON const icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP));
    ASSERT_NE(icon, nullptr);
    auto const images = icon_images(icon);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].width, 32);
    EXPECT_EQ(images[1].width, 16);
    EXPECT_EQ(platform::frontends::icon_image_for_box(images, 16, 16), &images[1]);
    EXPECT_EQ(platform::frontends::icon_image_for_box(images, 32, 32), &images[0]);
}

}
