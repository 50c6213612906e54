// Window texts as the terminal draws them: nothing a text holds may reach the
// terminal as a control, widths and source positions stay right for carets,
// and printable text is drawn as it is.
#include "frontends/terminal/DisplayText.h"

#include <gtest/gtest.h>

#include <unicode/uchar.h>

using namespace platform::frontends::terminal;

namespace {

std::u32string drawn(std::u16string_view text, Charset charset)
{
    std::u32string out;
    for (auto const& glyph : display_glyphs(text, charset))
        out += glyph.chars;
    return out;
}

bool terminal_safe(char32_t c)
{
    if (c < 0x20 || (c >= 0x7F && c < 0xA0))
        return false;
    auto type = u_charType(static_cast<UChar32>(c));
    return type != U_CONTROL_CHAR && type != U_FORMAT_CHAR && type != U_SURROGATE && type != U_UNASSIGNED
        && type != U_LINE_SEPARATOR && type != U_PARAGRAPH_SEPARATOR;
}

}

TEST(DisplayText, ShowsEachUnsafeCharacterAsOneVisibleReplacement)
{
    struct Case {
        char const* label;
        std::u16string text;
        std::u32string unicode;
        std::u32string ascii;
    };
    Case const cases[] = {
        { "plain", u"Default: -60", U"Default: -60", U"Default: -60" },
        { "title-setting OSC", u"\x1b]0;pwned\x07x", U"\u241b]0;pwned\u2407x", U"?]0;pwned?x" },
        { "cursor movement CSI", u"a\x1b[2Jb", U"a\u241b[2Jb", U"a?[2Jb" },
        { "NUL, tab, CR, LF", std::u16string(u"\0\t\r\n", 4), U"\u2400\u2409\u240d\u240a", U"????" },
        { "DEL", u"a\x7f", U"a\u2421", U"a?" },
        { "C1 CSI and OSC", u"\u009b2J\u009d0;t", U"\uFFFD2J\uFFFD0;t", U"?2J?0;t" },
        { "bidi override", u"a\u202Eb", U"a\uFFFDb", U"a?b" },
        { "line separator", u"a\u2028b", U"a\uFFFDb", U"a?b" },
        { "lone surrogates", u"\xD800x\xDC00", U"\uFFFDx\uFFFD", U"?x?" },
        { "accented letter", u"Gr\u00fc\u00dfe", U"Gr\u00fc\u00dfe", U"Gr??e" },
    };
    for (auto const& c : cases) {
        EXPECT_EQ(drawn(c.text, Charset::unicode), c.unicode) << c.label;
        EXPECT_EQ(drawn(c.text, Charset::ascii), c.ascii) << c.label;
        EXPECT_EQ(display_glyphs(c.text, Charset::unicode).size(), display_glyphs(c.text, Charset::ascii).size())
            << c.label;
    }
}

TEST(DisplayText, NoCodeUnitEverComesOutAsATerminalControl)
{
    for (char32_t unit = 0; unit <= 0xFFFF; ++unit) {
        std::u16string text { u'a', static_cast<char16_t>(unit), u'b' };
        for (char32_t c : drawn(text, Charset::unicode))
            ASSERT_TRUE(terminal_safe(c)) << "U+" << std::hex << static_cast<unsigned>(unit);
        for (char32_t c : drawn(text, Charset::ascii))
            ASSERT_TRUE(c >= 0x20 && c < 0x7F) << "U+" << std::hex << static_cast<unsigned>(unit);
    }
}

TEST(DisplayText, GlyphsKnowTheirWidthAndWhereTheyCameFrom)
{
    // "a", a wide ideograph, an emoji (a surrogate pair), "e" with a
    // combining acute accent, ESC.
    std::u16string text = u"a\u6F22\U0001F600e\u0301\x1b";
    auto glyphs = display_glyphs(text, Charset::unicode);
    ASSERT_EQ(glyphs.size(), 5u);
    struct Expected {
        std::u32string chars;
        int width;
        std::size_t source, length;
    };
    Expected const expected[] = {
        { U"a", 1, 0, 1 }, { U"\u6F22", 2, 1, 1 }, { U"\U0001F600", 2, 2, 2 }, { U"e\u0301", 1, 4, 2 },
        { U"\u241b", 1, 6, 1 },
    };
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        EXPECT_EQ(glyphs[i].chars, expected[i].chars) << i;
        EXPECT_EQ(glyphs[i].width, expected[i].width) << i;
        EXPECT_EQ(glyphs[i].source, expected[i].source) << i;
        EXPECT_EQ(glyphs[i].source_length, expected[i].length) << i;
    }
    EXPECT_EQ(display_width(glyphs), 7);

    EXPECT_EQ(glyph_at_source(glyphs, 0), 0u);
    EXPECT_EQ(glyph_at_source(glyphs, 3), 2u); // inside the surrogate pair
    EXPECT_EQ(glyph_at_source(glyphs, 5), 3u); // the accent
    EXPECT_EQ(glyph_at_source(glyphs, 7), glyphs.size());

    EXPECT_EQ(glyph_at_column(glyphs, 0), 0u);
    EXPECT_EQ(glyph_at_column(glyphs, 2), 1u); // right half of the ideograph
    EXPECT_EQ(glyph_at_column(glyphs, 3), 2u);
    EXPECT_EQ(glyph_at_column(glyphs, 7), glyphs.size());
}

TEST(DisplayText, ACombiningMarkWithNothingToCarryItIsReplaced)
{
    EXPECT_EQ(drawn(u"\u0301x", Charset::unicode), U"\uFFFDx");
    EXPECT_EQ(drawn(u"\x1b\u0301", Charset::unicode), U"\u241b\uFFFD");
}
