// The text a screen reader gets from a control: characters rather than UTF-16
// units, what cannot travel on the bus replaced one for one, offsets counted
// in characters, and the change between two texts as one removal and one
// insertion.
#include "frontends/window/accessibility/AccessibleText.h"

#include <gtest/gtest.h>

namespace {

using platform::frontends::window::accessibility::character_offset;
using platform::frontends::window::accessibility::text_change;
using platform::frontends::window::accessibility::to_characters;
using platform::frontends::window::accessibility::to_utf8;

TEST(AccessibleText, CharactersAreCodePointsWithWhatCannotTravelReplaced)
{
    struct Case {
        char const* what;
        std::u16string text;
        std::u32string characters;
    };
    Case const cases[] = {
        { "empty", u"", U"" },
        { "plain", u"-60", U"-60" },
        { "a pair is one character", u"a\U0001F600b", U"a\U0001F600b" },
        { "a lone high surrogate", std::u16string { u'a', 0xD83D, u'b' }, U"a\uFFFDb" },
        { "a lone low surrogate", std::u16string { 0xDE00, u'b' }, U"\uFFFDb" },
        { "a high surrogate at the end", std::u16string { u'a', 0xD83D }, U"a\uFFFD" },
        { "NUL", std::u16string { u'a', 0, u'b' }, U"a\uFFFDb" },
        { "control and format characters are kept", u"\x1b[31m\u202E", U"\x1b[31m\u202E" },
    };
    for (Case const& c : cases)
        EXPECT_EQ(to_characters(c.text), c.characters) << c.what;
}

TEST(AccessibleText, Utf8IsWhatTheBusCarries)
{
    EXPECT_EQ(to_utf8(U""), "");
    EXPECT_EQ(to_utf8(U"-60"), "-60");
    EXPECT_EQ(to_utf8(U"\u00E9\u202E\U0001F600"), "\xC3\xA9\xE2\x80\xAE\xF0\x9F\x98\x80");
    // Never an ill-formed sequence, whatever comes in.
    EXPECT_EQ(to_utf8(std::u32string { U'a', static_cast<char32_t>(0xD800), static_cast<char32_t>(0x110000) }),
              "a\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(to_utf8(to_characters(std::u16string { 0xDE00 })), "\xEF\xBF\xBD");
}

TEST(AccessibleText, OffsetsCountCharacters)
{
    std::u16string const text = u"a\U0001F600b";
    EXPECT_EQ(character_offset(text, 0), 0u);
    EXPECT_EQ(character_offset(text, 1), 1u);
    EXPECT_EQ(character_offset(text, 3), 2u); // after the pair
    EXPECT_EQ(character_offset(text, 4), 3u);
    EXPECT_EQ(character_offset(text, 99), 3u);
    // Lone halves count one each, as they are shown.
    std::u16string const broken { 0xDE00, 0xD83D, u'x' };
    EXPECT_EQ(character_offset(broken, 3), to_characters(broken).size());
}

TEST(AccessibleText, ChangeIsTheShortestRemovalAndInsertion)
{
    struct Case {
        char const* what;
        std::u32string before, after;
        std::size_t position;
        std::u32string removed, inserted;
    };
    Case const cases[] = {
        { "typed over a selection", U"-60", U"-", 1, U"60", U"" },
        { "typed at the end", U"-3", U"-30", 2, U"", U"0" },
        { "replaced in the middle", U"-60", U"-30", 1, U"6", U"3" },
        { "cleared", U"15", U"", 0, U"15", U"" },
        { "typed into nothing", U"", U"7", 0, U"", U"7" },
        { "a repeated character taken from the end", U"100", U"10", 2, U"0", U"" },
        { "inserted at the start", U"12", U"-12", 0, U"", U"-" },
    };
    for (Case const& c : cases) {
        auto const change = text_change(c.before, c.after);
        ASSERT_TRUE(change) << c.what;
        EXPECT_EQ(change->position, c.position) << c.what;
        EXPECT_EQ(change->removed, c.removed) << c.what;
        EXPECT_EQ(change->inserted, c.inserted) << c.what;
        // The change applied to the text before gives the text after.
        std::u32string applied = c.before;
        applied.replace(change->position, change->removed.size(), change->inserted);
        EXPECT_EQ(applied, c.after) << c.what;
    }
    EXPECT_FALSE(text_change(U"-60", U"-60"));
}

}
