// Word ranges by character class. Everything from U+00C0 up, surrogates
// included, counts as a word character, so a range never splits a pair.
#include "dialog/WordBreak.h"

#include <algorithm>

namespace platform::dialog {

namespace {

enum class CharKind {
    word,
    space,
    other,
};

CharKind kind_of(char16_t c)
{
    if (c == u' ' || c == u'\t' || c == 0x00A0 || c == 0x3000)
        return CharKind::space;
    if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' || c >= 0x00C0)
        return CharKind::word;
    return CharKind::other;
}

bool is_space(char16_t c)
{
    return kind_of(c) == CharKind::space;
}

}

std::pair<std::size_t, std::size_t> word_around(std::u16string_view text, std::size_t index)
{
    if (text.empty())
        return { 0, 0 };
    if (index >= text.size())
        index = text.size() - 1;
    CharKind const kind = kind_of(text[index]);
    if (kind == CharKind::other)
        return { index, index + 1 };
    std::size_t start = index;
    while (start > 0 && kind_of(text[start - 1]) == kind)
        --start;
    std::size_t end = index + 1;
    while (end < text.size() && kind_of(text[end]) == kind)
        ++end;
    return { start, end };
}

std::size_t previous_word_start(std::u16string_view text, std::size_t index)
{
    index = std::min(index, text.size());
    while (index > 0 && is_space(text[index - 1]))
        --index;
    while (index > 0 && !is_space(text[index - 1]))
        --index;
    return index;
}

std::size_t next_word_start(std::u16string_view text, std::size_t index)
{
    while (index < text.size() && !is_space(text[index]))
        ++index;
    while (index < text.size() && is_space(text[index]))
        ++index;
    return index;
}

}
