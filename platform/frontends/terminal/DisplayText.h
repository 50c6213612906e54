// Turns a window text into the glyphs the terminal draws for it: every
// character becomes something printable, so no text can reach the terminal as
// a control sequence, and every glyph knows its width in cells and where in
// the text it came from (for carets, clicks and sideways scrolling).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform::frontends::terminal {

// What the terminal can show: any printable Unicode character (a UTF-8
// locale), or printable ASCII only.
enum class Charset {
    unicode,
    ascii,
};

struct Glyph {
    // The characters drawn in this glyph's cells: one printable character,
    // maybe followed by combining marks. Never a control character.
    std::u32string chars;
    // 1, or 2 for an East Asian wide character.
    int width { 1 };
    // Index of the first UTF-16 code unit of this glyph in the text, and the
    // number of code units it stands for.
    std::size_t source { 0 };
    std::size_t source_length { 1 };
};

// The glyphs of `text`, in order. Control characters (C0, DEL, C1), format
// characters, unpaired surrogates and unassigned code points each become one
// visible replacement glyph; the text itself is left as it is.
std::vector<Glyph> display_glyphs(std::u16string_view text, Charset charset);

// The total width in cells of `glyphs`.
int display_width(std::vector<Glyph> const& glyphs);

// The index of the first glyph that is not wholly left of `column` when the
// glyphs are laid out from column 0; `glyphs.size()` when none is.
std::size_t glyph_at_column(std::vector<Glyph> const& glyphs, int column);

// The index of the glyph that holds the UTF-16 position `position`, or
// `glyphs.size()` for a position at or past the end of the text.
std::size_t glyph_at_source(std::vector<Glyph> const& glyphs, std::size_t position);

}
