// Characters for the bus, through ICU's UTF-16 decoding and UTF-8 encoding; the change between
// two texts as their common start and end set apart.
#include "frontends/window/accessibility/AccessibleText.h"

#include "text/Utf.h"

#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <climits>

namespace platform::frontends::window::accessibility {

std::u32string to_characters(std::u16string_view text)
{
    std::u32string characters;
    if (text.empty())
        return characters;
    // A text longer than ICU can take in one call is cut; no window text is.
    auto const length = static_cast<int32_t>(std::min<std::size_t>(text.size(), INT32_MAX / 2));
    characters.resize(static_cast<std::size_t>(length));
    int32_t written = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF32WithSub(reinterpret_cast<UChar32*>(characters.data()), length, &written, text.data(), length, 0xFFFD,
                        nullptr, &status);
    if (U_FAILURE(status))
        return {};
    characters.resize(static_cast<std::size_t>(written));
    std::replace(characters.begin(), characters.end(), U'\0', U'\uFFFD');
    return characters;
}

std::string to_utf8(std::u32string_view characters)
{
    std::string utf8;
    utf8.reserve(characters.size());
    for (char32_t c : characters) {
        // Only scalar values reach here; anything else as U+FFFD all the same.
        if (!text::is_scalar_value(c))
            c = 0xFFFD;
        char bytes[U8_MAX_LENGTH];
        int32_t length = 0;
        U8_APPEND_UNSAFE(bytes, length, static_cast<UChar32>(c));
        utf8.append(bytes, static_cast<std::size_t>(length));
    }
    return utf8;
}

std::size_t character_offset(std::u16string_view text, std::size_t unit)
{
    std::size_t const end = std::min(unit, text.size());
    std::size_t characters = 0;
    for (std::size_t i = 0; i < end; ++i) {
        // The second half of a pair belongs to the character the first began.
        if (!(text::is_low_surrogate(text[i]) && i > 0 && text::is_high_surrogate(text[i - 1])))
            ++characters;
    }
    return characters;
}

std::optional<TextChange> text_change(std::u32string_view before, std::u32string_view after)
{
    if (before == after)
        return std::nullopt;
    std::size_t const shorter = std::min(before.size(), after.size());
    std::size_t start = 0;
    while (start < shorter && before[start] == after[start])
        ++start;
    std::size_t end = 0;
    while (end < shorter - start && before[before.size() - 1 - end] == after[after.size() - 1 - end])
        ++end;
    return TextChange { start, std::u32string(before.substr(start, before.size() - start - end)),
                        std::u32string(after.substr(start, after.size() - start - end)) };
}

}
