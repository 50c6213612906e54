// The version record (RT_VERSION): its fixed part, its string tables and the
// translations it lists.
#pragma once

#include "winver.h"
#include "wintypes.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform::resources {

struct VersionString {
    std::u16string key;
    std::u16string value; // up to its first zero character
};

struct VersionStringTable {
    std::u16string key; // language and code page as eight hex digits, e.g. "040904B0"
    std::vector<VersionString> strings;

    // The value of the first string named `key` (exact spelling), or nullopt.
    std::optional<std::u16string> find(std::u16string_view key) const;
};

struct VersionInfo {
    std::optional<VS_FIXEDFILEINFO> fixed;
    std::vector<VersionStringTable> string_tables;
    // Each as MAKELONG(language, code page), e.g. 0x04B00409.
    std::vector<DWORD> translations;
};

// nullopt unless the data is a VS_VERSION_INFO tree whose every node length,
// value length and key lies within its parent, and whose fixed part, when there
// is one, has the right size and signature. Children of kinds it does not know
// are passed over.
std::optional<VersionInfo> parse_version_info(std::span<BYTE const> data);

}
