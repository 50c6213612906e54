// Window texts as drawable glyphs: replacements for everything a terminal
// would take as a control, widths from the Unicode character properties (not
// from the locale, so a layout is the same whatever the environment says).
#include "frontends/terminal/DisplayText.h"

#include "text/Utf.h"

#include <unicode/uchar.h>

namespace platform::frontends::terminal {

namespace {

constexpr char32_t replacement_character = 0xFFFD;
constexpr std::size_t max_combining_marks = 4;

// The visible stand-in for a character that must not be sent as itself.
// C0 controls and DEL have pictures of their own (U+2400..U+2421), so a user
// can tell an escape from a tab; everything else shows as the replacement
// character.
char32_t unicode_replacement(char32_t c)
{
    if (c < 0x20)
        return 0x2400 + c;
    if (c == 0x7F)
        return 0x2421;
    return replacement_character;
}

bool is_unsafe(char32_t c)
{
    switch (u_charType(static_cast<UChar32>(c))) {
    case U_CONTROL_CHAR:
    case U_FORMAT_CHAR:
    case U_SURROGATE:
    case U_UNASSIGNED:
    case U_PRIVATE_USE_CHAR:
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
        return true;
    default:
        return false;
    }
}

bool is_combining(char32_t c)
{
    auto type = u_charType(static_cast<UChar32>(c));
    return type == U_NON_SPACING_MARK || type == U_ENCLOSING_MARK;
}

int cell_width(char32_t c)
{
    auto width = u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_EAST_ASIAN_WIDTH);
    return (width == U_EA_WIDE || width == U_EA_FULLWIDTH) ? 2 : 1;
}

}

std::vector<Glyph> display_glyphs(std::u16string_view text, Charset charset)
{
    std::vector<Glyph> glyphs;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t start = i;
        // A surrogate pair is one character; an unpaired half stays a lone
        // surrogate, which is_unsafe replaces.
        auto const [c, length] = platform::text::utf16_character_at(text, i);
        i += length;

        if (charset == Charset::ascii) {
            bool printable = c >= 0x20 && c < 0x7F;
            glyphs.push_back({ std::u32string(1, printable ? c : U'?'), 1, start, length });
            continue;
        }
        if (is_unsafe(c)) {
            glyphs.push_back({ std::u32string(1, unicode_replacement(c)), 1, start, length });
            continue;
        }
        if (is_combining(c)) {
            // A mark rides on the glyph before it, as the terminal would draw
            // it; a mark with nothing to ride on is shown as a replacement.
            if (!glyphs.empty() && !is_unsafe(glyphs.back().chars[0])
                && glyphs.back().chars[0] != replacement_character
                && glyphs.back().chars.size() <= max_combining_marks
                && !(glyphs.back().chars[0] >= 0x2400 && glyphs.back().chars[0] <= 0x2421)) {
                glyphs.back().chars.push_back(c);
                glyphs.back().source_length += length;
            } else {
                glyphs.push_back({ std::u32string(1, replacement_character), 1, start, length });
            }
            continue;
        }
        glyphs.push_back({ std::u32string(1, c), cell_width(c), start, length });
    }
    return glyphs;
}

int display_width(std::vector<Glyph> const& glyphs)
{
    int width = 0;
    for (auto const& glyph : glyphs)
        width += glyph.width;
    return width;
}

std::size_t glyph_at_column(std::vector<Glyph> const& glyphs, int column)
{
    int x = 0;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        if (x + glyphs[i].width > column)
            return i;
        x += glyphs[i].width;
    }
    return glyphs.size();
}

std::size_t glyph_at_source(std::vector<Glyph> const& glyphs, std::size_t position)
{
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        if (position < glyphs[i].source + glyphs[i].source_length)
            return i;
    }
    return glyphs.size();
}

}
