// Text made safe for a terminal: every control visible, long texts cut.
#include "text/JsonText.h"
#include "text/TerminalText.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

using platform::text::escape_terminal_controls;
using platform::text::escape_terminal_controls_in_json;
using platform::text::quote_for_terminal;
using platform::text::replace_terminal_controls;

namespace {

struct QuoteCase {
    char const* what;
    std::u16string text;
    std::string expected;
};

TEST(TerminalText, QuotingShowsEveryControlAsAnEscape)
{
    QuoteCase const cases[] = {
        { "plain", u"DEFAULTS", "\"DEFAULTS\"" },
        { "quote and backslash", u"a\"b\\c", "\"a\\\"b\\\\c\"" },
        { "title sequence", u"\x1b]0;owned\x07\x1b[2J", "\"\\x1B]0;owned\\x07\\x1B[2J\"" },
        { "line breaks and tab", u"a\nb\rc\td", "\"a\\nb\\rc\\td\"" },
        { "DEL", u"a\x7f", "\"a\\x7F\"" },
        { "C1 CSI", u"a\u009b2J", "\"a\\u009B2J\"" },
        { "bidi override", u"abc\u202Etxt.exe", "\"abc\\u202Etxt.exe\"" },
        { "bidi isolate and marks", u"\u2066\u200F\u061C", "\"\\u2066\\u200F\\u061C\"" },
        { "lone surrogate", std::u16string(1, char16_t(0xD800)), "\"\xEF\xBF\xBD\"" },
        { "letters kept", u"Gr\u00fc\u00dfe \u20ac \U0001F600", "\"Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80\"" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(quote_for_terminal(c.text), c.expected) << c.what;
}

TEST(TerminalText, AHugeTextIsCutWithItsLength)
{
    std::u16string const huge(50u * 1024 * 1024, u'\x1b');
    std::string const quoted = quote_for_terminal(huge);
    std::string expected = "\"";
    for (int i = 0; i < 200; ++i)
        expected += "\\x1B";
    expected += "\"\xE2\x80\xA6 (52428800 characters)";
    EXPECT_EQ(quoted, expected);

    EXPECT_EQ(quote_for_terminal(std::u16string(200, u'a')), "\"" + std::string(200, 'a') + "\"");
    EXPECT_EQ(quote_for_terminal(std::string_view("abcdef"), 3), "\"abc\"\xE2\x80\xA6 (6 characters)");
}

TEST(TerminalText, Utf8InputIsQuotedTheSameWay)
{
    EXPECT_EQ(quote_for_terminal(std::string_view("\x1b[31mred\xC2\x9b")), "\"\\x1B[31mred\\u009B\"");
    EXPECT_EQ(quote_for_terminal(std::string_view("bad \xE2\x82")), "\"bad \xEF\xBF\xBD\"");
}

TEST(TerminalText, WholeMessagesAndRawOutputKeepNoControl)
{
    EXPECT_EQ(escape_terminal_controls("cannot read /tmp/\x1b]0;x\x07/registry.reg\n"),
              "cannot read /tmp/\\x1B]0;x\\x07/registry.reg\\n");
    EXPECT_EQ(escape_terminal_controls("\"quoted\" \\ kept"), "\"quoted\" \\ kept");
    EXPECT_EQ(replace_terminal_controls(u"a\x1b\u009b\u202e\x7f\tb \u00e9", '?'), "a?????b \xC3\xA9");
    EXPECT_EQ(replace_terminal_controls(std::string_view("a\x1b\xC2\x9b\xE2\x80\xAE\x7f\tb \xC3\xA9"), '?'),
              "a?????b \xC3\xA9");
    EXPECT_EQ(replace_terminal_controls(std::string_view("bad \xE2\x82 \xED\xA0\x80"), '?'),
              "bad \xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD")
        << "a cut sequence is one U+FFFD, an encoded surrogate one a byte, as ICU decodes them";
}

// A JSON writer leaves DEL, C1 and the bidirectional controls raw in its
// strings; a terminal would act on them. Each becomes its \u escape, and
// nothing else changes: the layout's line breaks, other text, escapes the
// writer made.
TEST(TerminalText, JsonKeepsItsMeaningAndNoRawControl)
{
    struct Case {
        char const* what;
        std::string json;
        std::string expected;
    } const cases[] = {
        { "C1, bidi and DEL in a string", "{\"t\":\"X\xC2\x9BY\xE2\x80\xAEZ\x7F\"}", "{\"t\":\"X\\u009BY\\u202EZ\\u007F\"}" },
        { "an isolate and a mark", "[\"\xE2\x81\xA6" "a\xE2\x80\x8F\"]", "[\"\\u2066a\\u200F\"]" },
        { "the layout's line breaks", "{\n  \"a\": 1\n}", "{\n  \"a\": 1\n}" },
        { "other text as it is", "[\"M\xC3\xBCnchen \xE2\x82\xAC \\u001b\"]", "[\"M\xC3\xBCnchen \xE2\x82\xAC \\u001b\"]" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(escape_terminal_controls_in_json(c.json), c.expected) << c.what;
}

// The device's JSON writers: broken UTF-8 replaced, controls escaped, the
// members of an ordered object in their order.
TEST(TerminalText, JsonWritersEscapeWhatTheyWrite)
{
    using platform::text::json_for_terminal;
    EXPECT_EQ(json_for_terminal(nlohmann::json { { "t", "a\x1b\xC2\x9b\xE2\x80\xAE\xFF" } }),
              "{\"t\":\"a\\u001b\\u009B\\u202E\xEF\xBF\xBD\"}");
    nlohmann::ordered_json const ordered = { { "z", 1 }, { "a", "\x7f" } };
    EXPECT_EQ(json_for_terminal(ordered, 2), "{\n  \"z\": 1,\n  \"a\": \"\\u007F\"\n}");
}

}
