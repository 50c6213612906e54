// The compiled resource file (.res, 32-bit form): a sequence of entries, each a
// header naming the resource's type, name and language, followed by its data.
#pragma once

#include "resources/DialogTemplate.h"
#include "wintypes.h"

#include <optional>
#include <span>
#include <vector>

namespace platform::resources {

struct ResourceEntry {
    NameOrOrdinal type;
    NameOrOrdinal name;
    DWORD data_version { 0 };
    WORD memory_flags { 0 };
    WORD language { 0 };
    DWORD version { 0 };
    DWORD characteristics { 0 };
    // Points into the parsed file's bytes, which must outlive the entry.
    std::span<BYTE const> data;
};

// The entries of a .res file, in file order, without the leading empty entry
// that marks the 32-bit form. nullopt when the data is not a 32-bit resource
// file or any header or size in it runs outside the data.
std::optional<std::vector<ResourceEntry>> parse_resource_file(std::span<BYTE const> data);

}
