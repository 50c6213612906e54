// Case folding through ICU.
#include "text/CaseFold.h"

#include "text/Utf.h"

#include <unicode/uchar.h>

namespace platform::text {

namespace {

char32_t folded(char32_t c)
{
    return is_surrogate(c) ? c : static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

}

std::u16string fold_case(std::u16string_view text)
{
    std::u16string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        auto const character = utf16_character_at(text, i);
        if (is_surrogate(character.value))
            result += static_cast<char16_t>(character.value);
        else
            append_utf16(result, folded(character.value));
        i += character.length;
    }
    return result;
}

std::string fold_case(std::string_view utf8)
{
    std::string result;
    result.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        auto const step = decode_utf8_at(utf8, i);
        if (step.kind != Utf8Step::Kind::character)
            result.append(utf8.substr(i, step.length));
        else if (step.value < 0x80)
            result += static_cast<char>(folded(step.value));
        else
            result += to_utf8(encode_utf16(folded(step.value)).view());
        i += step.length;
    }
    return result;
}

bool same_ignoring_case(std::u16string_view a, std::u16string_view b)
{
    // Folding keeps lengths, so texts of different lengths never match; the
    // rest is compared character by character, nothing allocated.
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size();) {
        auto const left = utf16_character_at(a, i);
        auto const right = utf16_character_at(b, i);
        if (left.length != right.length || folded(left.value) != folded(right.value))
            return false;
        i += left.length;
    }
    return true;
}

bool same_ignoring_case(std::string_view a, std::string_view b)
{
    return fold_case(a) == fold_case(b);
}

}
