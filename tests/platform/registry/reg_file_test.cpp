// The .reg text syntax: what the writer produces, that every value comes back
// byte for byte, which hand-written forms are read, and which files are refused
// (with the line that is wrong).
#include "registry/RegFile.h"

#include "winreg.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace platform::registry;

namespace {

std::vector<BYTE> utf16_bytes(std::u16string const& text)
{
    std::vector<BYTE> bytes(text.size() * 2);
    std::memcpy(bytes.data(), text.data(), bytes.size());
    return bytes;
}

std::span<BYTE const> span_of(std::string const& text)
{
    return { reinterpret_cast<BYTE const*>(text.data()), text.size() };
}

RegistryKey tree_from(std::string const& text, RegFileUse use = RegFileUse::Store)
{
    auto parsed = parse_reg_file(span_of(text), use);
    EXPECT_TRUE(parsed.has_value()) << parsed.error().message;
    RegistryKey tree = make_empty_tree();
    if (parsed)
        apply_reg_edits(tree, *parsed);
    return tree;
}

KeyPath const test_key { u"HKEY_LOCAL_MACHINE", u"Software", u"Test" };

RegistryKey one_value_tree(std::u16string const& name, DWORD type, std::vector<BYTE> const& data)
{
    RegistryKey tree = make_empty_tree();
    bool created = false;
    RegistryKey* key = &tree;
    for (auto const& level : test_key)
        key = &key->ensure_subkey(level, created);
    key->set_value(name, type, data);
    return tree;
}

// The lines below the header, with LF line ends.
std::string body_of(RegistryKey const& tree)
{
    auto text = format_reg_tree(tree, RegFileEncoding::Utf8Lf);
    auto header = std::string("Windows Registry Editor Version 5.00\n");
    EXPECT_EQ(text.substr(0, header.size()), header);
    return text.substr(header.size());
}

void expect_same_tree(RegistryKey const& a, RegistryKey const& b, std::string const& where)
{
    EXPECT_EQ(a.name(), b.name()) << where;
    ASSERT_EQ(a.values().size(), b.values().size()) << where;
    for (std::size_t i = 0; i < a.values().size(); ++i) {
        EXPECT_EQ(a.values()[i].name, b.values()[i].name) << where << " value " << i;
        EXPECT_EQ(a.values()[i].type, b.values()[i].type) << where << " value " << i;
        EXPECT_EQ(a.values()[i].data, b.values()[i].data) << where << " value " << i;
    }
    ASSERT_EQ(a.subkeys().size(), b.subkeys().size()) << where;
    for (std::size_t i = 0; i < a.subkeys().size(); ++i)
        expect_same_tree(a.subkeys()[i], b.subkeys()[i], where + "\\" + std::to_string(i));
}

TEST(RegFile, WritesRegeditForms)
{
    struct Case {
        char const* label;
        std::u16string name;
        DWORD type;
        std::vector<BYTE> data;
        std::string line;
    } const cases[] = {
        { "binary", u"Binary", REG_BINARY, { 0x11, 0x22, 0x33, 0x44 }, "\"Binary\"=hex:11,22,33,44\n" },
        { "default dword", u"", REG_DWORD, { 0x78, 0x56, 0x34, 0x12 }, "@=dword:12345678\n" },
        { "odd type", u"43981", 0xabcd, { 0x56, 0x61, 0x6c, 0x75, 0x65, 0x00 }, "\"43981\"=hex(abcd):56,61,6c,75,65,00\n" },
        { "type zero", u"Zero data type", REG_NONE, { 0x56, 0x00 }, "\"Zero data type\"=hex(0):56,00\n" },
        { "quotes", u"double\"quote", REG_SZ, utf16_bytes(std::u16string(u"\"Hello, World!\"") + u'\0'),
          "\"double\\\"quote\"=\"\\\"Hello, World!\\\"\"\n" },
        { "backslash", u"Backslash", REG_SZ, utf16_bytes(std::u16string(u"Use \\\\ to escape a backslash") + u'\0'),
          "\"Backslash\"=\"Use \\\\\\\\ to escape a backslash\"\n" },
        { "empty binary", u"e", REG_BINARY, {}, "\"e\"=hex:\n" },
        { "short dword", u"d", REG_DWORD, { 1, 2 }, "\"d\"=hex(4):01,02\n" },
        { "empty string data", u"s", REG_SZ, {}, "\"s\"=hex(1):\n" },
        { "line break in a name", u"a\nb\rc", REG_BINARY, { 1 }, "\"a\\nb\\rc\"=hex:01\n" },
        { "multi string, wrapped", u"Multiple strings", REG_MULTI_SZ,
          utf16_bytes(std::u16string(u"Line1\0Line2\0Line3\0\0", 19)),
          "\"Multiple strings\"=hex(7):4c,00,69,00,6e,00,65,00,31,00,00,00,4c,00,69,00,6e,\\\n"
          "  00,65,00,32,00,00,00,4c,00,69,00,6e,00,65,00,33,00,00,00,00,00\n" },
        { "unterminated text in hex, with its text shown", u"t", REG_SZ, utf16_bytes(u"ab"), "\"t\"=hex(1):61,00,62,00\n" },
        { "text with bytes after it, shown in a comment", u"DayLight", REG_SZ,
          { 0x44, 0x00, 0x00, 0x00, 0xab },
          "; \"DayLight\" reads \"D\"\n\"DayLight\"=hex(1):44,00,00,00,ab\n" },
    };
    for (auto const& c : cases) {
        auto body = body_of(one_value_tree(c.name, c.type, c.data));
        std::string expected = "\n[HKEY_LOCAL_MACHINE\\Software]\n\n[HKEY_LOCAL_MACHINE\\Software\\Test]\n" + c.line + "\n";
        EXPECT_EQ(body, expected) << c.label;
    }
}

TEST(RegFile, ExportEncodingIsUtf16WithByteOrderMarkAndCrlf)
{
    auto tree = one_value_tree(u"\u00c4", REG_DWORD, { 0, 1, 0, 0 });
    auto text = format_reg_tree(tree, RegFileEncoding::Utf16Crlf);
    std::u16string expected = u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n"
                              u"\r\n[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n\"\u00c4\"=dword:00000100\r\n\r\n";
    ASSERT_EQ(text.size(), expected.size() * 2);
    EXPECT_EQ(std::memcmp(text.data(), expected.data(), text.size()), 0);
}

TEST(RegFile, EveryValueRoundTripsByteForByte)
{
    std::vector<BYTE> all_bytes(256);
    for (std::size_t i = 0; i < all_bytes.size(); ++i)
        all_bytes[i] = static_cast<BYTE>(i);
    std::vector<BYTE> program_value(255, 0xAB);
    auto text = utf16_bytes(u"Default: 0");
    std::copy(text.begin(), text.end(), program_value.begin());
    program_value[text.size()] = program_value[text.size() + 1] = 0;

    RegistryKey tree = make_empty_tree();
    bool created = false;
    auto& hklm = *tree.find_subkey(u"HKEY_LOCAL_MACHINE");
    hklm.set_value(u"root value", REG_DWORD, std::vector<BYTE> { 1, 0, 0, 0 });
    auto& key = hklm.ensure_subkey(u"Key ] with [ odd \"chars\"", created);
    key.ensure_subkey(u"Empty", created);
    key.ensure_subkey(u"\u00c4rger \U0001F600", created).set_value(u"", REG_SZ, utf16_bytes(std::u16string(u"x") + u'\0'));
    struct Value {
        std::u16string name;
        DWORD type;
        std::vector<BYTE> data;
    } const values[] = {
        { u"program", REG_SZ, program_value },
        { u"plain", REG_SZ, utf16_bytes(std::u16string(u"tab\there \u00e9 \U0001F600 \"q\" \\") + u'\0') },
        { u"line break", REG_SZ, utf16_bytes(std::u16string(u"a\r\nb") + u'\0') },
        { u"lone surrogate", REG_SZ, utf16_bytes(std::u16string(u"\xD800") + u'\0') },
        { u"zeros inside", REG_SZ, utf16_bytes(std::u16string(u"a\0b\0", 4)) },
        { u"odd", REG_SZ, { 0x41 } },
        { u"empty", REG_SZ, {} },
        { u"expand", REG_EXPAND_SZ, utf16_bytes(std::u16string(u"%HOME%") + u'\0') },
        { u"every byte", REG_BINARY, all_bytes },
        { u"dword", REG_DWORD, { 0xff, 0xfe, 0xfd, 0xfc } },
        { u"qword", REG_QWORD, { 1, 2, 3, 4, 5, 6, 7, 8 } },
        { u"big type", 0xffffffff, { 1 } },
        { u"name \\ \" ; # = @ [x]", REG_NONE, {} },
        { std::u16string(255, u'n'), REG_BINARY, { 2 } },
    };
    for (auto const& v : values)
        key.set_value(v.name, v.type, v.data);

    for (auto encoding : { RegFileEncoding::Utf8Lf, RegFileEncoding::Utf16Crlf }) {
        auto text_form = format_reg_tree(tree, encoding);
        auto parsed = parse_reg_file(span_of(text_form), RegFileUse::Store);
        ASSERT_TRUE(parsed.has_value()) << parsed.error().message << "\n" << text_form;
        RegistryKey back = make_empty_tree();
        apply_reg_edits(back, *parsed);
        expect_same_tree(tree, back, encoding == RegFileEncoding::Utf8Lf ? "utf-8" : "utf-16");
        EXPECT_EQ(format_reg_tree(back, encoding), text_form) << "writing again gives the same text";
    }
}

TEST(RegFile, ReadsHandWrittenForms)
{
    struct Case {
        char const* label;
        std::string text;
        std::u16string name;
        DWORD type;
        std::vector<BYTE> data;
    } const cases[] = {
        { "plain text", "[HKEY_LOCAL_MACHINE\\Software\\Test]\n\"Name\"=\"text\"\n", u"Name", REG_SZ,
          utf16_bytes(std::u16string(u"text") + u'\0') },
        { "spaces around '=' and a comment", "[HKEY_LOCAL_MACHINE\\Software\\Test]\n  \"Name\" = \"x\" ; note\n", u"Name",
          REG_SZ, utf16_bytes(std::u16string(u"x") + u'\0') },
        { "short dword", "[HKEY_LOCAL_MACHINE\\Software\\Test]\n\"d\"=dword:1\n", u"d", REG_DWORD, { 1, 0, 0, 0 } },
        { "dword then ';'", "[HKEY_LOCAL_MACHINE\\Software\\Test]\n\"d\"=dword:1234;5678\n", u"d", REG_DWORD,
          { 0x34, 0x12, 0, 0 } },
        { "hex(4) is a dword", "[HKEY_LOCAL_MACHINE\\Software\\Test]\n\"d\"=hex(4):40,30,20,10\n", u"d", REG_DWORD,
          { 0x40, 0x30, 0x20, 0x10 } },
        { "continued hex with a comment line and spaces",
          "[HKEY_LOCAL_MACHINE\\Software\\Test]\n\"b\"=hex: 01 , 02,\\\n; between\n    03,04\n", u"b", REG_BINARY,
          { 1, 2, 3, 4 } },
        { "CRLF and CR line ends", "[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n\"n\"=hex:05\r", u"n", REG_BINARY, { 5 } },
        { "no final line break", "[HKEY_LOCAL_MACHINE\\Software\\Test]\n\"n\"=hex:06", u"n", REG_BINARY, { 6 } },
        { "comments, blank lines, lower-case root", "# hash\n\n; semicolon\n[hkey_local_machine\\Software\\Test]\n\n@=hex:07\n",
          u"", REG_BINARY, { 7 } },
    };
    for (auto const& c : cases) {
        auto tree = tree_from("Windows Registry Editor Version 5.00\n" + c.text);
        auto const* key = tree.find_path(test_key);
        ASSERT_NE(key, nullptr) << c.label;
        auto const* value = key->find_value(c.name);
        ASSERT_NE(value, nullptr) << c.label;
        EXPECT_EQ(value->type, c.type) << c.label;
        EXPECT_EQ(value->data, c.data) << c.label;
    }
}

TEST(RegFile, ReadsEveryEncodingAndRegedit4)
{
    std::u16string text16 = u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\T]\r\n\"\u00c4\"=\"\u00e9\"\r\n";
    std::string le = "\xFF\xFE", be = "\xFE\xFF";
    for (char16_t c : text16) {
        le += static_cast<char>(c & 0xFF);
        le += static_cast<char>(c >> 8);
        be += static_cast<char>(c >> 8);
        be += static_cast<char>(c & 0xFF);
    }
    std::string utf8 = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\T]\n\"\xc3\x84\"=\"\xc3\xa9\"\n";
    for (auto const& [label, bytes] : { std::pair { "utf-16le", le }, std::pair { "utf-16be", be },
                                        std::pair { "utf-8", utf8 }, std::pair { "utf-8 with bom", "\xEF\xBB\xBF" + utf8 } }) {
        auto tree = tree_from(bytes);
        auto const* key = tree.find_path(KeyPath { u"HKEY_CURRENT_USER", u"T" });
        ASSERT_NE(key, nullptr) << label;
        auto const* value = key->find_value(u"\u00c4");
        ASSERT_NE(value, nullptr) << label;
        EXPECT_EQ(value->data, utf16_bytes(std::u16string(u"\u00e9") + u'\0')) << label;
    }

    // REGEDIT4: ANSI text (here Windows-1252, as it is not UTF-8), and string
    // hex data in ANSI bytes that become UTF-16.
    auto tree = tree_from("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\T]\r\n\"s\"=\"caf\xe9\"\r\n\"x\"=hex(2):4c,69,6e,65,00\r\n"
                          "\"b\"=hex:4c,69\r\n");
    auto const* key = tree.find_path(KeyPath { u"HKEY_CURRENT_USER", u"T" });
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->find_value(u"s")->data, utf16_bytes(std::u16string(u"caf\u00e9") + u'\0'));
    EXPECT_EQ(key->find_value(u"x")->type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(key->find_value(u"x")->data, utf16_bytes(std::u16string(u"Line") + u'\0'));
    EXPECT_EQ(key->find_value(u"b")->data, (std::vector<BYTE> { 0x4c, 0x69 })) << "binary stays as it is";
}

TEST(RegFile, RefusesBrokenFilesNamingTheLine)
{
    std::string const header = "Windows Registry Editor Version 5.00\n";
    std::string const key = "[HKEY_LOCAL_MACHINE\\Software\\Test]\n";
    std::string const deep = "[HKEY_LOCAL_MACHINE\\1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11\\12\\13\\14\\15\\16\\17]\n";
    struct Case {
        char const* label;
        std::string text;
        int line;
    } const cases[] = {
        { "empty file", "", 1 },
        { "only blank lines", "\n\n", 1 },
        { "no header", key, 1 },
        { "header with wrong case", "windows registry editor version 5.00\n", 1 },
        { "header without minor version", "Windows Registry Editor Version 5\n", 1 },
        { "REGEDIT5", "REGEDIT5\n", 1 },
        { "value before any key", header + "\"a\"=\"b\"\n", 2 },
        { "unknown root", header + "[HKEY_NOWHERE\\X]\n", 2 },
        { "abbreviated root", header + "[HKLM\\X]\n", 2 },
        { "empty key name", header + "[HKEY_LOCAL_MACHINE\\\\X]\n", 2 },
        { "key line without ']'", header + "[HKEY_LOCAL_MACHINE\\X\n", 2 },
        { "17 levels", header + deep, 2 },
        { "256-character key name", header + "[HKEY_LOCAL_MACHINE\\" + std::string(256, 'k') + "]\n", 2 },
        { "256-character value name", header + key + "\"" + std::string(256, 'v') + "\"=hex:\n", 3 },
        { "unclosed quote", header + key + "\"Name\"=\"text\n", 3 },
        { "'#' after a value", header + key + "\"Wine3\"=\"Value 1\"#comment\n", 3 },
        { "text after a value", header + key + "\"a\"=\"b\" c\n", 3 },
        { "stray quote", header + key + "\"foo\"bar\"=\"x\"\n", 3 },
        { "no value", header + key + "\"Test16a\"=\n", 3 },
        { "no '='", header + key + "\"a\" \"b\"\n", 3 },
        { "nine dword digits", header + key + "\"d\"=dword:000000001\n", 3 },
        { "0x dword", header + key + "\"d\"=dword:0x123\n", 3 },
        { "empty dword", header + key + "\"d\"=dword:\n", 3 },
        { "dword with words", header + key + "\"d\"=dword:123 456\n", 3 },
        { "three-digit hex byte", header + key + "\"b\"=hex:123\n", 3 },
        { "hex without commas", header + key + "\"b\"=hex:01 02\n", 3 },
        { "bad hex type", header + key + "\"b\"=hex(z):01\n", 3 },
        { "continuation at end of file", header + key + "\"b\"=hex:01,\\\n", 3 },
        { "continuation starting with a comma", header + key + "\"b\"=hex:01,\\\n  ,02\n", 4 },
        { "unknown escape", header + key + "\"p\"=\"C:\\Temp\"\n", 3 },
        { "escaped zero", header + key + "\"p\"=\"a\\0\"\n", 3 },
        { "garbage line", header + key + "Name=text\n", 3 },
        { "key deletion in the store", header + "[-HKEY_LOCAL_MACHINE\\X]\n", 2 },
        { "value deletion in the store", header + key + "\"a\"=-\n", 3 },
        { "NUL byte", header + key + std::string("\"a\"=\"b\0\"\n", 9), 3 },
        { "invalid UTF-8", header + key + "\"a\"=\"\xff\xfe\"\n", 3 },
        { "truncated UTF-16", "\xFF\xFEW\0i\0n", 0 },
    };
    for (auto const& c : cases) {
        auto parsed = parse_reg_file(span_of(c.text), RegFileUse::Store);
        ASSERT_FALSE(parsed.has_value()) << c.label;
        // The line is named first; an error of the whole file names none.
        auto const& message = parsed.error().message;
        if (c.line)
            EXPECT_TRUE(message.starts_with("line " + std::to_string(c.line) + ": ")) << c.label << ": " << message;
        else
            EXPECT_FALSE(message.starts_with("line ")) << c.label << ": " << message;
    }
}

TEST(RegFile, ImportDeletesKeysAndValues)
{
    auto tree = tree_from("Windows Registry Editor Version 5.00\n"
                          "[HKEY_LOCAL_MACHINE\\Software\\Keep]\n\"a\"=hex:01\n\"b\"=hex:02\n"
                          "[HKEY_LOCAL_MACHINE\\Software\\Drop\\Child]\n");
    auto parsed = parse_reg_file(span_of("Windows Registry Editor Version 5.00\n"
                                         "[-HKEY_LOCAL_MACHINE\\Software\\Drop]\n"
                                         "[-HKEY_LOCAL_MACHINE\\Software\\NeverWas]\n"
                                         "[HKEY_LOCAL_MACHINE\\Software\\Keep]\n\"a\"=-\n"),
                                 RegFileUse::Import);
    ASSERT_TRUE(parsed.has_value()) << parsed.error().message;
    apply_reg_edits(tree, *parsed);
    EXPECT_EQ(tree.find_path(KeyPath { u"HKEY_LOCAL_MACHINE", u"Software", u"Drop" }), nullptr);
    auto const* keep = tree.find_path(KeyPath { u"HKEY_LOCAL_MACHINE", u"Software", u"Keep" });
    ASSERT_NE(keep, nullptr);
    EXPECT_EQ(keep->find_value(u"a"), nullptr);
    EXPECT_NE(keep->find_value(u"b"), nullptr);

    auto root = parse_reg_file(span_of("Windows Registry Editor Version 5.00\n[-HKEY_LOCAL_MACHINE]\n"), RegFileUse::Import);
    EXPECT_FALSE(root.has_value()) << "a root cannot be deleted";
}

}
