// The terminal's scale and layout, checked against the program's own compiled
// dialog template: every text fully visible, a 20-character recorded default
// fitting its label, the whole dialog on an 80x24 terminal, and no two
// controls drawn over each other.
#include "class_atoms.h"
#include "frontends/terminal/DisplayText.h"
#include "frontends/terminal/Layout.h"
#include "resource.h"
#include "resources/DialogTemplate.h"
#include "text/Utf.h"
#include "windows.h"

#include <gtest/gtest.h>

using namespace platform::frontends::terminal;
using platform::resources::DialogTemplate;

namespace {

constexpr DWORD ss_icon = 0x3;
constexpr char16_t longest_default[] = u"Default: -2147483648";

std::optional<DialogTemplate> bias_template()
{
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDD_BIAS), RT_DIALOG);
    if (!found)
        return std::nullopt;
    auto* bytes = static_cast<BYTE const*>(LockResource(LoadResource(nullptr, found)));
    return platform::resources::parse_dialog_template({ bytes, SizeofResource(nullptr, found) });
}

bool is_icon(platform::resources::DialogItemTemplate const& item)
{
    return item.window_class.ordinal == static_class && (item.style & 0x1F) == ss_icon;
}

int columns(std::u16string_view text)
{
    return display_width(display_glyphs(text, Charset::unicode));
}

// Every text of the template in its box, and the two recorded-default labels
// holding the longest text a bias can give.
std::vector<TextBox> texts_of(DialogTemplate const& dialog)
{
    std::vector<TextBox> texts;
    for (auto const& item : dialog.items) {
        if (is_icon(item) || item.window_class.ordinal == edit_class)
            continue;
        texts.push_back({ item.cx, columns(item.title.text) });
        if (item.id == IDC_DAYLIGHT_DEFAULT || item.id == IDC_STANDARD_DEFAULT)
            texts.push_back({ item.cx, columns(longest_default) });
    }
    return texts;
}

}

TEST(Layout, TheTerminalScaleIsTheSmallestThatShowsEveryTextOfTheBiasDialog)
{
    auto dialog = bias_template();
    ASSERT_TRUE(dialog) << "IDD_BIAS missing from the embedded resources";
    auto chosen = choose_scale(texts_of(*dialog));
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, terminal_scale);

    // Measured the way the dialog manager rounds each edge.
    for (auto const& item : dialog->items) {
        if (is_icon(item) || item.window_class.ordinal == edit_class)
            continue;
        int cols = cols_of(item.x + item.cx, terminal_scale) - cols_of(item.x, terminal_scale);
        EXPECT_GE(cols, columns(item.title.text)) << platform::text::to_utf8(item.title.text);
        if (item.id == IDC_DAYLIGHT_DEFAULT || item.id == IDC_STANDARD_DEFAULT) {
            EXPECT_GE(cols, columns(longest_default)) << item.id;
        }
    }
}

TEST(Layout, TheBiasDialogFitsAnEightyByTwentyFourTerminal)
{
    auto dialog = bias_template();
    ASSERT_TRUE(dialog);
    int cols = cols_of(dialog->cx, terminal_scale) + 2;
    int rows = rows_of(dialog->cy, terminal_scale) + 2;
    EXPECT_LE(cols, 80);
    EXPECT_LE(rows, 24);
    EXPECT_TRUE(fits_on_screen({ (80 - cols) / 2, (24 - rows) / 2, cols, rows }, 80, 24));
}

TEST(Layout, NoTwoControlsOfTheBiasDialogShareACell)
{
    auto dialog = bias_template();
    ASSERT_TRUE(dialog);
    std::vector<CellRect> drawn;
    for (auto const& item : dialog->items) {
        CellRect cells { cols_of(item.x, terminal_scale), 0,
                         cols_of(item.x + item.cx, terminal_scale) - cols_of(item.x, terminal_scale), 1 };
        if (is_icon(item)) {
            cells.row = rows_of(item.y, terminal_scale);
            cells.rows = rows_of(item.y + item.cy, terminal_scale) - cells.row;
        } else {
            cells.row = one_line_row(item.y, item.cy, terminal_scale);
        }
        EXPECT_LT(cells.row + cells.rows, rows_of(dialog->cy, terminal_scale) + 1) << item.id;
        for (auto const& other : drawn) {
            bool apart = cells.col >= other.col + other.cols || other.col >= cells.col + cells.cols
                || cells.row >= other.row + other.rows || other.row >= cells.row + cells.rows;
            EXPECT_TRUE(apart) << "item " << item.id << " at " << item.x << "," << item.y;
        }
        drawn.push_back(cells);
    }
}

TEST(Layout, DialogUnitsRoundToTheNearestCell)
{
    struct Case {
        int units, cols, rows;
    };
    Case const cases[] = {
        { 0, 0, 0 }, { 1, 0, 0 }, { 4, 2, 1 }, { 8, 3, 1 }, { 12, 5, 2 }, { 83, 31, 10 },
        { 141, 53, 18 }, { 169, 63, 21 }, { -4, -2, -1 },
    };
    for (auto const& c : cases) {
        EXPECT_EQ(cols_of(c.units, terminal_scale), c.cols) << c.units;
        EXPECT_EQ(rows_of(c.units, terminal_scale), c.rows) << c.units;
    }
}

TEST(Layout, AOneLineControlSitsOnTheRowOfItsMiddle)
{
    struct Case {
        int y, cy, row;
    };
    Case const cases[] = {
        { 7, 14, 1 },  // an edit field 7..21: middle 14
        { 10, 8, 1 },  // the label beside it, 10..18: middle 14, same row
        { 0, 8, 0 },   // 0..8: middle 4
        { 4, 8, 1 },   // 4..12: middle 8 is the next row's first unit
        { 3, 9, 0 },   // 3..12: middle 7.5
        { 74, 8, 9 },  // "Visit:" and the address below it
        { 81, 8, 10 },
    };
    for (auto const& c : cases)
        EXPECT_EQ(one_line_row(c.y, c.cy, terminal_scale), c.row) << c.y << "+" << c.cy;
}

TEST(Layout, NoScaleFitsWhenATextIsWiderThanItsBoxAtOneCellPerUnit)
{
    EXPECT_FALSE(choose_scale({ { 5, 6 } }));
    EXPECT_EQ(choose_scale({}), (Scale { 2, 8, 1, 8 }));
    EXPECT_EQ(choose_scale({ { 16, 6 } }), (Scale { 3, 8, 1, 8 }));
    EXPECT_EQ(choose_scale({ { 16, 7 } }), (Scale { 4, 8, 1, 8 }));
}

TEST(Layout, CentringAndTheTooSmallNotice)
{
    EXPECT_EQ(centred_column(2, 16), 7);
    EXPECT_EQ(centred_column(3, 16), 6);
    EXPECT_EQ(centred_column(20, 16), 0);
    EXPECT_FALSE(fits_on_screen({ 0, 0, 55, 23 }, 30, 10));
    EXPECT_FALSE(fits_on_screen({ -1, 0, 10, 10 }, 30, 10));
    EXPECT_TRUE(fits_on_screen({ 20, 0, 10, 10 }, 30, 10));

    auto lines = too_small_message(55, 23, 30, 10);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Terminal too small");
    EXPECT_EQ(lines[1], "need 55x23, have 30x10");
    EXPECT_EQ(lines[2], "Escape cancels");
    for (auto const& line : lines)
        EXPECT_LE(line.size(), 30u) << "the notice must fit the terminal it is shown on";
}
