// The resources of the executable's module: its embedded resource file, parsed
// once on first use and kept for the life of the program, and the lookup of a
// resource by type, name and language.
#pragma once

#include "resources/ResourceFile.h"
#include "wintypes.h"

#include <optional>
#include <string_view>
#include <vector>

namespace platform::resources {

// A resource type or name as the API passes it: an ordinal made with
// MAKEINTRESOURCE, or a string, where "#123" stands for the ordinal 123.
// Strings compare without regard to case.
struct ResourceId {
    std::optional<WORD> ordinal;
    std::u16string text;

    static ResourceId from_api(LPCWSTR id);
    bool matches(NameOrOrdinal const& stored) const;
};

class ModuleResources {
public:
    explicit ModuleResources(std::vector<ResourceEntry> entries);

    // The executable's own resources; null, with the reason left for
    // GetLastError, when it has none or they cannot be read.
    static ModuleResources const* executable();
    static HMODULE executable_handle();

    // Languages are tried in this order: `language` itself, its primary
    // language with SUBLANG_NEUTRAL, LANG_NEUTRAL, then the lowest language the
    // resource exists in. LANG_NEUTRAL asked for means the device's language
    // (English, United States). Sets the last error when nothing is found.
    ResourceEntry const* find(ResourceId const& type, ResourceId const& name, WORD language) const;

    // Whether `entry` is one of this module's entries (a valid HRSRC).
    bool owns(ResourceEntry const* entry) const;
    // The entry whose data holds the byte at `data`, or null.
    ResourceEntry const* entry_holding(void const* data) const;

private:
    std::vector<ResourceEntry> m_entries;
};

// The language the device runs in, and so the one FindResourceW looks for.
constexpr WORD device_language = 0x0409;

}
