// Icons as half-block cells: which image the dialog's rules choose, how it is
// scaled into its box, its colours matched to the terminal's 16 and its mask kept.
#include "frontends/DialogRules.h"
#include "frontends/terminal/IconCells.h"
#include "resource.h"
#include "resources/Icon.h"
#include "windows.h"

#include <gtest/gtest.h>

using namespace platform::frontends::terminal;

namespace {

constexpr DWORD clear = 0x00000000;
constexpr DWORD red = 0xFFFF0000;
constexpr DWORD blue = 0xFF0000FF;
constexpr int bright_red = 9, bright_blue = 12;

IconImage image(int width, int height, DWORD fill)
{
    IconImage result;
    result.width = width;
    result.height = height;
    result.bit_count = 4;
    result.pixels.assign(static_cast<std::size_t>(width * height), fill);
    return result;
}

}

TEST(IconCells, ColoursMatchTheNearestOfTheTerminalsSixteen)
{
    struct Case {
        std::uint32_t rgb;
        int colour;
    };
    Case const cases[] = {
        { 0x000000, 0 }, { 0x800000, 1 }, { 0x008000, 2 }, { 0x808000, 3 }, { 0x000080, 4 }, { 0x800080, 5 },
        { 0x008080, 6 }, { 0xC0C0C0, 7 }, { 0x808080, 8 }, { 0xFF0000, 9 }, { 0x00FF00, 10 }, { 0xFFFF00, 11 },
        { 0x0000FF, 12 }, { 0xFF00FF, 13 }, { 0x00FFFF, 14 }, { 0xFFFFFF, 15 }, { 0xF0F0F0, 15 }, { 0x101010, 0 },
    };
    for (auto const& c : cases)
        EXPECT_EQ(nearest_terminal_colour(c.rgb), c.colour) << std::hex << c.rgb;
}

TEST(IconCells, TheImageDrawnIsTheSmallestThatCoversTheBoxElseTheLargest)
{
    std::vector<IconImage> const images { image(32, 32, red), image(16, 16, red), image(0, 0, red) };
    std::vector<IconImage> const two { image(8, 8, red), image(4, 4, red) };
    std::vector<IconImage> broken { image(4, 4, red) };
    broken[0].pixels.pop_back();
    struct Case {
        char const* label;
        std::vector<IconImage> const* images;
        int width, height;
        int expected; // index into *images, -1 for none
    };
    Case const cases[] = {
        { "a box smaller than every image", &images, 8, 6, 1 },
        { "an image of exactly the size", &images, 16, 16, 1 },
        { "wider than the small one", &images, 17, 6, 0 },
        { "larger than all", &images, 40, 40, 0 },
        { "exact, the large one", &two, 8, 8, 0 },
        { "exact, the small one", &two, 4, 4, 1 },
        { "between the two", &two, 6, 6, 0 },
        { "below both", &two, 2, 2, 1 },
        { "above both", &two, 32, 32, 0 },
        { "an image whose pixels do not match its size is never drawn", &broken, 2, 2, -1 },
    };
    for (auto const& c : cases) {
        IconImage const* chosen = platform::frontends::icon_image_for_box(*c.images, c.width, c.height);
        IconImage const* expected = c.expected < 0 ? nullptr : &(*c.images)[static_cast<std::size_t>(c.expected)];
        EXPECT_EQ(chosen, expected) << c.label;
    }
    EXPECT_EQ(platform::frontends::icon_image_for_box({}, 8, 6), nullptr) << "no images";
    EXPECT_EQ(platform::frontends::icon_image_for_box(platform::resources::icon_images(nullptr), 16, 16), nullptr)
        << "no icon";
}

TEST(IconCells, EachCellHoldsTwoPixelsOneAboveTheOther)
{
    // Top half red, bottom half blue, the left column transparent.
    IconImage picture = image(4, 4, red);
    for (int y = 2; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            picture.pixels[static_cast<std::size_t>(y * 4 + x)] = blue;
    for (int y = 0; y < 4; ++y)
        picture.pixels[static_cast<std::size_t>(y * 4)] = clear;
    auto cells = render_icon(std::vector<IconImage> { picture }, 4, 2);
    ASSERT_EQ(cells.cols, 4);
    ASSERT_EQ(cells.rows, 2);
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(cells.at(0, row), (IconCell { no_pixel, no_pixel })) << row;
        int colour = row == 0 ? bright_red : bright_blue;
        for (int col = 1; col < 4; ++col)
            EXPECT_EQ(cells.at(col, row), (IconCell { colour, colour })) << col << "," << row;
    }
}

TEST(IconCells, ASquareIconStaysSquareAndCentredInAWideBox)
{
    auto cells = render_icon(std::vector<IconImage> { image(16, 16, red) }, 8, 2);
    // 8 x 4 pixels of box: the icon is drawn 4 x 4, in columns 2..5.
    for (int col = 0; col < 8; ++col) {
        bool drawn = col >= 2 && col < 6;
        for (int row = 0; row < 2; ++row)
            EXPECT_EQ(cells.at(col, row).top != no_pixel, drawn) << col << "," << row;
    }
}

TEST(IconCells, APixelIsTransparentWhenMostOfWhatItCoversIs)
{
    // Downscaled 2:1: a drawn pixel covers 2x2 source pixels.
    IconImage picture = image(4, 4, clear);
    picture.pixels[0] = red; // one of four: transparent
    picture.pixels[2] = red; // two of four: drawn
    picture.pixels[3] = red;
    auto cells = render_icon(std::vector<IconImage> { picture }, 2, 1);
    EXPECT_EQ(cells.at(0, 0), (IconCell { no_pixel, no_pixel }));
    EXPECT_EQ(cells.at(1, 0), (IconCell { bright_red, no_pixel }));
}

TEST(IconCells, TheProgramsIconFillsTheBoxOfTheBiasDialog)
{
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP));
    ASSERT_NE(icon, nullptr);
    auto images = platform::resources::icon_images(icon);
    ASSERT_FALSE(images.empty());
    // The icon's box in the bias dialog is 8 x 3 cells: the 16-pixel image
    // fits it best.
    EXPECT_EQ(platform::frontends::icon_image_for_box(images, 8, 6)->width, 16);
    auto cells = render_icon(images, 8, 3);
    int drawn = 0, colours = 0;
    std::vector<bool> seen(16);
    for (auto const& cell : cells.cells) {
        for (int pixel : { cell.top, cell.bottom }) {
            if (pixel == no_pixel)
                continue;
            ++drawn;
            ASSERT_GE(pixel, 0);
            ASSERT_LT(pixel, 16);
            colours += seen[static_cast<std::size_t>(pixel)] ? 0 : 1;
            seen[static_cast<std::size_t>(pixel)] = true;
        }
    }
    EXPECT_GE(drawn, 20) << "most of a 6 x 6 square";
    EXPECT_GE(colours, 2) << "the icon is drawn in its colours";
}

TEST(IconCells, NothingIsDrawnWithoutAnImageOrRoom)
{
    EXPECT_TRUE(render_icon({}, 8, 3).cells.size() == 24);
    for (auto const& cell : render_icon({}, 8, 3).cells)
        EXPECT_EQ(cell, IconCell {});
    EXPECT_TRUE(render_icon(std::vector<IconImage> { image(16, 16, red) }, 0, 3).cells.empty());
}
