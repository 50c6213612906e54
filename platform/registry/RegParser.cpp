// The .reg text syntax: parsing a whole file into edits, and writing a tree
// back out. The syntax itself is described at the top of RegistryStore.cpp.
#include "registry/RegFile.h"

#include "text/TerminalText.h"
#include "text/Utf.h"
#include "winreg.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace platform::registry {

static constexpr std::u16string_view header_v5 = u"Windows Registry Editor Version 5.00";
static constexpr std::u16string_view header_v4 = u"REGEDIT4";

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

static std::u16string units_of(std::span<BYTE const> data)
{
    std::u16string units(data.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    return units;
}

static std::vector<BYTE> bytes_of(std::u16string_view units)
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
    auto units = units_of(data);
    if (units.back() != u'\0')
        return false;
    std::u16string_view text(units.data(), units.size() - 1);
    for (char16_t c : text) {
        if (c < 0x20 && c != u'\t')
            return false;
    }
    return is_well_formed(text);
}

// ---------------------------------------------------------------------------
// Decoding the file's bytes

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

// REGEDIT4 files are in the Windows "ANSI" code page; a file written on Linux
// is more likely UTF-8, which is tried first.
static std::u16string decode_ansi(std::string_view bytes)
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

struct DecodedText {
    std::u16string text;
    std::string error;
    int error_line = 0;
};

static DecodedText decode_file(std::span<BYTE const> bytes)
{
    auto starts_with = [&](std::initializer_list<BYTE> prefix) {
        return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
    };
    if (starts_with({ 0xFF, 0xFE }) || starts_with({ 0xFE, 0xFF })) {
        bool little = bytes[0] == 0xFF;
        if (bytes.size() % 2 != 0)
            return { {}, "the UTF-16 text ends in half a character" };
        std::u16string text((bytes.size() - 2) / 2, u'\0');
        for (std::size_t i = 0; i < text.size(); ++i) {
            BYTE a = bytes[2 + 2 * i], b = bytes[3 + 2 * i];
            text[i] = static_cast<char16_t>(little ? (a | (b << 8)) : ((a << 8) | b));
        }
        return { std::move(text), {} };
    }
    std::string_view raw(reinterpret_cast<char const*>(bytes.data()), bytes.size());
    if (starts_with({ 0xEF, 0xBB, 0xBF }))
        raw.remove_prefix(3);
    if (raw.starts_with("REGEDIT4"))
        return { decode_ansi(raw), {} };
    if (auto text = decode_utf8_strictly(raw))
        return { std::move(*text), {} };
    // Name the line that holds the first bad byte.
    std::size_t line = 1;
    for (int32_t i = 0, length = static_cast<int32_t>(std::min<std::size_t>(raw.size(), INT32_MAX)); i < length;) {
        int32_t start = i;
        UChar32 c = 0;
        U8_NEXT(raw.data(), i, length, c);
        if (c < 0)
            break;
        line += raw[static_cast<std::size_t>(start)] == '\n';
    }
    return { {}, "line " + std::to_string(line) + ": the text is not valid UTF-8", static_cast<int>(line) };
}

// ---------------------------------------------------------------------------
// Parsing

namespace {

enum class Flavor { Version5, Regedit4 };

class Parser {
public:
    Parser(std::u16string_view text, RegFileUse use, RegFileSink& sink)
        : m_use(use)
        , m_sink(sink)
    {
        std::size_t start = 0;
        for (std::size_t i = 0; i <= text.size(); ++i) {
            if (i == text.size() && start == i && start > 0)
                break; // the break ending the last line starts no new one
            if (i == text.size() || text[i] == u'\n' || text[i] == u'\r') {
                m_lines.push_back(text.substr(start, i - start));
                if (i + 1 < text.size() && text[i] == u'\r' && text[i + 1] == u'\n')
                    ++i;
                start = i + 1;
            }
        }
    }

    RegFileParse run()
    {
        if (!parse_header())
            return failed();
        while (m_index < m_lines.size()) {
            std::size_t line_number = m_index + 1;
            auto line = trim_left(m_lines[m_index++]);
            if (line.find(u'\0') != std::u16string_view::npos) {
                fail(line_number, "a NUL character in the text");
                return failed();
            }
            bool ok = true;
            if (line.empty() || line[0] == u';' || line[0] == u'#')
                continue;
            if (line[0] == u'[')
                ok = parse_key_line(line, line_number);
            else if (line[0] == u'"' || line[0] == u'@')
                ok = parse_value_line(line, line_number);
            else
                ok = fail(line_number, "expected a [KEY] line or a \"Name\"=value line");
            if (!ok)
                return failed();
        }
        return std::move(m_result);
    }

private:
    static std::u16string_view trim_left(std::u16string_view s)
    {
        while (!s.empty() && (s[0] == u' ' || s[0] == u'\t'))
            s.remove_prefix(1);
        return s;
    }

    static std::u16string_view trim_right(std::u16string_view s)
    {
        while (!s.empty() && (s.back() == u' ' || s.back() == u'\t'))
            s.remove_suffix(1);
        return s;
    }

    bool fail(std::size_t line, std::string message)
    {
        m_result.error_line = static_cast<int>(line);
        m_result.error = "line " + std::to_string(line) + ": " + std::move(message);
        return false;
    }

    RegFileParse failed()
    {
        return std::move(m_result);
    }

    bool parse_header()
    {
        // Blank lines before the header are tolerated; nothing else is.
        while (m_index < m_lines.size() && trim_right(m_lines[m_index]).empty())
            ++m_index;
        if (m_index >= m_lines.size())
            return fail(1, "the file is empty: the header \"Windows Registry Editor Version 5.00\" is missing");
        auto header = trim_right(m_lines[m_index]);
        if (!header.empty() && header[0] == u'\uFEFF')
            header.remove_prefix(1);
        ++m_index;
        if (header == header_v5)
            m_flavor = Flavor::Version5;
        else if (header == header_v4)
            m_flavor = Flavor::Regedit4;
        else
            return fail(m_index, "the header must be \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\"");
        return true;
    }

    bool parse_key_line(std::u16string_view line, std::size_t number)
    {
        auto trimmed = trim_right(line);
        if (trimmed.size() < 2 || trimmed.back() != u']')
            return fail(number, "a key line must end with ']'");
        auto inner = trimmed.substr(1, trimmed.size() - 2);
        bool deletion = !inner.empty() && inner[0] == u'-';
        if (deletion) {
            if (m_use == RegFileUse::Store)
                return fail(number, "a key deletion ([-KEY]) has no place in the registry's own file");
            inner.remove_prefix(1);
        }
        KeyPath path;
        std::size_t start = 0;
        for (std::size_t i = 0; i <= inner.size(); ++i) {
            if (i == inner.size() || inner[i] == u'\\') {
                path.emplace_back(inner.substr(start, i - start));
                start = i + 1;
            }
        }
        auto root = canonical_root_name(path[0], false);
        if (root.empty())
            return fail(number, "unknown root key " + platform::text::quote_for_terminal(path[0])
                                    + " (expected HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT or HKEY_USERS)");
        path[0] = root;
        for (std::size_t i = 1; i < path.size(); ++i) {
            if (path[i].empty())
                return fail(number, "empty key name in the path");
            if (!is_valid_key_name(path[i]))
                return fail(number, "invalid key name " + platform::text::quote_for_terminal(path[i])
                                        + " (at most 255 characters of well-formed text, no line break)");
        }
        if (path.size() - 1 > max_key_depth)
            return fail(number, "the key is nested more than 16 levels deep");
        if (deletion && path.size() == 1)
            return fail(number, "a root key cannot be deleted");
        m_key_deleted = deletion;
        m_have_key = true;
        m_sink.key(path, deletion, static_cast<int>(number));
        return true;
    }

    // A quoted string starting at line[pos] == '"'; leaves pos after the closing quote.
    bool parse_quoted(std::u16string_view line, std::size_t& pos, std::u16string& out, std::size_t number)
    {
        ++pos;
        while (pos < line.size()) {
            char16_t c = line[pos++];
            if (c == u'"')
                return true;
            if (c != u'\\') {
                out += c;
                continue;
            }
            if (pos >= line.size())
                break;
            char16_t e = line[pos++];
            switch (e) {
            case u'\\':
            case u'"':
                out += e;
                break;
            case u'n':
                out += u'\n';
                break;
            case u'r':
                out += u'\r';
                break;
            default:
                return fail(number, "unknown escape " + platform::text::quote_for_terminal(std::u16string { u'\\', e })
                                        + " in a quoted string (write \\\\ for a backslash, \\\" for a quote)");
            }
        }
        return fail(number, "a quoted string is not closed on its line");
    }

    bool expect_line_end(std::u16string_view line, std::size_t pos, std::size_t number)
    {
        auto rest = trim_left(line.substr(pos));
        if (rest.empty() || rest[0] == u';')
            return true;
        return fail(number, "unexpected text after the value");
    }

    static int hex_digit(char16_t c)
    {
        if (c >= u'0' && c <= u'9')
            return c - u'0';
        if (c >= u'a' && c <= u'f')
            return c - u'a' + 10;
        if (c >= u'A' && c <= u'F')
            return c - u'A' + 10;
        return -1;
    }

    static bool starts_with_nocase(std::u16string_view s, std::u16string_view prefix)
    {
        if (s.size() < prefix.size())
            return false;
        for (std::size_t i = 0; i < prefix.size(); ++i) {
            char16_t c = s[i];
            if (c >= u'A' && c <= u'Z')
                c = static_cast<char16_t>(c - u'A' + u'a');
            if (c != prefix[i])
                return false;
        }
        return true;
    }

    // Up to `max_digits` hex digits at line[pos]; at least one.
    static std::optional<DWORD> read_hex_number(std::u16string_view line, std::size_t& pos, std::size_t max_digits)
    {
        DWORD value = 0;
        std::size_t digits = 0;
        while (pos < line.size() && hex_digit(line[pos]) >= 0) {
            if (++digits > max_digits)
                return std::nullopt;
            value = value << 4 | static_cast<DWORD>(hex_digit(line[pos++]));
        }
        if (digits == 0)
            return std::nullopt;
        return value;
    }

    // Comma-separated bytes, continued onto the next line after a trailing backslash.
    bool parse_hex_bytes(std::u16string_view line, std::size_t pos, std::vector<BYTE>& out, std::size_t number)
    {
        bool expect_byte = true;
        for (;;) {
            bool continued = false;
            while (pos < line.size()) {
                char16_t c = line[pos];
                if (c == u' ' || c == u'\t') {
                    ++pos;
                    continue;
                }
                if (c == u'\\' && trim_left(line.substr(pos + 1)).empty()) {
                    continued = true;
                    break;
                }
                if (c == u';')
                    break;
                if (expect_byte) {
                    auto byte = read_hex_number(line, pos, 2);
                    if (!byte)
                        return fail(number, "expected a hex byte (two hex digits) in the hex data");
                    out.push_back(static_cast<BYTE>(*byte));
                    expect_byte = false;
                } else if (c == u',') {
                    ++pos;
                    expect_byte = true;
                } else {
                    return fail(number, "expected ',' between the hex bytes");
                }
            }
            if (!continued)
                return true;
            // Comment lines inside the continuation are skipped; the next
            // real line must go on with a byte.
            for (;;) {
                if (m_index >= m_lines.size())
                    return fail(number, "the hex data ends with '\\' but no line follows");
                number = m_index + 1;
                line = trim_left(m_lines[m_index++]);
                if (!line.empty() && line[0] == u';')
                    continue;
                break;
            }
            if (line.find(u'\0') != std::u16string_view::npos)
                return fail(number, "a NUL character in the text");
            if (line.empty() || hex_digit(line[0]) < 0)
                return fail(number, "a continued hex line must start with a hex byte");
            pos = 0;
            expect_byte = true;
        }
    }

    bool parse_value_line(std::u16string_view line, std::size_t number)
    {
        if (!m_have_key)
            return fail(number, "a value line before the first [KEY] line");
        if (m_key_deleted)
            return fail(number, "a value line under a key deletion ([-KEY])");
        RegFileEdit edit;
        std::size_t pos = 0;
        if (line[0] == u'@') {
            pos = 1;
        } else if (!parse_quoted(line, pos, edit.value_name, number)) {
            return false;
        }
        if (!is_valid_value_name(edit.value_name))
            return fail(number, "invalid value name (at most 255 characters of well-formed text)");
        while (pos < line.size() && (line[pos] == u' ' || line[pos] == u'\t'))
            ++pos;
        if (pos >= line.size() || line[pos] != u'=')
            return fail(number, "expected '=' after the value name");
        ++pos;
        while (pos < line.size() && (line[pos] == u' ' || line[pos] == u'\t'))
            ++pos;
        auto rest = line.substr(pos);

        if (!rest.empty() && rest[0] == u'"') {
            std::u16string text;
            if (!parse_quoted(line, pos, text, number) || !expect_line_end(line, pos, number))
                return false;
            text += u'\0';
            edit.kind = RegFileEdit::Kind::SetValue;
            edit.type = REG_SZ;
            edit.data = bytes_of(text);
        } else if (!rest.empty() && rest[0] == u'-') {
            if (m_use == RegFileUse::Store)
                return fail(number, "a value deletion (\"Name\"=-) has no place in the registry's own file");
            if (!expect_line_end(line, pos + 1, number))
                return false;
            edit.kind = RegFileEdit::Kind::DeleteValue;
        } else if (starts_with_nocase(rest, u"dword:")) {
            pos += 6;
            auto value = read_hex_number(line, pos, 8);
            if (!value)
                return fail(number, "dword: takes 1 to 8 hex digits");
            if (!expect_line_end(line, pos, number))
                return false;
            edit.kind = RegFileEdit::Kind::SetValue;
            edit.type = REG_DWORD;
            for (int shift = 0; shift < 32; shift += 8)
                edit.data.push_back(static_cast<BYTE>(*value >> shift));
        } else if (starts_with_nocase(rest, u"hex:") || starts_with_nocase(rest, u"hex(")) {
            DWORD type = REG_BINARY;
            if (rest[3] == u'(') {
                pos += 4;
                auto number_type = read_hex_number(line, pos, 8);
                if (!number_type || line.substr(pos, 2) != u"):")
                    return fail(number, "expected hex(TYPE): with TYPE in hex digits");
                type = *number_type;
                pos += 2;
            } else {
                pos += 4;
            }
            edit.kind = RegFileEdit::Kind::SetValue;
            edit.type = type;
            if (!parse_hex_bytes(line, pos, edit.data, number))
                return false;
            if (m_flavor == Flavor::Regedit4 && (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)) {
                // REGEDIT4 dumps strings as ANSI bytes.
                std::string ansi(edit.data.begin(), edit.data.end());
                edit.data = bytes_of(decode_ansi(ansi));
            }
        } else {
            return fail(number, "expected a value: \"text\", dword:, hex: or hex(TYPE):");
        }
        if (edit.kind == RegFileEdit::Kind::DeleteValue)
            m_sink.value_deletion(std::move(edit.value_name), static_cast<int>(number));
        else
            m_sink.value(std::move(edit.value_name), edit.type, std::move(edit.data), static_cast<int>(number));
        return true;
    }

    RegFileUse m_use;
    RegFileSink& m_sink;
    Flavor m_flavor = Flavor::Version5;
    std::vector<std::u16string_view> m_lines;
    std::size_t m_index = 0;
    bool m_have_key = false;
    bool m_key_deleted = false;
    RegFileParse m_result;
};

}

RegFileParse parse_reg_file(std::span<BYTE const> bytes, RegFileUse use, RegFileSink& sink)
{
    RegFileParse result;
    {
        auto decoded = decode_file(bytes);
        if (!decoded.error.empty()) {
            result.error = decoded.error;
            result.error_line = decoded.error_line;
            return result;
        }
        Parser parser(decoded.text, use, sink);
        result = parser.run();
    }
    return result;
}

namespace {

// Collects the edits with the path of their key, for files that are applied
// only once they have been read whole (imports).
class EditCollector final : public RegFileSink {
public:
    explicit EditCollector(std::vector<RegFileEdit>& edits)
        : m_edits(edits)
    {
    }

    void key(KeyPath const& path, bool deletion, int line) override
    {
        m_path = path;
        RegFileEdit edit;
        edit.kind = deletion ? RegFileEdit::Kind::DeleteKey : RegFileEdit::Kind::CreateKey;
        edit.path = path;
        edit.line = line;
        m_edits.push_back(std::move(edit));
    }

    void value(std::u16string name, DWORD type, std::vector<BYTE> data, int line) override
    {
        RegFileEdit edit;
        edit.kind = RegFileEdit::Kind::SetValue;
        edit.path = m_path;
        edit.value_name = std::move(name);
        edit.type = type;
        edit.data = std::move(data);
        edit.line = line;
        m_edits.push_back(std::move(edit));
    }

    void value_deletion(std::u16string name, int line) override
    {
        RegFileEdit edit;
        edit.kind = RegFileEdit::Kind::DeleteValue;
        edit.path = m_path;
        edit.value_name = std::move(name);
        edit.line = line;
        m_edits.push_back(std::move(edit));
    }

private:
    std::vector<RegFileEdit>& m_edits;
    KeyPath m_path;
};

// Builds the tree as the file is read: each key is found once per block, and
// its values go straight into it.
class TreeBuilder final : public RegFileSink {
public:
    explicit TreeBuilder(RegistryKey& tree)
        : m_tree(tree)
    {
    }

    void key(KeyPath const& path, bool deletion, int) override
    {
        m_key = nullptr;
        if (deletion) {
            std::span<std::u16string const> levels(path);
            if (RegistryKey* parent = m_tree.find_path(levels.first(levels.size() - 1)))
                parent->remove_subkey(levels.back());
            return;
        }
        RegistryKey* key = &m_tree;
        for (auto const& name : path) {
            bool created = false;
            key = &key->ensure_subkey(name, created);
        }
        m_key = key;
    }

    void value(std::u16string name, DWORD type, std::vector<BYTE> data, int) override
    {
        if (m_key)
            m_key->set_value(name, type, std::move(data));
    }

    void value_deletion(std::u16string name, int) override
    {
        if (m_key)
            m_key->remove_value(name);
    }

private:
    RegistryKey& m_tree;
    RegistryKey* m_key = nullptr; // good until the next key line changes the tree's shape
};

}

RegFileParse parse_reg_file(std::span<BYTE const> bytes, RegFileUse use)
{
    RegFileParse result;
    std::vector<RegFileEdit> edits;
    EditCollector collector(edits);
    result = parse_reg_file(bytes, use, collector);
    if (result.ok())
        result.edits = std::move(edits);
    return result;
}

RegFileParse parse_reg_tree(std::span<BYTE const> bytes, RegistryKey& tree)
{
    TreeBuilder builder(tree);
    return parse_reg_file(bytes, RegFileUse::Store, builder);
}

void apply_reg_edits(RegistryKey& tree, std::vector<RegFileEdit> const& edits)
{
    // Consecutive edits of one key find it once.
    TreeBuilder builder(tree);
    KeyPath const* current = nullptr;
    for (auto const& edit : edits) {
        bool const same_key = current && *current == edit.path;
        switch (edit.kind) {
        case RegFileEdit::Kind::CreateKey:
        case RegFileEdit::Kind::DeleteKey:
            builder.key(edit.path, edit.kind == RegFileEdit::Kind::DeleteKey, edit.line);
            current = edit.kind == RegFileEdit::Kind::CreateKey ? &edit.path : nullptr;
            break;
        case RegFileEdit::Kind::SetValue:
            if (!same_key) {
                builder.key(edit.path, false, edit.line);
                current = &edit.path;
            }
            builder.value(edit.value_name, edit.type, edit.data, edit.line);
            break;
        case RegFileEdit::Kind::DeleteValue:
            if (!same_key) {
                // A deletion creates nothing: find the key, if it is there.
                if (!tree.find_path(edit.path))
                    break;
                builder.key(edit.path, false, edit.line);
                current = &edit.path;
            }
            builder.value_deletion(edit.value_name, edit.line);
            break;
        }
    }
}

// ---------------------------------------------------------------------------
// Writing

namespace {

// Formats lines into a small buffer of UTF-16 text and hands the buffer,
// encoded, to the sink whenever a line ends with the buffer full enough.
class Writer {
public:
    Writer(RegFileEncoding encoding, RegTextSink& sink)
        : m_encoding(encoding)
        , m_eol(encoding == RegFileEncoding::Utf16Crlf ? u"\r\n" : u"\n")
        , m_sink(sink)
    {
        if (m_encoding == RegFileEncoding::Utf16Crlf)
            m_sink.write("\xFF\xFE", 2);
        m_out += header_v5;
        m_out += m_eol;
    }

    void write_key(RegistryKey const& key, KeyPath& path, bool include_self)
    {
        if (m_out.size() >= flush_size)
            flush();
        if (include_self) {
            m_out += m_eol;
            m_out += u'[';
            for (std::size_t i = 0; i < path.size(); ++i) {
                if (i)
                    m_out += u'\\';
                m_out += path[i];
            }
            m_out += u']';
            m_out += m_eol;
            for (auto const& value : key.values()) {
                write_value(value);
                if (m_out.size() >= flush_size)
                    flush();
            }
        }
        for (auto const& subkey : key.subkeys()) {
            path.push_back(subkey.name());
            write_key(subkey, path, true);
            path.pop_back();
        }
    }

    void finish()
    {
        m_out += m_eol;
        flush();
    }

private:
    void write_quoted(std::u16string_view text, bool escape_line_breaks)
    {
        m_out += u'"';
        for (char16_t c : text) {
            if (c == u'\\' || c == u'"') {
                m_out += u'\\';
                m_out += c;
            } else if (escape_line_breaks && c == u'\n') {
                m_out += u"\\n";
            } else if (escape_line_breaks && c == u'\r') {
                m_out += u"\\r";
            } else {
                m_out += c;
            }
        }
        m_out += u'"';
    }

    // A text value that has to be written in hex (the program's 255-byte
    // strings, say) gets its text in a comment above it, for the reader.
    void write_text_comment(RegistryValue const& value)
    {
        if ((value.type != REG_SZ && value.type != REG_EXPAND_SZ) || value.data.size() < 2)
            return;
        auto units = units_of(value.data);
        auto end = units.find(u'\0');
        if (end == 0 || end == std::u16string::npos)
            return;
        std::u16string_view text(units.data(), end);
        if (!has_plain_string_form(bytes_of(std::u16string(text) + u'\0')))
            return;
        m_out += u"; ";
        if (value.name.empty())
            m_out += u'@';
        else
            write_quoted(value.name, true);
        m_out += u" reads ";
        write_quoted(text, false);
        m_out += m_eol;
    }

    void write_value(RegistryValue const& value)
    {
        bool plain = value.type == REG_SZ && has_plain_string_form(value.data);
        // Only the store's own file carries comments; an export is what regedit writes.
        if (!plain && m_encoding == RegFileEncoding::Utf8Lf)
            write_text_comment(value);
        std::size_t line_start = m_out.size();
        if (value.name.empty())
            m_out += u'@';
        else
            write_quoted(value.name, true);
        m_out += u'=';
        char buffer[32];
        if (plain) {
            auto units = units_of(value.data);
            write_quoted(std::u16string_view(units).substr(0, units.size() - 1), false);
        } else if (value.type == REG_DWORD && value.data.size() == 4) {
            DWORD number = value.data[0] | value.data[1] << 8 | value.data[2] << 16 | static_cast<DWORD>(value.data[3]) << 24;
            std::snprintf(buffer, sizeof buffer, "dword:%08x", static_cast<unsigned>(number));
            append_ascii(buffer);
        } else {
            if (value.type == REG_BINARY)
                std::snprintf(buffer, sizeof buffer, "hex:");
            else
                std::snprintf(buffer, sizeof buffer, "hex(%x):", static_cast<unsigned>(value.type));
            append_ascii(buffer);
            write_hex(value.data, m_out.size() - line_start);
        }
        m_out += m_eol;
    }

    // Wrapped as regedit wraps: after the comma that brings a line to 77
    // characters or more, a backslash, a line break and two spaces.
    void write_hex(std::vector<BYTE> const& data, std::size_t column)
    {
        static constexpr char digits[] = "0123456789abcdef";
        for (std::size_t i = 0; i < data.size(); ++i) {
            m_out += static_cast<char16_t>(digits[data[i] >> 4]);
            m_out += static_cast<char16_t>(digits[data[i] & 0xF]);
            column += 2;
            if (i + 1 < data.size()) {
                m_out += u',';
                if (++column >= 77) {
                    m_out += u'\\';
                    m_out += m_eol;
                    m_out += u"  ";
                    column = 2;
                }
            }
        }
    }

    void append_ascii(char const* text)
    {
        while (*text)
            m_out += static_cast<char16_t>(*text++);
    }

    // Only ever called at the end of a line, so no surrogate pair is split.
    void flush()
    {
        if (m_encoding == RegFileEncoding::Utf8Lf) {
            std::string const bytes = platform::text::to_utf8(m_out);
            m_sink.write(bytes.data(), bytes.size());
        } else {
            std::string bytes;
            bytes.reserve(m_out.size() * 2);
            for (char16_t c : m_out) {
                bytes += static_cast<char>(c & 0xFF);
                bytes += static_cast<char>(c >> 8);
            }
            m_sink.write(bytes.data(), bytes.size());
        }
        m_out.clear();
    }

    static constexpr std::size_t flush_size = 16384;

    RegFileEncoding m_encoding;
    std::u16string_view m_eol;
    RegTextSink& m_sink;
    std::u16string m_out;
};

class StringSink final : public RegTextSink {
public:
    void write(char const* bytes, std::size_t size) override { text.append(bytes, size); }
    std::string text;
};

}

void write_reg_tree(RegistryKey const& tree, RegFileEncoding encoding, RegTextSink& sink)
{
    Writer writer(encoding, sink);
    for (auto const& root : tree.subkeys()) {
        KeyPath path { root.name() };
        writer.write_key(root, path, !root.values().empty());
    }
    writer.finish();
}

std::string format_reg_tree(RegistryKey const& tree, RegFileEncoding encoding)
{
    StringSink sink;
    write_reg_tree(tree, encoding, sink);
    return std::move(sink.text);
}

std::string format_reg_key(RegistryKey const& key, KeyPath const& path, RegFileEncoding encoding)
{
    StringSink sink;
    Writer writer(encoding, sink);
    KeyPath copy = path;
    writer.write_key(key, copy, true);
    writer.finish();
    return std::move(sink.text);
}

}
