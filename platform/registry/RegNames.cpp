// The rules for key and value names, and REG_SZ data as UTF-16LE bytes.
#include "registry/RegNames.h"

namespace platform::registry {

static bool is_high_surrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
static bool is_low_surrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

static bool is_well_formed(std::u16string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (is_high_surrogate(text[i])) {
            if (i + 1 >= text.size() || !is_low_surrogate(text[i + 1]))
                return false;
            ++i;
        } else if (is_low_surrogate(text[i])) {
            return false;
        }
    }
    return true;
}

bool is_valid_key_name(std::u16string_view name)
{
    if (name.empty() || name.size() > max_name_length || !is_well_formed(name))
        return false;
    return name.find_first_of(std::u16string_view(u"\\\r\n\0", 4)) == std::u16string_view::npos;
}

bool is_valid_value_name(std::u16string_view name)
{
    return name.size() <= max_name_length && is_well_formed(name)
        && name.find(u'\0') == std::u16string_view::npos;
}

std::u16string utf16le_units(std::span<BYTE const> data)
{
    std::u16string units(data.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    return units;
}

std::vector<BYTE> utf16le_bytes(std::u16string_view units)
{
    std::vector<BYTE> bytes;
    bytes.reserve(units.size() * 2);
    for (char16_t c : units) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    return bytes;
}

bool has_plain_string_form(std::span<BYTE const> data)
{
    if (data.size() < 2 || data.size() % 2 != 0)
        return false;
    auto units = utf16le_units(data);
    if (units.back() != u'\0')
        return false;
    std::u16string_view text(units.data(), units.size() - 1);
    for (char16_t c : text) {
        if (c < 0x20 && c != u'\t')
            return false;
    }
    return is_well_formed(text);
}

}
