// The .reg parser: a file's text, line by line, into what it asks for, handed
// to a sink as it is read. The syntax is described in RegFile.h.
#include "registry/RegFile.h"

#include "registry/RegDecoding.h"
#include "text/TerminalText.h"
#include "winreg.h"

#include <cerrno>
#include <optional>

namespace platform::registry {

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

    Result<void> run()
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
        return {};
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
        m_error = "line " + std::to_string(line) + ": " + std::move(message);
        return false;
    }

    Error failed() { return Error { std::move(m_error), EINVAL }; }

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
        if (header == reg_header_v5)
            m_flavor = Flavor::Version5;
        else if (header == reg_header_v4)
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
            edit.data = utf16le_bytes(text);
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
                edit.data = utf16le_bytes(decode_ansi(ansi));
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
    std::string m_error; // the first line not understood, in words
};

}

Result<void> parse_reg_file(std::span<BYTE const> bytes, RegFileUse use, RegFileSink& sink)
{
    auto decoded = decode_reg_bytes(bytes);
    if (!decoded)
        return decoded.error();
    return Parser(*decoded, use, sink).run();
}

}
