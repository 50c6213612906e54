// Reading and writing registry text in the .reg syntax: the store's own file
// and the files that ce-reg exports and imports. The syntax is described at the
// top of RegistryStore.cpp.
#pragma once

#include "registry/RegistryKey.h"

#include <span>
#include <string>
#include <vector>

namespace platform::registry {

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

struct RegFileParse {
    std::vector<RegFileEdit> edits;
    int error_line = 0; // 1-based; 0 when the error is not tied to a line
    std::string error;  // empty when the whole file was understood
    bool ok() const { return error.empty(); }
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
// understand; the sink has then seen the lines before it, and the result's
// edits are always empty.
RegFileParse parse_reg_file(std::span<BYTE const> bytes, RegFileUse use, RegFileSink& sink);

// The same, collecting every edit; on failure there are no edits at all.
RegFileParse parse_reg_file(std::span<BYTE const> bytes, RegFileUse use);

// Parses the store's own file straight into `tree` (holding the four roots),
// in one pass and without a list of edits. On failure the tree holds part of
// the file and is to be thrown away.
RegFileParse parse_reg_tree(std::span<BYTE const> bytes, RegistryKey& tree);

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

// Whether a REG_SZ value's bytes are reproduced exactly by the quoted form.
bool has_plain_string_form(std::span<BYTE const> data);

// Windows CE's limits on names and depth, which the file obeys as the API does.
inline constexpr std::size_t max_name_length = 255;
inline constexpr std::size_t max_key_depth = 16;

// Whether `name` can name a key: 1 to 255 characters, no backslash, no line
// break, well-formed UTF-16.
bool is_valid_key_name(std::u16string_view name);
// Whether `name` can name a value: at most 255 characters, well-formed UTF-16.
bool is_valid_value_name(std::u16string_view name);

}
