// Parsing of the 32-bit .res format. Every entry's header and data are DWORD
// aligned; the sizes in the header exclude that padding.
#include "resources/ResourceFile.h"

#include "resources/ByteReader.h"

namespace platform::resources {

namespace {

constexpr std::size_t suffix_size = 16; // DataVersion, MemoryFlags, LanguageId, Version, Characteristics
constexpr std::size_t marker_header_size = 32;

std::size_t align4(std::size_t offset)
{
    return (offset + 3) & ~std::size_t { 3 };
}

std::optional<ResourceEntry> read_entry(std::span<BYTE const> file, std::size_t start, std::size_t& next)
{
    ByteReader sizes(file.subspan(start));
    auto const data_size = sizes.u32();
    auto const header_size = sizes.u32();
    if (!data_size || !header_size || *header_size < 8 + 4 + 4 + suffix_size)
        return std::nullopt;
    std::size_t const available = file.size() - start;
    if (*header_size > available || *data_size > available - *header_size)
        return std::nullopt;

    // The names are read within the header alone, so that a string without its
    // terminator cannot run on into the data.
    ByteReader header(file.subspan(start, *header_size));
    header.skip(8);
    ResourceEntry entry;
    auto type = header.name_or_ordinal();
    auto name = type ? header.name_or_ordinal() : std::nullopt;
    if (!type || !name || !header.align(4) || header.remaining() < suffix_size)
        return std::nullopt;
    entry.type = std::move(*type);
    entry.name = std::move(*name);
    entry.data_version = *header.u32();
    entry.memory_flags = *header.u16();
    entry.language = *header.u16();
    entry.version = *header.u32();
    entry.characteristics = *header.u32();
    entry.data = file.subspan(start + *header_size, *data_size);
    next = align4(start + *header_size + *data_size);
    return entry;
}

bool is_marker(ResourceEntry const& entry, std::size_t header_size)
{
    return entry.data.empty() && header_size == marker_header_size && entry.type.ordinal == WORD { 0 }
        && entry.name.ordinal == WORD { 0 };
}

}

std::optional<std::vector<ResourceEntry>> parse_resource_file(std::span<BYTE const> data)
{
    std::size_t next = 0;
    auto const marker = read_entry(data, 0, next);
    if (!marker || !is_marker(*marker, next))
        return std::nullopt;

    std::vector<ResourceEntry> entries;
    // The padding after the last entry may be missing.
    while (next < data.size()) {
        std::size_t const start = next;
        auto entry = read_entry(data, start, next);
        if (!entry)
            return std::nullopt;
        entries.push_back(std::move(*entry));
    }
    return entries;
}

}
