// A control's text as a screen reader gets it: characters (Unicode code
// points, as the accessibility interfaces count offsets) rather than the
// window text's UTF-16 units, with what cannot travel on the bus replaced;
// and the change between two texts as one removal and one insertion.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform::frontends::window::accessibility {

// The bus carries valid UTF-8 without NUL: an unpaired surrogate and U+0000
// each become U+FFFD, so that every character still stands for exactly one
// character of the window text. Every other character is kept as it is.
std::u32string to_characters(std::u16string_view text);

// Characters as the bus carries them, in UTF-8.
std::string to_utf8(std::u32string_view characters);

// The number of characters before UTF-16 index `unit` (a caret or selection
// end) of `text`; an index past the end counts the whole text.
std::size_t character_offset(std::u16string_view text, std::size_t unit);

// What changed from `before` to `after`: at `position`, `removed` taken out
// and `inserted` put in their place, the shortest such change. None when the
// texts are equal.
struct TextChange {
    std::size_t position { 0 };
    std::u32string removed;
    std::u32string inserted;
};
std::optional<TextChange> text_change(std::u32string_view before, std::u32string_view after);

}
