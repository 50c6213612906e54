// What the registry accepts as a key or value name, and the UTF-16LE bytes
// that REG_SZ data is made of: the rules the .reg parser, its writer and the
// API share, written once.
#pragma once

#include "wintypes.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform::registry {

// Windows CE's limits on names and depth, which the file obeys as the API does.
inline constexpr std::size_t max_name_length = 255;
inline constexpr std::size_t max_key_depth = 16;

// Whether `name` can name a key: 1 to 255 characters, no backslash, no line
// break, well-formed UTF-16.
bool is_valid_key_name(std::u16string_view name);
// Whether `name` can name a value: at most 255 characters, well-formed UTF-16.
bool is_valid_value_name(std::u16string_view name);

// Whether a REG_SZ value's bytes are reproduced exactly by the quoted form.
bool has_plain_string_form(std::span<BYTE const> data);

// The UTF-16 code units of little-endian bytes (an odd last byte is dropped),
// and back.
std::u16string utf16le_units(std::span<BYTE const> data);
std::vector<BYTE> utf16le_bytes(std::u16string_view units);

}
