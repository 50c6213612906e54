// The terminal front end's metrics, as the dialog manager uses them: its base
// units give exactly the terminal's scale, edits keep their brackets out of
// the text, and a text is as wide as it is drawn.
#include "frontends/terminal/Layout.h"
#include "frontends/terminal/TerminalFrontEnd.h"
#include "windows.h"

#include <gtest/gtest.h>

using namespace platform::frontends;
using namespace platform::frontends::terminal;

namespace {

// MapDialogRect's rounding: to the nearest unit, a half away from zero.
int mapped(int units, int base, int per_base)
{
    long long num = static_cast<long long>(units) * base, den = per_base;
    return static_cast<int>(num >= 0 ? (2 * num + den) / (2 * den) : -((-2 * num + den) / (2 * den)));
}

}

TEST(TerminalFrontEnd, BaseUnitsMapDialogUnitsToTheTerminalScale)
{
    TerminalFrontEnd front_end;
    BaseUnits base = front_end.base_units();
    ASSERT_GT(base.divisor, 0);
    for (int units = -20; units <= 400; ++units) {
        ASSERT_EQ(mapped(units, base.x, 4 * base.divisor), cols_of(units, terminal_scale)) << units;
        ASSERT_EQ(mapped(units, base.y, 8 * base.divisor), rows_of(units, terminal_scale)) << units;
    }
}

TEST(TerminalFrontEnd, AFieldsTextStaysInsideItsBrackets)
{
    TerminalFrontEnd front_end;
    RECT field { 31, 1, 46, 3 };
    RECT text = front_end.edit_text_rect(field, WS_BORDER | ES_AUTOHSCROLL);
    EXPECT_EQ(text.left, 1);
    EXPECT_EQ(text.right, 14);
    EXPECT_EQ(text.top, 0);
    EXPECT_EQ(text.bottom, 2);
    RECT tiny = front_end.edit_text_rect({ 0, 0, 2, 1 }, 0);
    EXPECT_EQ(tiny.right - tiny.left, 2) << "too narrow for brackets: all of it";
}

TEST(TerminalFrontEnd, ATextIsAsWideAsTheCellsItIsDrawnIn)
{
    TerminalFrontEnd front_end;
    EXPECT_EQ(front_end.text_extent(u""), 0);
    EXPECT_EQ(front_end.text_extent(u"-2147483648"), 11);
    EXPECT_EQ(front_end.text_extent(u"a\x1b[2J"), 5) << "a control is one replacement cell";
}
