// An edit's text on its own: the limit's one rule, and positions that never
// fall inside a surrogate pair, whatever a caller asks for.
#include "dialog/EditText.h"

#include <gtest/gtest.h>

using platform::dialog::EditText;

namespace {

// U+1F600 as its surrogate pair.
constexpr char16_t const* smiley = u"\U0001F600";

}

TEST(EditText, WhatTheLimitLetsIn)
{
    struct Case {
        char const* label;
        std::u16string text;
        std::size_t anchor, caret;
        std::u16string insert;
        std::size_t limit;
        std::u16string kept;
    };
    Case const cases[] = {
        { "room for all", u"ab", 2, 2, u"cd", 5, u"cd" },
        { "cut to the room left", u"ab", 2, 2, u"cdef", 5, u"cde" },
        { "the selection makes room", u"abcd", 1, 3, u"xyz", 5, u"xyz" },
        { "no room at all", u"abcde", 5, 5, u"x", 5, u"" },
        { "text already past the limit", u"abcdefg", 7, 7, u"x", 5, u"" },
        { "a pair is not cut in half", u"abc", 3, 3, std::u16string(smiley) + u"d", 4, u"" },
        { "a pair that fits goes in whole", u"ab", 2, 2, std::u16string(smiley) + u"d", 4, smiley },
    };
    for (auto const& c : cases) {
        std::u16string text = c.text;
        EditText edit(text);
        edit.move_caret(c.anchor, false);
        edit.move_caret(c.caret, true);
        EXPECT_EQ(std::u16string(edit.within_limit(c.insert, c.limit)), c.kept) << c.label;
    }
}

TEST(EditText, PositionsStayOnCharacterBoundaries)
{
    std::u16string text = u"a" + std::u16string(smiley) + u"b"; // a, the pair at 1-2, b
    EditText edit(text);
    EXPECT_EQ(edit.next_boundary(1), 3u);
    EXPECT_EQ(edit.previous_boundary(3), 1u);
    EXPECT_EQ(edit.snap_to_boundary(2), 1u);
    EXPECT_EQ(edit.next_boundary(4), 4u);
    EXPECT_EQ(edit.previous_boundary(0), 0u);

    // EM_SETSEL's positions: inside the pair moves to its start, past the
    // end or negative is the end, a negative start selects nothing.
    edit.select(2, 99);
    EXPECT_EQ(edit.anchor(), 1u);
    EXPECT_EQ(edit.caret(), 4u);
    edit.select(0, -1);
    EXPECT_EQ(edit.selected(), text);
    edit.select(-1, 0);
    EXPECT_FALSE(edit.has_selection());
    EXPECT_EQ(edit.caret(), 4u);

    edit.replace_selection(u"c");
    EXPECT_EQ(text, u"a" + std::u16string(smiley) + u"bc") << "the window's own text, changed in place";
    EXPECT_EQ(edit.caret(), 5u);
    edit.assign(u"new");
    EXPECT_EQ(edit.caret(), 0u);
    EXPECT_EQ(text, u"new");
    edit.restore(u"xy", 9, 1);
    EXPECT_EQ(edit.caret(), 2u) << "kept within the text";
    EXPECT_EQ(edit.anchor(), 1u);
}
