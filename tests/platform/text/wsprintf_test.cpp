// wsprintfW and wvsprintfW against the behaviour Windows documents and its
// conformance tests pin: conversions, flags, width and precision, the size
// prefixes, text copied from unknown conversions, and the 1024-character limit.
#include "windows.h"

#include "text/Utf.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <cstdarg>
#include <string>
#include <vector>

namespace {

// Output buffers are filled with this so that a test can see how far a call wrote.
constexpr WCHAR sentinel = 0xBDBD;
constexpr std::size_t buffer_size = 1100;

std::string shown(std::u16string const& text)
{
    return platform::text::to_utf8(text);
}

// Runs one call into a sentinel-filled buffer and checks that exactly the text
// and its terminator were written.
template<typename... Args>
void expect_format(char const* label, WCHAR const* format, std::u16string const& expected, Args... args)
{
    std::vector<WCHAR> buffer(buffer_size, sentinel);
    int const length = wsprintfW(buffer.data(), format, args...);
    std::u16string const got(buffer.data(), std::char_traits<char16_t>::length(buffer.data()));
    EXPECT_EQ(shown(got), shown(expected)) << label;
    EXPECT_EQ(length, static_cast<int>(expected.size())) << label;
    if (expected.size() + 1 < buffer_size) {
        EXPECT_EQ(buffer[expected.size() + 1], sentinel) << label << ": written past the terminator";
    }
}

// A format with one argument and the text it gives; the format is its label.
template <typename Argument>
struct OneArgumentCase {
    WCHAR const* format;
    Argument argument;
    std::u16string expected;
};

template <typename Argument, std::size_t N>
void expect_cases(OneArgumentCase<Argument> const (&cases)[N])
{
    for (auto const& c : cases)
        expect_format(platform::text::to_utf8(c.format).c_str(), c.format, c.expected, c.argument);
}

struct NoArgumentCase {
    WCHAR const* format;
    std::u16string expected;
};

TEST(Wsprintf, TextAndPercentSignsWithoutArguments)
{
    NoArgumentCase const cases[] = {
        { u"abcde", u"abcde" },
        { u"", u"" },
        { u"%%", u"%" },
        { u"%", u"" },
        { u"%%%", u"%" },
        { u"100%", u"100" },
        { u"%-5", u"" },
        // Not a conversion: the character is copied, flags and width are dropped.
        { u"%y", u"y" },
        { u"%-8y", u"y" },
        { u"%5%", u"%" },
        { u"%f", u"f" },
        // There is no '*': it is copied and consumes no argument.
        { u"%*s", u"*s" },
        { u"%.*s", u"*s" },
        { u"%-*.6s", u"*.6s" },
        { u"%*.*s", u"*.*s" },
    };
    for (auto const& c : cases)
        expect_format(platform::text::to_utf8(c.format).c_str(), c.format, c.expected);
}

using IntCase = OneArgumentCase<int>;

TEST(Wsprintf, IntegerConversionsFlagsWidthAndPrecision)
{
    IntCase const cases[] = {
        { u"%d", 8, u"8" },
        { u"%d", 0, u"0" },
        { u"%i", -42, u"-42" },
        { u"%d", INT_MIN, u"-2147483648" },
        { u"%d", INT_MAX, u"2147483647" },
        { u"%010d", -1, u"-000000001" },
        { u"%010ld", -1, u"-000000001" },
        { u"%05d", 42, u"00042" },
        { u"%5d", 42, u"   42" },
        { u"%-5d", 42, u"42   " },
        { u"%-05d", 42, u"42   " },
        { u"%1d", 12345, u"12345" },
        { u"%.3d", 7, u"007" },
        { u"%.3d", -7, u"-007" },
        { u"%6.3d", 7, u"   007" },
        // A precision of 0 or none means one digit at least: zero still shows.
        { u"%.0d", 0, u"0" },
        { u"%.d", 0, u"0" },
        { u"%u", -1, u"4294967295" },
        { u"%u", -1294967296, u"3000000000" },
        { u"%x", 255, u"ff" },
        { u"%X", 255, u"FF" },
        { u"%x", -1, u"ffffffff" },
        { u"%#x", 255, u"0xff" },
        { u"%#X", 255, u"0XFF" },
        { u"%#010x", 255, u"0x000000ff" },
        { u"%-#6x", 10, u"0xa   " },
        { u"%#d", 10, u"10" },
        // h makes the argument a short, l a LONG (32 bits on the device).
        { u"%hd", 65535, u"-1" },
        { u"%hu", 65536 + 5, u"5" },
        { u"%hx", 0x12345, u"2345" },
        { u"%ld", -60, u"-60" },
        { u"%li", -60, u"-60" },
        { u"%lu", -1, u"4294967295" },
        { u"%lx", 0xABCD, u"abcd" },
        { u"%lX", 0xABCD, u"ABCD" },
        { u"%I32x", -0x12345, u"fffedcbb" },
        { u"%I32X", 0x67890A, u"67890A" },
        { u"Default: %d", -60, u"Default: -60" },
        { u"Default: %d", 0, u"Default: 0" },
    };
    expect_cases(cases);
}

TEST(Wsprintf, SixtyFourBitConversions)
{
    expect_format("%I64X", u"%I64X", u"123450067890A", 0x123450067890ALL);
    expect_format("%I64d", u"%I64d", u"543210000000", 543210000000LL);
    expect_format("%I64X negative", u"%I64X", u"FFFFFFFFFFFEDCBB", -0x12345LL);
    expect_format("%I64u", u"%I64u", u"18446744073709551493", -123LL);
    expect_format("%I64d minimum", u"%I64d", u"-9223372036854775808", LLONG_MIN);
}

using CharCase = OneArgumentCase<int>;

TEST(Wsprintf, CharacterConversions)
{
    CharCase const cases[] = {
        { u"%c", u'A', u"A" },
        { u"%2c", u'*', u" *" },
        { u"%-3c|", u'*', u"*  |" },
        { u"%c", 0x2605, u"\u2605" },
        { u"%lc", 0x2605, u"\u2605" },
        { u"%wc", 0x2605, u"\u2605" },
        { u"%C", 'A', u"A" },
        { u"%hc", 'A', u"A" },
        { u"%lC", 0x2605, u"\u2605" },
        // A zero character is left out, so no terminator lands inside the text.
        { u"a%cb", 0, u"ab" },
        { u"a%hcb", 0, u"ab" },
    };
    expect_cases(cases);
}

using StringCase = OneArgumentCase<WCHAR const*>;

TEST(Wsprintf, WideStringConversions)
{
    StringCase const cases[] = {
        { u"%s", u"hello", u"hello" },
        { u"%8s", u"hello", u"   hello" },
        { u"%4s", u"hello", u"hello" },
        { u"%-8s", u"hello", u"hello   " },
        { u"%0s", u"hello", u"hello" },
        { u"%-0s", u"hello", u"hello" },
        { u"%.s", u"hello", u"" },
        { u"%.0s", u"hello", u"" },
        { u"%.10s", u"hello", u"hello" },
        { u"%.5s", u"hello", u"hello" },
        { u"%.4s", u"hello", u"hell" },
        { u"%8.5s", u"hello", u"   hello" },
        { u"%-7.2s|", u"hello", u"he     |" },
        { u"%ls", u"hello", u"hello" },
        { u"%ws", u"hello", u"hello" },
        { u"%lS", u"hello", u"hello" },
        { u"%s", u"", u"" },
        { u"%s", u"Gr\u00fc\u00dfe \U0001F600", u"Gr\u00fc\u00dfe \U0001F600" },
        { u"%s", nullptr, u"(null)" },
        { u"Software\\Corvane\\Tembrel\\%s", u"DEFAULTS", u"Software\\Corvane\\Tembrel\\DEFAULTS" },
    };
    expect_cases(cases);
}

using NarrowStringCase = OneArgumentCase<char const*>;

TEST(Wsprintf, NarrowStringConversions)
{
    NarrowStringCase const cases[] = {
        { u"%hs", "hello", u"hello" },
        { u"%hS", "hello", u"hello" },
        { u"%S", "hello", u"hello" },
        { u"%6hs", "abc", u"   abc" },
        { u"%.2hs", "hello", u"he" },
        { u"%hs", "Gr\xc3\xbc\xc3\x9f" "e", u"Gr\u00fc\u00dfe" },
        { u"%hs", nullptr, u"(null)" },
    };
    expect_cases(cases);
}

TEST(Wsprintf, PrecisionBoundsHowFarAStringIsRead)
{
    // Exactly sized, unterminated arrays: reading past them is caught by the
    // address sanitizer build.
    std::unique_ptr<WCHAR[]> const wide(new WCHAR[5] { u'h', u'e', u'l', u'l', u'o' });
    expect_format("wide", u"%.5s", u"hello", wide.get());
    expect_format("wide shorter", u"%.2s", u"he", wide.get());
    std::unique_ptr<char[]> const narrow(new char[5] { 'h', 'e', 'l', 'l', 'o' });
    expect_format("narrow", u"%.5hs", u"hello", narrow.get());
    // A narrow string's precision counts its bytes; a character that the
    // precision cuts is left out whole.
    std::unique_ptr<char[]> const euros(new char[6] { '\xe2', '\x82', '\xac', '\xe2', '\x82', '\xac' });
    expect_format("narrow multibyte", u"%.6hs", u"\u20ac\u20ac", euros.get());
    expect_format("narrow multibyte cut", u"%.5hs", u"\u20ac", euros.get());
    expect_format("narrow multibyte cut at its lead", u"%.4hs", u"\u20ac", euros.get());
    std::unique_ptr<char[]> const emoji(new char[4] { '\xf0', '\x9f', '\x98', '\x80' });
    expect_format("narrow outside the BMP", u"%.4hs", u"\U0001F600", emoji.get());
    expect_format("narrow outside the BMP cut", u"%.3hs", u"", emoji.get());
    std::unique_ptr<char[]> const lead_only(new char[1] { '\xe2' });
    expect_format("an incomplete sequence", u"%.1hs", u"", lead_only.get());
    std::unique_ptr<char[]> const two_leads(new char[2] { 'a', '\xc3' });
    expect_format("an incomplete sequence after text", u"%.2hs", u"a", two_leads.get());
}

TEST(Wsprintf, ArgumentsAreTakenInOrder)
{
    expect_format("mixed", u"%s=%d (%#x) %c%%", u"bias=-60 (0x3c) !%", u"bias", -60, 60, u'!');
    expect_format("narrow and wide", u"%hs/%s", u"a/b", "a", u"b");
    expect_format("64-bit then 32-bit", u"%I64d %d", u"5000000000 7", 5000000000LL, 7);
}

TEST(Wsprintf, PointerIsAllItsHexadecimalDigits)
{
    std::vector<WCHAR> buffer(buffer_size, sentinel);
    void* const pointer = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0xABC));
    int const length = wsprintfW(buffer.data(), u"%p", pointer);
    std::u16string const expected = std::u16string(2 * sizeof(void*) - 3, u'0') + u"ABC";
    EXPECT_EQ(shown(buffer.data()), shown(expected));
    EXPECT_EQ(length, static_cast<int>(expected.size()));
}

int format_through_va_list(WCHAR* buffer, WCHAR const* format, ...)
{
    va_list args;
    va_start(args, format);
    int const length = wvsprintfW(buffer, format, args);
    va_end(args);
    return length;
}

TEST(Wsprintf, WvsprintfTakesTheArgumentsFromAVaList)
{
    std::vector<WCHAR> buffer(buffer_size, sentinel);
    EXPECT_EQ(format_through_va_list(buffer.data(), u"%s: %d", u"Default", -60), 12);
    EXPECT_EQ(shown(buffer.data()), "Default: -60");
    EXPECT_EQ(buffer[13], sentinel);
}

// The output buffer holds at most 1024 characters with the terminator: longer
// output is cut to 1023 characters and still terminated, and nothing is
// written beyond the 1024th character.
struct LimitCase {
    char const* label;
    std::size_t produced; // characters the format would produce
    int stored;
};

TEST(Wsprintf, OutputNeverExceedsTheDocumentedBuffer)
{
    LimitCase const cases[] = {
        { "well below", 10, 10 },
        { "one short of the limit", 1022, 1022 },
        { "exactly the room", 1023, 1023 },
        { "one too many", 1024, 1023 },
        { "far too many", 5000, 1023 },
    };
    for (auto const& c : cases) {
        std::u16string const format(c.produced, u'a');
        std::vector<WCHAR> buffer(buffer_size, sentinel);
        int const length = wsprintfW(buffer.data(), format.c_str());
        EXPECT_EQ(length, c.stored) << c.label;
        EXPECT_EQ(buffer[static_cast<std::size_t>(c.stored)], u'\0') << c.label;
        EXPECT_EQ(buffer[static_cast<std::size_t>(c.stored) - 1], u'a') << c.label;
        for (std::size_t i = static_cast<std::size_t>(c.stored) + 1; i < buffer_size; ++i) {
            ASSERT_EQ(buffer[i], sentinel) << c.label << ": written at " << i;
        }
    }
}

TEST(Wsprintf, LimitAppliesToConvertedArgumentsToo)
{
    std::u16string const long_text(3000, u'x');
    struct {
        char const* label;
        std::function<int(WCHAR*)> call;
    } const cases[] = {
        { "wide width", [](WCHAR* b) { return wsprintfW(b, u"%99999999999999999999d", 1); } },
        { "precision", [](WCHAR* b) { return wsprintfW(b, u"%.5000d", 1); } },
        { "string", [&](WCHAR* b) { return wsprintfW(b, u"%s%s", long_text.c_str(), long_text.c_str()); } },
        { "padded string", [](WCHAR* b) { return wsprintfW(b, u"%-2000s", u"x"); } },
    };
    for (auto const& c : cases) {
        std::vector<WCHAR> buffer(buffer_size, sentinel);
        EXPECT_EQ(c.call(buffer.data()), 1023) << c.label;
        EXPECT_EQ(buffer[1023], u'\0') << c.label;
        EXPECT_EQ(buffer[1024], sentinel) << c.label;
    }
}

TEST(Wsprintf, CutNeverSplitsASurrogatePair)
{
    // 1022 characters, then a pair that would need the 1023rd and 1024th.
    std::u16string const format = std::u16string(1022, u'a') + u"\U0001F600";
    std::vector<WCHAR> buffer(buffer_size, sentinel);
    EXPECT_EQ(wsprintfW(buffer.data(), format.c_str()), 1022);
    EXPECT_EQ(buffer[1022], u'\0');
}

TEST(Wsprintf, MissingBufferOrFormatFailsWithoutWriting)
{
    SetLastError(0);
    EXPECT_EQ(wsprintfW(nullptr, u"%d", 1), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    std::vector<WCHAR> buffer(4, sentinel);
    SetLastError(0);
    EXPECT_EQ(wsprintfW(buffer.data(), nullptr), 0);
    EXPECT_EQ(buffer[0], u'\0');
    EXPECT_EQ(buffer[1], sentinel);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}
