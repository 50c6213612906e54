// UTF-16 and UTF-8 conversion, including ill-formed input on either side.
#include "text/Utf.h"

#include <gtest/gtest.h>

using platform::text::to_utf16;
using platform::text::to_utf8;

struct UtfCase {
    char const* label;
    std::u16string utf16;
    std::string utf8;
};

TEST(Utf, RoundTripsWellFormedText)
{
    UtfCase const cases[] = {
        { "empty", u"", "" },
        { "ascii", u"Default: -60", "Default: -60" },
        { "latin", u"Gr\u00fc\u00dfe", "Gr\xc3\xbc\xc3\x9f" "e" },
        { "surrogate pair", u"\U0001F600", "\xf0\x9f\x98\x80" },
        { "embedded zero", std::u16string(u"a\0b", 3), std::string("a\0b", 3) },
    };
    for (auto const& c : cases) {
        EXPECT_EQ(to_utf8(c.utf16), c.utf8) << c.label;
        EXPECT_EQ(to_utf16(c.utf8), c.utf16) << c.label;
    }
}

TEST(Utf, IllFormedInputBecomesReplacementCharacter)
{
    EXPECT_EQ(to_utf8(std::u16string(1, char16_t(0xD800))), "\xef\xbf\xbd") << "lone high surrogate";
    EXPECT_EQ(to_utf16("a\xff" "b"), u"a\uFFFDb") << "invalid byte";
    EXPECT_EQ(to_utf16("\xe2\x82"), u"\uFFFD") << "truncated sequence";
}
