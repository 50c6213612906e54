// Escaping and cutting text for the terminal.
#include "text/TerminalText.h"

#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <cstdio>

namespace platform::text {

bool is_terminal_control(char32_t c)
{
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
        return true;
    switch (c) {
    case 0x061C: // ARABIC LETTER MARK
    case 0x200E: // LEFT-TO-RIGHT MARK
    case 0x200F: // RIGHT-TO-LEFT MARK
        return true;
    default:
        break;
    }
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

namespace {

void append_utf8(std::string& out, char32_t c)
{
    char buffer[4];
    int32_t length = 0;
    UBool error = false;
    U8_APPEND(reinterpret_cast<uint8_t*>(buffer), length, 4, static_cast<UChar32>(c), error);
    if (error)
        out += "\xEF\xBF\xBD";
    else
        out.append(buffer, static_cast<std::size_t>(length));
}

void append_escaped(std::string& out, char32_t c, bool quoting)
{
    if (quoting && (c == U'\\' || c == U'"')) {
        out += '\\';
        out += static_cast<char>(c);
        return;
    }
    if (!is_terminal_control(c)) {
        append_utf8(out, c);
        return;
    }
    char buffer[16];
    switch (c) {
    case U'\n':
        out += "\\n";
        return;
    case U'\r':
        out += "\\r";
        return;
    case U'\t':
        out += "\\t";
        return;
    default:
        break;
    }
    if (c < 0x80)
        std::snprintf(buffer, sizeof buffer, "\\x%02X", static_cast<unsigned>(c));
    else
        std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
    out += buffer;
}

// Walks UTF-16 or UTF-8 text one code point at a time, ill-formed parts as U+FFFD.
struct Utf16Reader {
    std::u16string_view text;
    std::size_t position = 0;
    bool done() const { return position >= text.size(); }
    char32_t next()
    {
        UChar32 c = 0;
        U16_NEXT(text.data(), position, text.size(), c);
        return U_IS_SURROGATE(c) ? 0xFFFD : static_cast<char32_t>(c);
    }
};

struct Utf8Reader {
    std::string_view text;
    int32_t position = 0;
    bool done() const { return static_cast<std::size_t>(position) >= text.size(); }
    char32_t next()
    {
        UChar32 c = 0;
        U8_NEXT(text.data(), position, static_cast<int32_t>(text.size()), c);
        return c < 0 ? 0xFFFD : static_cast<char32_t>(c);
    }
};

// The text, quoted or not, cut at `limit` characters with the mark of the cut.
template<typename Reader>
std::string excerpt(Reader reader, std::size_t limit, bool quoting)
{
    std::string out = quoting ? "\"" : "";
    std::size_t shown = 0;
    while (!reader.done() && shown < limit) {
        append_escaped(out, reader.next(), quoting);
        ++shown;
    }
    if (quoting)
        out += '"';
    if (!reader.done()) {
        // Counting the rest reads it, but writes nothing more.
        std::size_t total = shown;
        while (!reader.done()) {
            reader.next();
            ++total;
        }
        out += "\xE2\x80\xA6 (" + std::to_string(total) + " characters)";
    }
    return out;
}

}

std::string quote_for_terminal(std::u16string_view text, std::size_t limit)
{
    return excerpt(Utf16Reader { text }, limit, true);
}

std::string quote_for_terminal(std::string_view utf8, std::size_t limit)
{
    if (utf8.size() > INT32_MAX)
        utf8 = utf8.substr(0, INT32_MAX);
    return excerpt(Utf8Reader { utf8 }, limit, true);
}

std::string excerpt_for_terminal(std::string_view utf8, std::size_t limit)
{
    if (utf8.size() > INT32_MAX)
        utf8 = utf8.substr(0, INT32_MAX);
    return excerpt(Utf8Reader { utf8 }, limit, false);
}

std::string escape_terminal_controls(std::string_view utf8)
{
    if (utf8.size() > INT32_MAX)
        utf8 = utf8.substr(0, INT32_MAX);
    std::string out;
    out.reserve(utf8.size());
    Utf8Reader reader { utf8 };
    while (!reader.done())
        append_escaped(out, reader.next(), false);
    return out;
}

std::string escape_terminal_controls_in_json(std::string_view json)
{
    if (json.size() > INT32_MAX)
        json = json.substr(0, INT32_MAX);
    std::string out;
    out.reserve(json.size());
    Utf8Reader reader { json };
    while (!reader.done()) {
        char32_t const c = reader.next();
        if (c >= 0x7F && is_terminal_control(c)) {
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
            out += buffer;
        } else {
            append_utf8(out, c);
        }
    }
    return out;
}

std::string replace_terminal_controls(std::u16string_view text, char replacement)
{
    std::string out;
    out.reserve(text.size());
    Utf16Reader reader { text };
    while (!reader.done()) {
        char32_t const c = reader.next();
        if (is_terminal_control(c))
            out += replacement;
        else
            append_utf8(out, c);
    }
    return out;
}

}
