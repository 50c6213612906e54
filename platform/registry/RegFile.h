// Reading and writing registry text in the .reg syntax: the store's own file
// and the files that ce-reg exports and imports. The syntax is described
// below; RegParser.cpp reads it, RegWriter.cpp writes it, RegApply.cpp turns
// what was read into a tree.
/*
 * The file format
 * ---------------
 * The .reg syntax of regedit's "Windows Registry Editor Version 5.00" files.
 * The store's own file is in UTF-8 without a byte-order mark and with LF line
 * ends, so that it can be read and edited with any text editor (and imported
 * by regedit after a conversion to UTF-16); an export is UTF-16LE with a
 * byte-order mark and CRLF line ends, as regedit writes it:
 *
 *     Windows Registry Editor Version 5.00
 *
 *     [HKEY_LOCAL_MACHINE\Software\Corvane\Tembrel\DEFAULTS]
 *     "Note"="Hello, \"world\" in C:\\Temp"
 *     @="the key's default value"
 *     "Counter"=dword:0000002a
 *     "Blob"=hex:01,02,03
 *     "DayLight"=hex(1):44,00,65,00,66,00,61,00,75,00,6c,00,74,00,3a,00,20,00,2d,\
 *       00,36,00,30,00,00,00,...
 *
 * - The first line is the header; "REGEDIT4" is read too. The file is one or
 *   more key blocks: a line [ROOT\Name\Name...] naming the key by its full path
 *   below one of HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT and
 *   HKEY_USERS, then the key's values, one per line, in their creation order.
 *   Every key has a block of its own, empty keys included, so that they persist;
 *   a root's block is written only when the root holds values. Blocks follow
 *   each other depth first, subkeys in alphabetical order.
 * - A value line is "Name"=DATA, or @=DATA for the default (unnamed) value.
 *   In a name, \\ stands for a backslash, \" for a quote, \n and \r for line
 *   breaks. DATA is one of
 *     "text"            REG_SZ: the text and its terminating zero character;
 *                       \\ and \" are the only escapes;
 *     dword:XXXXXXXX    REG_DWORD: four bytes, 1 to 8 hex digits when read;
 *     hex:BB,BB,...     REG_BINARY: the bytes, in hex;
 *     hex(T):BB,BB,...  any other type T (in hex: 0 REG_NONE, 1 REG_SZ,
 *                       2 REG_EXPAND_SZ, 4 REG_DWORD, 7 REG_MULTI_SZ,
 *                       b REG_QWORD...), the bytes exactly as stored; strings
 *                       are UTF-16LE.
 *   The quoted form is written only when it gives back exactly the stored
 *   bytes: a REG_SZ of an even length, ending in its only zero character, with
 *   no control character but the tab in it. Anything else (an odd length such
 *   as 255, bytes after the terminator, no terminator at all) is written as
 *   hex(1): so that every value comes back byte for byte. dword: is written
 *   only for a REG_DWORD of exactly four bytes.
 * - Long hex data is wrapped as regedit wraps it: a line ending in a backslash
 *   goes on at the next line, which starts with spaces.
 * - Blank lines are ignored, and so are lines starting with ';' or '#'. A ';'
 *   after a value starts a comment too. Names compare without regard to case.
 * - A file to import may also delete: [-ROOT\Name...] deletes a key with
 *   everything below it, "Name"=- deletes a value. The store's own file holds
 *   neither.
 * - Anything else, or a name longer than 255 characters, or a key deeper than
 *   16 levels, makes the whole file unreadable; the parser names the first
 *   line it could not understand.
 */
#pragma once

#include "registry/RegNames.h"
#include "registry/RegistryKey.h"
#include "text/Result.h"

#include <span>
#include <string>
#include <vector>

namespace platform::registry {

inline constexpr std::u16string_view reg_header_v5 = u"Windows Registry Editor Version 5.00";
inline constexpr std::u16string_view reg_header_v4 = u"REGEDIT4";

// One change that a file asks for, in file order.
struct RegFileEdit {
    enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind kind = Kind::CreateKey;
    KeyPath path;
    std::u16string value_name; // empty for the default value
    DWORD type = 0;
    std::vector<BYTE> data;
    int line = 0;
};

enum class RegFileUse {
    Store,  // the registry's own file: keys and values only
    Import, // a file to import: key and value deletions ([-KEY], "Name"=-) too
};

// Receives what a file asks for, in file order, while it is being parsed.
class RegFileSink {
public:
    virtual ~RegFileSink() = default;
    // A [KEY] or [-KEY] line: the values that follow belong to this key.
    virtual void key(KeyPath const& path, bool deletion, int line) = 0;
    virtual void value(std::u16string name, DWORD type, std::vector<BYTE> data, int line) = 0;
    virtual void value_deletion(std::u16string name, int line) = 0;
};

// Takes the bytes of a whole file: UTF-16LE or UTF-16BE with a byte-order
// mark, else UTF-8 (with or without one). Fails on the first line it cannot
// understand, with "line N: " and what was wrong; the sink has then seen the
// lines before it.
Result<void> parse_reg_file(std::span<BYTE const> bytes, RegFileUse use, RegFileSink& sink);

// The same, collecting every edit; on failure there are no edits at all.
Result<std::vector<RegFileEdit>> parse_reg_file(std::span<BYTE const> bytes, RegFileUse use);

// Parses the store's own file straight into `tree` (holding the four roots),
// in one pass and without a list of edits. On failure the tree holds part of
// the file and is to be thrown away.
Result<void> parse_reg_tree(std::span<BYTE const> bytes, RegistryKey& tree);

// Applies parsed edits to a tree holding the four roots.
void apply_reg_edits(RegistryKey& tree, std::vector<RegFileEdit> const& edits);

enum class RegFileEncoding {
    Utf8Lf,    // the store's file: UTF-8 without a byte-order mark, LF line ends
    Utf16Crlf, // as regedit exports: UTF-16LE with a byte-order mark, CRLF line ends
};

// Takes the bytes of formatted text, a piece at a time.
class RegTextSink {
public:
    virtual ~RegTextSink() = default;
    virtual void write(char const* bytes, std::size_t size) = 0;
};

// The whole store: every key below the four roots, handed to `sink` in pieces
// of a few kilobytes, so that no copy of the whole text is ever built.
void write_reg_tree(RegistryKey const& tree, RegFileEncoding encoding, RegTextSink& sink);

// The whole store as one text.
std::string format_reg_tree(RegistryKey const& tree, RegFileEncoding encoding);
// One key with everything below it; `path` is where the key lives.
std::string format_reg_key(RegistryKey const& key, KeyPath const& path, RegFileEncoding encoding);
}
