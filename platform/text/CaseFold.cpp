// Case folding through ICU.
#include "text/CaseFold.h"

#include "text/Utf.h"

#include <unicode/uchar.h>

namespace platform::text {

std::u16string fold_case(std::u16string_view text)
{
    std::u16string folded;
    folded.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        auto const character = utf16_character_at(text, i);
        if (is_surrogate(character.value))
            folded += static_cast<char16_t>(character.value);
        else
            append_utf16(folded, static_cast<char32_t>(u_foldCase(static_cast<UChar32>(character.value), U_FOLD_CASE_DEFAULT)));
        i += character.length;
    }
    return folded;
}

std::string fold_case(std::string_view utf8)
{
    std::string folded;
    folded.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        auto const step = decode_utf8_at(utf8, i);
        if (step.kind != Utf8Step::Kind::character) {
            folded.append(utf8.substr(i, step.length));
        } else if (step.value < 0x80) {
            folded += static_cast<char>(step.value >= 'A' && step.value <= 'Z' ? step.value + ('a' - 'A') : step.value);
        } else {
            auto const c = static_cast<char32_t>(u_foldCase(static_cast<UChar32>(step.value), U_FOLD_CASE_DEFAULT));
            folded += to_utf8(encode_utf16(c).view());
        }
        i += step.length;
    }
    return folded;
}

bool same_ignoring_case(std::u16string_view a, std::u16string_view b)
{
    return a.size() == b.size() && fold_case(a) == fold_case(b);
}

bool same_ignoring_case(std::string_view a, std::string_view b)
{
    return fold_case(a) == fold_case(b);
}

}
