// UTF-16 and UTF-8 conversion through ICU, and the encodings' own rules.
#include "text/Utf.h"

#include <unicode/ustring.h>
#include <unicode/utypes.h>

#include <climits>

namespace platform::text {

static constexpr UChar32 replacement_character = 0xFFFD;

std::string to_utf8(std::u16string_view text)
{
    if (text.empty() || text.size() > INT32_MAX / 3)
        return {};
    std::string result(text.size() * 3, '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(result.data(), static_cast<int32_t>(result.size()), &length,
                       reinterpret_cast<UChar const*>(text.data()), static_cast<int32_t>(text.size()),
                       replacement_character, nullptr, &status);
    if (U_FAILURE(status))
        return {};
    result.resize(static_cast<std::size_t>(length));
    return result;
}

std::u16string to_utf16(std::string_view text)
{
    if (text.empty() || text.size() > INT32_MAX)
        return {};
    // One UTF-16 unit per byte is always enough: no UTF-8 sequence is shorter
    // than the UTF-16 it decodes to, and a replacement takes one unit per byte.
    std::u16string result(text.size(), u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(result.data()), static_cast<int32_t>(result.size()), &length,
                         text.data(), static_cast<int32_t>(text.size()), replacement_character, nullptr, &status);
    if (U_FAILURE(status))
        return {};
    result.resize(static_cast<std::size_t>(length));
    return result;
}

Utf16Units encode_utf16(char32_t c)
{
    if (!is_scalar_value(c))
        return { { u'\uFFFD', 0 }, 1 };
    if (c < 0x10000)
        return { { static_cast<char16_t>(c), 0 }, 1 };
    char32_t const offset = c - 0x10000;
    return { { static_cast<char16_t>(0xD800 + (offset >> 10)), static_cast<char16_t>(0xDC00 + (offset & 0x3FF)) }, 2 };
}

void append_utf16(std::u16string& out, char32_t c)
{
    out += encode_utf16(c).view();
}

Utf16Character utf16_character_at(std::u16string_view text, std::size_t at)
{
    char16_t const c = text[at];
    if (is_high_surrogate(c) && at + 1 < text.size() && is_low_surrogate(text[at + 1]))
        return { combine_surrogates(c, text[at + 1]), 2 };
    return { c, 1 };
}

bool is_well_formed_utf16(std::u16string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        auto const character = utf16_character_at(text, i);
        if (is_surrogate(character.value))
            return false;
        i += character.length;
    }
    return true;
}

std::size_t utf16_cut(std::u16string_view text, std::size_t limit)
{
    if (limit >= text.size())
        return text.size();
    if (limit > 0 && is_high_surrogate(text[limit - 1]) && is_low_surrogate(text[limit]))
        return limit - 1;
    return limit;
}

Utf8Step decode_utf8_at(std::string_view bytes, std::size_t at)
{
    auto const lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80)
        return { Utf8Step::Kind::character, lead, 1 };
    // The lead byte says how many bytes follow and what the first of them may
    // be: the narrower ranges after E0, ED, F0 and F4 rule out overlong forms,
    // surrogates and values beyond U+10FFFF.
    std::size_t follow = 0;
    char32_t value = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        follow = 1;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        follow = 2;
        value = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        follow = 3;
        value = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return { Utf8Step::Kind::invalid, 0, 1 };
    }
    for (std::size_t i = 1; i <= follow; ++i) {
        if (at + i >= bytes.size())
            return { Utf8Step::Kind::incomplete, 0, i };
        auto const b = static_cast<unsigned char>(bytes[at + i]);
        if (b < (i == 1 ? low : 0x80) || b > (i == 1 ? high : 0xBF))
            return { Utf8Step::Kind::invalid, 0, i };
        value = (value << 6) | (b & 0x3F);
    }
    return { Utf8Step::Kind::character, value, follow + 1 };
}

std::optional<std::u32string> decode_utf8(std::string_view bytes)
{
    std::u32string characters;
    characters.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        auto const step = decode_utf8_at(bytes, i);
        if (step.kind != Utf8Step::Kind::character)
            return std::nullopt;
        characters += step.value;
        i += step.length;
    }
    return characters;
}

}

