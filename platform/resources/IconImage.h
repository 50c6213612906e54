// The icon resource formats: the group directory (RT_GROUP_ICON) that lists an
// icon's images, and one image (RT_ICON), a device-independent bitmap holding
// the colours and then the transparency mask, decoded into pixels.
#pragma once

#include "wintypes.h"

#include <optional>
#include <span>
#include <vector>

namespace platform::resources {

struct GroupIconEntry {
    BYTE width { 0 }; // 0 stands for 256
    BYTE height { 0 };
    BYTE color_count { 0 };
    WORD planes { 0 };
    WORD bit_count { 0 };
    DWORD bytes_in_res { 0 };
    WORD id { 0 }; // the RT_ICON resource holding this image
};

struct GroupIconDirectory {
    std::vector<GroupIconEntry> entries;
};

// nullopt unless the data is an icon directory (reserved 0, type 1) whose
// entries all lie within it.
std::optional<GroupIconDirectory> parse_group_icon(std::span<BYTE const> data);

struct IconImage {
    int width { 0 };
    int height { 0 };
    int bit_count { 0 };
    // Row by row from the top, each 0xAARRGGBB. Alpha is 0 where the mask makes
    // the pixel transparent and 0xFF elsewhere, except for 32-bit images that
    // carry an alpha channel of their own.
    std::vector<DWORD> pixels;
    // For images of 8 bits per pixel or fewer: each pixel's palette index (same
    // order as `pixels`) and the palette as 0xFFRRGGBB.
    std::vector<BYTE> palette_indices;
    std::vector<DWORD> palette;

    DWORD pixel(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

// Decodes an uncompressed image of 1, 4, 8, 16, 24 or 32 bits per pixel, at most
// 256 pixels each way; anything else (a PNG image, compression, a size or
// palette that does not fit the data) gives nullopt.
std::optional<IconImage> parse_icon_image(std::span<BYTE const> data);

}
