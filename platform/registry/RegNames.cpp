// The rules for key and value names, and REG_SZ data as UTF-16LE bytes.
#include "registry/RegNames.h"

#include "text/Utf.h"

namespace platform::registry {

bool is_valid_key_name(std::u16string_view name)
{
    if (name.empty() || name.size() > max_name_length || !platform::text::is_well_formed_utf16(name))
        return false;
    return name.find_first_of(std::u16string_view(u"\\\r\n\0", 4)) == std::u16string_view::npos;
}

bool is_valid_value_name(std::u16string_view name)
{
    return name.size() <= max_name_length && platform::text::is_well_formed_utf16(name)
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
    return platform::text::is_well_formed_utf16(text);
}

}
