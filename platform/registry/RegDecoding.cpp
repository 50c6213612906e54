// The bytes of a .reg file as text: the byte-order marks, strict UTF-8, and
// the code page of REGEDIT4 files.
#include "registry/RegDecoding.h"

#include "text/Utf.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <initializer_list>
#include <optional>

namespace platform::registry {

static std::optional<std::u16string> decode_utf8_strictly(std::string_view bytes)
{
    if (bytes.empty())
        return std::u16string();
    if (bytes.size() > INT32_MAX)
        return std::nullopt;
    std::u16string text(bytes.size(), u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(reinterpret_cast<UChar*>(text.data()), static_cast<int32_t>(text.size()), &length, bytes.data(),
                  static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status))
        return std::nullopt;
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::u16string decode_ansi(std::string_view bytes)
{
    if (auto text = decode_utf8_strictly(bytes))
        return *text;
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open("windows-1252", &status);
    if (U_FAILURE(status))
        return platform::text::to_utf16(bytes);
    std::u16string text(bytes.size() + 1, u'\0');
    int32_t length = ucnv_toUChars(converter, reinterpret_cast<UChar*>(text.data()), static_cast<int32_t>(text.size()),
                                   bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    ucnv_close(converter);
    if (U_FAILURE(status))
        return platform::text::to_utf16(bytes);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

Result<std::u16string> decode_reg_bytes(std::span<BYTE const> bytes)
{
    auto starts_with = [&](std::initializer_list<BYTE> prefix) {
        return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
    };
    if (starts_with({ 0xFF, 0xFE }) || starts_with({ 0xFE, 0xFF })) {
        bool little = bytes[0] == 0xFF;
        if (bytes.size() % 2 != 0)
            return Error { "the UTF-16 text ends in half a character", EINVAL };
        std::u16string text((bytes.size() - 2) / 2, u'\0');
        for (std::size_t i = 0; i < text.size(); ++i) {
            BYTE a = bytes[2 + 2 * i], b = bytes[3 + 2 * i];
            text[i] = static_cast<char16_t>(little ? (a | (b << 8)) : ((a << 8) | b));
        }
        return text;
    }
    std::string_view raw(reinterpret_cast<char const*>(bytes.data()), bytes.size());
    if (starts_with({ 0xEF, 0xBB, 0xBF }))
        raw.remove_prefix(3);
    if (raw.starts_with("REGEDIT4"))
        return decode_ansi(raw);
    if (auto text = decode_utf8_strictly(raw))
        return std::move(*text);
    // Name the line that holds the first bad byte.
    std::size_t line = 1;
    for (std::size_t i = 0; i < raw.size();) {
        auto const step = platform::text::decode_utf8_at(raw, i);
        if (step.kind != platform::text::Utf8Step::Kind::character)
            break;
        line += raw[i] == '\n';
        i += step.length;
    }
    return Error { "line " + std::to_string(line) + ": the text is not valid UTF-8", EILSEQ };
}

}
