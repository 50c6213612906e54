// UTF-16 and UTF-8 conversion, including ill-formed input on either side, and
// the encodings' rules: decoding UTF-8, surrogates, cutting UTF-16.
#include "text/Utf.h"

#include <gtest/gtest.h>
#include <unicode/utf8.h>

#include <optional>

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

using platform::text::Utf8Step;

// Every sequence of up to four bytes drawn from the bytes where UTF-8's rules
// change, decoded by ours and by ICU's: the same characters, the same invalid
// stretches (Unicode's "maximal subpart"), and an incomplete sequence wherever
// the text ends inside one.
TEST(Utf, DecodesUtf8AsIcuDoes)
{
    unsigned char const edges[] = { 0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2,
                                    0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF };
    std::size_t compared = 0;
    auto compare = [&](std::string const& bytes) {
        auto const step = platform::text::decode_utf8_at(bytes, 0);
        int32_t end = 0;
        UChar32 c = 0;
        U8_NEXT(bytes.data(), end, static_cast<int32_t>(bytes.size()), c);
        if (c >= 0) {
            ASSERT_EQ(step.kind, Utf8Step::Kind::character) << ::testing::PrintToString(bytes);
            EXPECT_EQ(step.value, static_cast<char32_t>(c)) << ::testing::PrintToString(bytes);
            EXPECT_EQ(step.length, static_cast<std::size_t>(end)) << ::testing::PrintToString(bytes);
        } else {
            ASSERT_NE(step.kind, Utf8Step::Kind::character) << ::testing::PrintToString(bytes);
            EXPECT_EQ(step.length, static_cast<std::size_t>(end)) << ::testing::PrintToString(bytes);
            // Incomplete only when what it took runs to the end of the text.
            if (step.kind == Utf8Step::Kind::incomplete)
                EXPECT_EQ(step.length, bytes.size()) << ::testing::PrintToString(bytes);
            else
                EXPECT_TRUE(step.length < bytes.size() || static_cast<unsigned char>(bytes[0]) < 0xC2
                            || static_cast<unsigned char>(bytes[0]) > 0xF4)
                    << ::testing::PrintToString(bytes);
        }
        ++compared;
    };
    for (unsigned a = 0; a < 256; ++a) {
        compare(std::string(1, static_cast<char>(a)));
        for (unsigned char b : edges) {
            compare({ static_cast<char>(a), static_cast<char>(b) });
            for (unsigned char c : edges) {
                compare({ static_cast<char>(a), static_cast<char>(b), static_cast<char>(c) });
                for (unsigned char d : { 0x41, 0x80, 0xBF, 0xC0 })
                    compare({ static_cast<char>(a), static_cast<char>(b), static_cast<char>(c), static_cast<char>(d) });
            }
        }
        if (HasFatalFailure())
            return;
    }
    EXPECT_GT(compared, 100000u);
}

TEST(Utf, DecodesWholeUtf8TextOnlyWhenWellFormed)
{
    struct Case {
        char const* label;
        std::string bytes;
        std::optional<std::u32string> characters;
    } const cases[] = {
        { "empty", "", U"" },
        { "one of each length", "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", U"a\u00e9\u20ac\U0001F600" },
        { "embedded zero", std::string("a\0b", 3), std::u32string(U"a\0b", 3) },
        { "overlong slash", "\xc0\xaf", std::nullopt },
        { "encoded surrogate", "\xed\xa0\x80", std::nullopt },
        { "beyond U+10FFFF", "\xf4\x90\x80\x80", std::nullopt },
        { "cut at the end", "ab\xe2\x82", std::nullopt },
        { "stray continuation", "a\x80", std::nullopt },
    };
    for (auto const& c : cases)
        EXPECT_EQ(platform::text::decode_utf8(c.bytes), c.characters) << c.label;
}

TEST(Utf, EncodesAndCombinesSurrogates)
{
    struct Case {
        char32_t character;
        std::u16string units;
    } const cases[] = {
        { U'A', u"A" },
        { 0xFFFF, u"\uFFFF" },
        { 0x10000, u"\U00010000" },
        { 0x1F600, u"\U0001F600" },
        { 0x10FFFF, u"\U0010FFFF" },
        { 0xD800, u"\uFFFD" },
        { 0xDFFF, u"\uFFFD" },
        { 0x110000, u"\uFFFD" },
    };
    for (auto const& c : cases) {
        EXPECT_EQ(platform::text::encode_utf16(c.character).view(), c.units) << std::hex << static_cast<unsigned>(c.character);
        std::u16string appended = u"x";
        platform::text::append_utf16(appended, c.character);
        EXPECT_EQ(appended, u"x" + c.units) << std::hex << static_cast<unsigned>(c.character);
        if (c.units.size() == 2) {
            EXPECT_EQ(platform::text::combine_surrogates(c.units[0], c.units[1]), c.character);
            EXPECT_EQ(platform::text::utf16_character_at(c.units, 0).value, c.character);
            EXPECT_EQ(platform::text::utf16_character_at(c.units, 0).length, 2u);
        }
    }
}

TEST(Utf, WalksAndCutsUtf16WithoutPartingAPair)
{
    std::u16string const pair = u"\U0001F600";
    struct Case {
        char const* label;
        std::u16string text;
        bool well_formed;
        std::size_t limit;
        std::size_t cut;
    } const cases[] = {
        { "plain", u"abc", true, 2, 2 },
        { "limit past the end", u"abc", true, 9, 3 },
        { "cut inside a pair", u"a" + pair, true, 2, 1 },
        { "cut after a pair", u"a" + pair + u"b", true, 3, 3 },
        { "cut before a pair", u"a" + pair, true, 1, 1 },
        { "lone high surrogate", std::u16string(u"a\xD800" u"b"), false, 2, 2 },
        { "lone low surrogate", std::u16string(u"a\xDC00"), false, 2, 2 },
        { "pair reversed", std::u16string(u"\xDC00\xD800"), false, 1, 1 },
        { "high at the end", std::u16string(u"ab\xD800"), false, 3, 3 },
    };
    for (auto const& c : cases) {
        EXPECT_EQ(platform::text::is_well_formed_utf16(c.text), c.well_formed) << c.label;
        EXPECT_EQ(platform::text::utf16_cut(c.text, c.limit), c.cut) << c.label;
    }
    auto const lone = platform::text::utf16_character_at(std::u16string(u"\xD800" u"a"), 0);
    EXPECT_EQ(lone.value, 0xD800u);
    EXPECT_EQ(lone.length, 1u);
}
