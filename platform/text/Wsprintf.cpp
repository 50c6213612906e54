// wsprintfW and wvsprintfW: COREDLL's printf for wide text, bounded by its
// documented 1024-character output buffer.
#include "windows.h"

#include "text/Utf.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace {

// The documented size of the output buffer, in characters, terminator included.
constexpr std::size_t max_output = 1024;

// Widths and precisions beyond this are no different from it: the output
// cannot be longer anyway, and it keeps the arithmetic far from overflow.
constexpr std::size_t max_field = max_output;

// Collects the output; everything beyond the room of the buffer is dropped.
class BoundedOutput {
public:
    explicit BoundedOutput(WCHAR* buffer)
        : m_buffer(buffer)
    {
    }

    void put(WCHAR c)
    {
        if (m_length < max_output - 1)
            m_buffer[m_length++] = c;
        else
            m_truncated = true;
    }

    void put(std::u16string_view text)
    {
        for (WCHAR c : text)
            put(c);
    }

    void put_repeated(WCHAR c, std::size_t count)
    {
        for (std::size_t i = 0; i < count && !m_truncated; ++i)
            put(c);
    }

    // Terminates the text and gives its length. A cut that would leave half of
    // a surrogate pair at the end drops that half too.
    int finish()
    {
        if (m_truncated && m_length > 0 && platform::text::is_high_surrogate(m_buffer[m_length - 1]))
            --m_length;
        m_buffer[m_length] = u'\0';
        return static_cast<int>(m_length);
    }

private:
    WCHAR* m_buffer;
    std::size_t m_length = 0;
    bool m_truncated = false;
};

enum class ArgumentSize {
    standard, // no prefix: int, and for c and s the wide form
    narrow,   // h: short, and for c and s the narrow form
    wide,     // l or w: long (32 bits on the device), and for c and s the wide form
    int32,    // I32
    int64,    // I64
    pointer,  // I: pointer-sized
};

struct Conversion {
    bool left_align = false;
    bool hex_prefix = false;
    bool zero_pad = false;
    std::size_t width = 0;
    std::optional<std::size_t> precision;
    ArgumentSize size = ArgumentSize::standard;
};

bool is_digit(WCHAR c)
{
    return c >= u'0' && c <= u'9';
}

std::size_t parse_number(WCHAR const*& p)
{
    std::size_t value = 0;
    for (; is_digit(*p); ++p)
        value = std::min(max_field, value * 10 + static_cast<std::size_t>(*p - u'0'));
    return value;
}

// The flags come in the documented order only: -, then #, then 0.
Conversion parse_conversion(WCHAR const*& p)
{
    Conversion conversion;
    if (*p == u'-') {
        conversion.left_align = true;
        ++p;
    }
    if (*p == u'#') {
        conversion.hex_prefix = true;
        ++p;
    }
    if (*p == u'0') {
        conversion.zero_pad = true;
        ++p;
    }
    conversion.width = parse_number(p);
    if (*p == u'.') {
        ++p;
        conversion.precision = parse_number(p);
    }
    if (*p == u'h') {
        conversion.size = ArgumentSize::narrow;
        ++p;
    } else if (*p == u'l' || *p == u'w') {
        conversion.size = ArgumentSize::wide;
        ++p;
    } else if (*p == u'I') {
        if (p[1] == u'6' && p[2] == u'4') {
            conversion.size = ArgumentSize::int64;
            p += 3;
        } else if (p[1] == u'3' && p[2] == u'2') {
            conversion.size = ArgumentSize::int32;
            p += 3;
        } else {
            conversion.size = ArgumentSize::pointer;
            ++p;
        }
    }
    return conversion;
}

void put_padded(BoundedOutput& out, Conversion const& conversion, std::u16string_view text)
{
    std::size_t const padding = conversion.width > text.size() ? conversion.width - text.size() : 0;
    if (!conversion.left_align)
        out.put_repeated(u' ', padding);
    out.put(text);
    if (conversion.left_align)
        out.put_repeated(u' ', padding);
}

// A string argument, read no further than the precision allows.
std::u16string_view wide_argument(WCHAR const* s, Conversion const& conversion)
{
    if (!s)
        s = u"(null)";
    std::size_t const limit = conversion.precision.value_or(SIZE_MAX);
    std::size_t length = 0;
    while (length < limit && s[length])
        ++length;
    return { s, length };
}

// How many bytes of a UTF-8 argument to take: up to the terminator, and no
// further than `limit` bytes. A narrow string's precision counts its own
// characters, bytes, so every read stays within the precision; a character
// whose sequence the precision cuts is left out whole.
std::size_t utf8_prefix_length(char const* s, std::size_t limit)
{
    std::size_t length = 0;
    while (length < limit && s[length])
        ++length;
    if (length < limit)
        return length; // ended by the terminator: nothing was cut
    // Step back over a sequence that the limit cut short.
    std::size_t start = length;
    while (start > 0 && (static_cast<unsigned char>(s[start - 1]) & 0xC0) == 0x80 && length - start < 3)
        --start;
    if (start > 0) {
        auto const lead = static_cast<unsigned char>(s[start - 1]);
        std::size_t const size = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (size > 1 && length - (start - 1) < size)
            return start - 1;
    }
    return length;
}

// A UTF-8 string argument, read no further than the precision allows.
std::u16string narrow_argument(char const* s, Conversion const& conversion)
{
    if (!s)
        return std::u16string(wide_argument(nullptr, conversion));
    std::size_t const length = conversion.precision ? utf8_prefix_length(s, *conversion.precision) : std::strlen(s);
    return platform::text::to_utf16(std::string_view(s, length));
}

struct Number {
    bool negative = false;
    std::uint64_t magnitude = 0;
};

Number signed_argument(va_list& args, ArgumentSize size)
{
    std::int64_t value = 0;
    switch (size) {
    case ArgumentSize::int64:
        value = va_arg(args, long long);
        break;
    case ArgumentSize::pointer:
        value = va_arg(args, std::intptr_t);
        break;
    case ArgumentSize::narrow:
        value = static_cast<std::int16_t>(va_arg(args, int));
        break;
    default:
        value = static_cast<std::int32_t>(va_arg(args, int));
        break;
    }
    Number number;
    number.negative = value < 0;
    number.magnitude = number.negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    return number;
}

Number unsigned_argument(va_list& args, ArgumentSize size)
{
    Number number;
    switch (size) {
    case ArgumentSize::int64:
        number.magnitude = va_arg(args, unsigned long long);
        break;
    case ArgumentSize::pointer:
        number.magnitude = va_arg(args, std::uintptr_t);
        break;
    case ArgumentSize::narrow:
        number.magnitude = static_cast<std::uint16_t>(va_arg(args, unsigned));
        break;
    default:
        number.magnitude = static_cast<std::uint32_t>(va_arg(args, unsigned));
        break;
    }
    return number;
}

// Precision is the minimum number of digits (at least one); '0' pads with
// zeros between the sign or 0x prefix and the digits; '-' cancels '0'.
void put_number(BoundedOutput& out, Conversion const& conversion, Number number, unsigned base, bool upper)
{
    char16_t const* const digit_set = upper ? u"0123456789ABCDEF" : u"0123456789abcdef";
    std::u16string digits;
    for (std::uint64_t rest = number.magnitude; rest != 0; rest /= base)
        digits.insert(digits.begin(), digit_set[rest % base]);
    std::size_t const precision = std::max<std::size_t>(1, conversion.precision.value_or(1));
    if (digits.size() < precision)
        digits.insert(0, precision - digits.size(), u'0');

    std::u16string prefix;
    if (number.negative)
        prefix = u"-";
    if (conversion.hex_prefix && base == 16)
        prefix += upper ? u"0X" : u"0x";

    std::size_t const length = prefix.size() + digits.size();
    std::size_t const padding = conversion.width > length ? conversion.width - length : 0;
    if (conversion.left_align) {
        out.put(prefix);
        out.put(digits);
        out.put_repeated(u' ', padding);
    } else if (conversion.zero_pad) {
        out.put(prefix);
        out.put_repeated(u'0', padding);
        out.put(digits);
    } else {
        out.put_repeated(u' ', padding);
        out.put(prefix);
        out.put(digits);
    }
}

// A character argument; a zero character is ignored, as the documentation
// says of the sized forms, so that no terminator lands inside the text.
void put_character(BoundedOutput& out, Conversion const& conversion, int argument, bool narrow)
{
    std::u16string text;
    if (narrow) {
        char const byte = static_cast<char>(argument);
        if (byte != '\0')
            text = platform::text::to_utf16(std::string_view(&byte, 1));
    } else if (static_cast<WCHAR>(argument) != u'\0') {
        text.assign(1, static_cast<WCHAR>(argument));
    }
    put_padded(out, conversion, text);
}

int format(WCHAR* buffer, WCHAR const* format_text, va_list& args)
{
    BoundedOutput out(buffer);
    WCHAR const* p = format_text;
    while (*p) {
        if (*p != u'%') {
            out.put(*p++);
            continue;
        }
        ++p;
        Conversion const conversion = parse_conversion(p);
        WCHAR const type = *p;
        if (type == u'\0')
            break; // a '%' at the very end produces nothing
        ++p;
        bool const narrow = conversion.size == ArgumentSize::narrow;
        switch (type) {
        case u'c':
            put_character(out, conversion, va_arg(args, int), narrow);
            break;
        case u'C':
            put_character(out, conversion, va_arg(args, int), conversion.size != ArgumentSize::wide);
            break;
        case u's':
            if (narrow)
                put_padded(out, conversion, narrow_argument(va_arg(args, char const*), conversion));
            else
                put_padded(out, conversion, wide_argument(va_arg(args, WCHAR const*), conversion));
            break;
        case u'S':
            if (conversion.size == ArgumentSize::wide)
                put_padded(out, conversion, wide_argument(va_arg(args, WCHAR const*), conversion));
            else
                put_padded(out, conversion, narrow_argument(va_arg(args, char const*), conversion));
            break;
        case u'd':
        case u'i':
            put_number(out, conversion, signed_argument(args, conversion.size), 10, false);
            break;
        case u'u':
            put_number(out, conversion, unsigned_argument(args, conversion.size), 10, false);
            break;
        case u'x':
        case u'X':
            put_number(out, conversion, unsigned_argument(args, conversion.size), 16, type == u'X');
            break;
        case u'p': {
            // A pointer is all of its hexadecimal digits, upper case.
            Conversion pointer_conversion = conversion;
            pointer_conversion.precision = std::max<std::size_t>(conversion.precision.value_or(0), 2 * sizeof(void*));
            put_number(out, pointer_conversion, unsigned_argument(args, ArgumentSize::pointer), 16, true);
            break;
        }
        default:
            // Not a conversion: the flags and width are dropped and the
            // character itself is copied, so "%%" gives "%".
            out.put(type);
            break;
        }
    }
    return out.finish();
}

}

int WINAPI wvsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, va_list arglist)
{
    if (!lpOut) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!lpFmt) {
        lpOut[0] = u'\0';
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    va_list args;
    va_copy(args, arglist);
    int const length = format(lpOut, lpFmt, args);
    va_end(args);
    return length;
}

int WINAPIV wsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, ...)
{
    va_list args;
    va_start(args, lpFmt);
    int const length = wvsprintfW(lpOut, lpFmt, args);
    va_end(args);
    return length;
}
