// Escaping and cutting text for the terminal.
#include "text/TerminalText.h"

#include "text/Utf.h"

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

// Walks UTF-16 or UTF-8 text one character at a time, each ill-formed part
// (an unpaired surrogate, a broken UTF-8 sequence) as one U+FFFD.
struct Utf16Reader {
    std::u16string_view text;
    std::size_t position = 0;
    bool done() const { return position >= text.size(); }
    char32_t next()
    {
        auto const character = utf16_character_at(text, position);
        position += character.length;
        return is_surrogate(character.value) ? 0xFFFD : character.value;
    }
};

struct Utf8Reader {
    std::string_view text;
    std::size_t position = 0;
    bool done() const { return position >= text.size(); }
    char32_t next()
    {
        auto const step = decode_utf8_at(text, position);
        position += step.length;
        return step.kind == Utf8Step::Kind::character ? step.value : 0xFFFD;
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
    return excerpt(Utf8Reader { utf8 }, limit, true);
}

std::string excerpt_for_terminal(std::string_view utf8, std::size_t limit)
{
    return excerpt(Utf8Reader { utf8 }, limit, false);
}

std::string escape_terminal_controls(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    Utf8Reader reader { utf8 };
    while (!reader.done())
        append_escaped(out, reader.next(), false);
    return out;
}

std::string escape_terminal_controls_in_json(std::string_view json)
{
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

namespace {

template<typename Reader>
std::string replaced(Reader reader, std::size_t size, char replacement)
{
    std::string out;
    out.reserve(size);
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

std::string replace_terminal_controls(std::u16string_view text, char replacement)
{
    return replaced(Utf16Reader { text }, text.size(), replacement);
}

std::string replace_terminal_controls(std::string_view utf8, char replacement)
{
    return replaced(Utf8Reader { utf8 }, utf8.size(), replacement);
}

}
