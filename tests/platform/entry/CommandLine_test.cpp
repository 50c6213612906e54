// The command line WinMain receives, built from the program's arguments.
#include "entry/CommandLine.h"

#include "text/Utf.h"

#include <gtest/gtest.h>

#include <vector>

using platform::entry::build_command_line;

TEST(CommandLine, ArgumentsAreQuotedAsWindowsParsesThem)
{
    struct {
        char const* label;
        std::vector<char const*> arguments;
        std::u16string line;
    } const cases[] = {
        { "none", {}, u"" },
        { "plain words", { "one", "two" }, u"one two" },
        { "blank inside", { "two words", "x" }, u"\"two words\" x" },
        { "tab inside", { "a\tb" }, u"\"a\tb\"" },
        { "empty argument", { "", "x" }, u"\"\" x" },
        { "double quote", { "say\"hi" }, u"\"say\\\"hi\"" },
        { "backslashes without quotes", { "C:\\dir\\file" }, u"C:\\dir\\file" },
        { "backslash before the closing quote", { "dir name\\" }, u"\"dir name\\\\\"" },
        { "backslash before a quote", { "a\\\"b" }, u"\"a\\\\\\\"b\"" },
        { "not ASCII", { "Gr\xc3\xbc\xc3\x9f" "e", "\xe2\x82\xac 5" }, u"Gr\u00fc\u00dfe \"\u20ac 5\"" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(platform::text::to_utf8(build_command_line(c.arguments)), platform::text::to_utf8(c.line))
            << c.label;
}
