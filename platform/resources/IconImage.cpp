// Parsing of icon directories and icon bitmaps.
#include "resources/IconImage.h"

#include "resources/ByteReader.h"

#include <optional>
#include <type_traits>

namespace platform::resources {

namespace {

constexpr DWORD bi_rgb = 0;
constexpr int max_icon_side = 256;
constexpr std::size_t info_header_size = 40;

std::size_t stride_of(int width, int bit_count)
{
    return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bit_count) + 31) / 32) * 4;
}

DWORD rgb(BYTE red, BYTE green, BYTE blue)
{
    return 0xFF000000u | (DWORD { red } << 16) | (DWORD { green } << 8) | blue;
}

struct InfoHeader {
    DWORD size;
    LONG width;
    LONG height;
    WORD planes;
    WORD bit_count;
    DWORD compression;
    DWORD colors_used;
};

// Reads little-endian fields one after another, each as wide as its type;
// false when the data ends before the last of them.
template <typename... Fields>
bool read_fields(ByteReader& reader, Fields&... fields)
{
    auto const read = [&reader](auto& field) {
        using Field = std::remove_reference_t<decltype(field)>;
        static_assert(sizeof(Field) == 1 || sizeof(Field) == 2 || sizeof(Field) == 4);
        std::optional<Field> value;
        if constexpr (sizeof(Field) == 1) {
            if (auto const got = reader.u8())
                value = static_cast<Field>(*got);
        } else if constexpr (sizeof(Field) == 2) {
            if (auto const got = reader.u16())
                value = static_cast<Field>(*got);
        } else {
            if (auto const got = reader.u32())
                value = static_cast<Field>(*got);
        }
        if (value)
            field = *value;
        return value.has_value();
    };
    return (read(fields) && ...);
}

std::optional<InfoHeader> read_info_header(ByteReader& reader)
{
    InfoHeader header {};
    DWORD colors_important = 0;
    // Image size, resolution and important colours say nothing the rest does not.
    if (!read_fields(reader, header.size, header.width, header.height, header.planes, header.bit_count,
                     header.compression)
        || !reader.skip(12) || !read_fields(reader, header.colors_used, colors_important))
        return std::nullopt;
    // Later header versions only add fields after these.
    if (header.size < info_header_size || !reader.seek(header.size))
        return std::nullopt;
    return header;
}

bool supported_depth(WORD bit_count)
{
    return bit_count == 1 || bit_count == 4 || bit_count == 8 || bit_count == 16 || bit_count == 24
        || bit_count == 32;
}

}

std::optional<GroupIconDirectory> parse_group_icon(std::span<BYTE const> data)
{
    ByteReader reader(data);
    WORD reserved = 0;
    WORD type = 0;
    WORD count = 0;
    if (!read_fields(reader, reserved, type, count) || reserved != 0 || type != 1)
        return std::nullopt;
    GroupIconDirectory directory;
    for (WORD i = 0; i < count; ++i) {
        GroupIconEntry entry;
        BYTE entry_reserved = 0;
        if (!read_fields(reader, entry.width, entry.height, entry.color_count, entry_reserved, entry.planes,
                         entry.bit_count, entry.bytes_in_res, entry.id))
            return std::nullopt;
        directory.entries.push_back(entry);
    }
    return directory;
}

std::optional<IconImage> parse_icon_image(std::span<BYTE const> data)
{
    ByteReader reader(data);
    auto const header = read_info_header(reader);
    if (!header || header->planes != 1 || !supported_depth(header->bit_count) || header->compression != bi_rgb)
        return std::nullopt;
    // The height counts the colour bitmap and the mask together.
    if (header->width <= 0 || header->width > max_icon_side || header->height <= 0 || header->height % 2 != 0
        || header->height / 2 > max_icon_side)
        return std::nullopt;

    IconImage image;
    image.width = header->width;
    image.height = header->height / 2;
    image.bit_count = header->bit_count;

    std::size_t palette_size = header->colors_used;
    if (header->bit_count <= 8) {
        std::size_t const full = std::size_t { 1 } << header->bit_count;
        if (palette_size == 0)
            palette_size = full;
        if (palette_size > full)
            return std::nullopt;
    }
    auto const palette = reader.bytes(palette_size * 4);
    if (!palette)
        return std::nullopt;
    if (header->bit_count <= 8) {
        for (std::size_t i = 0; i < palette_size; ++i) {
            auto const quad = palette->subspan(i * 4, 4);
            image.palette.push_back(rgb(quad[2], quad[1], quad[0]));
        }
    }

    std::size_t const color_stride = stride_of(image.width, image.bit_count);
    std::size_t const mask_stride = stride_of(image.width, 1);
    auto const colors = reader.bytes(color_stride * static_cast<std::size_t>(image.height));
    auto const mask = reader.bytes(mask_stride * static_cast<std::size_t>(image.height));
    if (!colors || !mask)
        return std::nullopt;

    std::size_t const pixel_count = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    image.pixels.resize(pixel_count);
    if (header->bit_count <= 8)
        image.palette_indices.resize(pixel_count);

    bool has_alpha = false;
    if (header->bit_count == 32) {
        for (std::size_t i = 3; i < colors->size(); i += 4)
            has_alpha = has_alpha || (*colors)[i] != 0;
    }

    for (int y = 0; y < image.height; ++y) {
        // Bitmaps are stored from the bottom row up.
        std::size_t const source_row = static_cast<std::size_t>(image.height - 1 - y);
        auto const row = colors->subspan(source_row * color_stride, color_stride);
        auto const mask_row = mask->subspan(source_row * mask_stride, mask_stride);
        for (int x = 0; x < image.width; ++x) {
            std::size_t const column = static_cast<std::size_t>(x);
            std::size_t const at = static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) + column;
            DWORD value = 0;
            switch (image.bit_count) {
            case 1:
            case 4:
            case 8: {
                std::size_t const bit = column * static_cast<std::size_t>(image.bit_count);
                unsigned const shift = 8 - static_cast<unsigned>(image.bit_count) - static_cast<unsigned>(bit % 8);
                BYTE const index = static_cast<BYTE>((row[bit / 8] >> shift) & ((1u << image.bit_count) - 1));
                if (index >= image.palette.size())
                    return std::nullopt;
                image.palette_indices[at] = index;
                value = image.palette[index];
                break;
            }
            case 16: {
                // Five bits each of red, green and blue.
                unsigned const word = row[column * 2] | (row[column * 2 + 1] << 8);
                auto const expand = [](unsigned five) { return static_cast<BYTE>((five << 3) | (five >> 2)); };
                value = rgb(expand((word >> 10) & 31), expand((word >> 5) & 31), expand(word & 31));
                break;
            }
            case 24:
                value = rgb(row[column * 3 + 2], row[column * 3 + 1], row[column * 3]);
                break;
            case 32:
                value = rgb(row[column * 4 + 2], row[column * 4 + 1], row[column * 4]);
                if (has_alpha)
                    value = (value & 0x00FFFFFFu) | (DWORD { row[column * 4 + 3] } << 24);
                break;
            default:
                return std::nullopt;
            }
            bool const transparent = (mask_row[column / 8] >> (7 - column % 8)) & 1;
            image.pixels[at] = transparent ? (value & 0x00FFFFFFu) : value;
        }
    }
    return image;
}

}
