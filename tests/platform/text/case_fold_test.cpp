// Comparing names without regard to case: simple folding, character by
// character, never changing a UTF-16 text's length.
#include "text/CaseFold.h"

#include <gtest/gtest.h>

using platform::text::fold_case;
using platform::text::same_ignoring_case;

TEST(CaseFold, ComparesNamesAsTheRegistryDoes)
{
    struct Case {
        char const* label;
        std::u16string a, b;
        bool same;
    } const cases[] = {
        { "ascii", u"Software\\Velquin", u"SOFTWARE\\velquin", true },
        { "latin", u"\u00c4rger", u"\u00e4RGER", true },
        { "final sigma", u"\u03a3\u0391\u03a3", u"\u03c3\u03b1\u03c2", true },
        { "kelvin sign", u"\u212a", u"k", true },
        { "beyond U+FFFF", u"\U00010400", u"\U00010428", true },
        { "no full folding: sharp s", u"Stra\u00dfe", u"STRASSE", false },
        { "different length", u"ab", u"abc", false },
        { "different letters", u"abc", u"abd", false },
        { "lone surrogates as they are", std::u16string(u"a\xD800"), std::u16string(u"A\xD800"), true },
        { "lone surrogates differ", std::u16string(u"\xD800"), std::u16string(u"\xD801"), false },
    };
    for (auto const& c : cases) {
        EXPECT_EQ(same_ignoring_case(c.a, c.b), c.same) << c.label;
        EXPECT_EQ(fold_case(c.a).size(), c.a.size()) << c.label;
    }
    // Dotted capital I has only a full and a Turkic folding; simply folded it stays.
    EXPECT_EQ(fold_case(u"\u0130"), u"\u0130");
}

TEST(CaseFold, FoldsUtf8KeepingIllFormedBytes)
{
    EXPECT_EQ(fold_case(std::string_view("HKLM\\Software /F")), "hklm\\software /f");
    EXPECT_EQ(fold_case(std::string_view("\xc3\x84rger")), "\xc3\xa4rger");
    EXPECT_EQ(fold_case(std::string_view("A\xff" "B\xe2\x82")), "a\xff" "b\xe2\x82");
    EXPECT_TRUE(same_ignoring_case(std::string_view("/QUERY"), std::string_view("/query")));
    EXPECT_FALSE(same_ignoring_case(std::string_view("/query"), std::string_view("/quer")));
}
