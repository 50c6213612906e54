// Conversion between the device's UTF-16 text and the host's UTF-8, for every
// place where the platform meets the host: files, arguments, terminals, JSON.
#pragma once

#include <string>
#include <string_view>

namespace platform::text {

// Ill-formed input (a lone surrogate, a broken UTF-8 sequence) becomes U+FFFD;
// the conversion itself never fails.
std::string to_utf8(std::u16string_view text);
std::u16string to_utf16(std::string_view text);

}
