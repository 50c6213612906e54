// Conversion between the device's UTF-16 text and the host's UTF-8, for every
// place where the platform meets the host: files, arguments, terminals, JSON;
// and the few rules of both encodings that code walking text needs, once.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform::text {

// Ill-formed input (a lone surrogate, a broken UTF-8 sequence) becomes U+FFFD;
// the conversion itself never fails.
std::string to_utf8(std::u16string_view text);
std::u16string to_utf16(std::string_view text);

// UTF-16's surrogates: a high one (D800-DBFF) and a low one (DC00-DFFF) in
// that order make a pair that stands for one character beyond U+FFFF.
constexpr bool is_high_surrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool is_low_surrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
constexpr bool is_surrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// A Unicode scalar value: a code point that is not a surrogate.
constexpr bool is_scalar_value(char32_t c) { return c <= 0x10FFFF && !is_surrogate(c); }

// The character a high and a low surrogate stand for together.
constexpr char32_t combine_surrogates(char16_t high, char16_t low)
{
    return 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00);
}

// A character as UTF-16: one unit, or the two units of a pair for one beyond
// U+FFFF. A value that is no scalar value becomes U+FFFD.
struct Utf16Units {
    char16_t units[2];
    std::size_t count;
    std::u16string_view view() const { return { units, count }; }
};
Utf16Units encode_utf16(char32_t c);
void append_utf16(std::u16string& out, char32_t c);

// The character at `at` in UTF-16 text and the units it takes: a pair is one
// character of two units, a lone surrogate stands as itself, one unit long.
struct Utf16Character {
    char32_t value;
    std::size_t length;
};
Utf16Character utf16_character_at(std::u16string_view text, std::size_t at);

// Text in which every surrogate belongs to a pair.
bool is_well_formed_utf16(std::u16string_view text);

// The length, at most `limit`, at which the text may be cut without parting
// the halves of a pair: one unit less when the cut would fall inside one.
std::size_t utf16_cut(std::u16string_view text, std::size_t limit);

// One step of UTF-8 decoding, as Unicode's well-formed byte sequences define
// it (no overlong form, no surrogate, nothing beyond U+10FFFF).
struct Utf8Step {
    enum class Kind {
        character,  // `value` took `length` bytes
        invalid,    // `length` bytes (the longest start of a sequence, at least one) make no character
        incomplete, // the bytes so far begin a sequence that the text ends before finishing
    };
    Kind kind;
    char32_t value;
    std::size_t length;
};
// Decodes the sequence that begins at `at` (less than the text's size).
Utf8Step decode_utf8_at(std::string_view bytes, std::size_t at);

// Well-formed UTF-8 as its characters; nothing when any part is ill-formed.
std::optional<std::u32string> decode_utf8(std::string_view bytes);

}
