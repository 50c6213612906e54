// Where words begin and end in an edit's text, with one idea of a space for
// both uses: a double click selects a word, which is a run of letters and
// digits, a run of spaces, or one other character; Ctrl+Left and Ctrl+Right
// move from one run of characters between spaces to the next, so that a sign
// goes with its number ("-5").
#pragma once

#include <cstddef>
#include <string_view>
#include <utility>

namespace platform::dialog {

// The [start, end) range of the word that holds the character at `index` (or
// the one before it when `index` is the end of the text), in UTF-16 code units.
std::pair<std::size_t, std::size_t> word_around(std::u16string_view text, std::size_t index);

// Ctrl+Left: the start of the run before `index`, or of the one it is in,
// past the spaces before it.
std::size_t previous_word_start(std::u16string_view text, std::size_t index);

// Ctrl+Right: the start of the next run, past the rest of the one at `index`
// and the spaces after it.
std::size_t next_word_start(std::u16string_view text, std::size_t index);

}
