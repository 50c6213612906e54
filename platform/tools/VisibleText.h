// What the device's tools print of typed or stored text: control characters
// (C0, DEL, and C1 in UTF-8) as visible escapes, so that no name, path or
// argument can drive the terminal.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace platform::tools {

// "\x1B" for ESC, "\u0085" for NEL; everything else as it is.
inline std::string visible(std::string_view text)
{
    std::string out;
    char escape[8];
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto const c = static_cast<unsigned char>(text[i]);
        auto const next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c < 0x20 || c == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            out += escape;
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            std::snprintf(escape, sizeof escape, "\\u%04X", next);
            out += escape;
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}
