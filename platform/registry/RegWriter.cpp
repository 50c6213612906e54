// The .reg writer: a tree, or one key of it, as the text RegFile.h describes,
// streamed to a sink in pieces of a few kilobytes.
#include "registry/RegFile.h"

#include "text/Utf.h"
#include "winreg.h"

#include <cstdio>

namespace platform::registry {

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
        m_out += reg_header_v5;
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
        auto units = utf16le_units(value.data);
        auto end = units.find(u'\0');
        if (end == 0 || end == std::u16string::npos)
            return;
        std::u16string_view text(units.data(), end);
        if (!has_plain_string_form(utf16le_bytes(std::u16string(text) + u'\0')))
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
            auto units = utf16le_units(value.data);
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
            auto const bytes = utf16le_bytes(m_out);
            m_sink.write(reinterpret_cast<char const*>(bytes.data()), bytes.size());
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
