// An icon as the terminal draws it: each cell shows two pixels, one above the
// other (an upper half block in one colour over another), in the 16 colours
// every colour terminal has.
#pragma once

#include "resources/IconImage.h"

#include <cstdint>
#include <span>
#include <vector>

namespace platform::frontends::terminal {

// The icon's decoded images: top row first, each pixel 0xAARRGGBB, an alpha
// below 0x80 a transparent pixel (the icon's mask).
using resources::IconImage;

// A colour of the terminal's 16 (0..7 normal, 8..15 bright, in the terminal's
// own order: black, red, green, yellow, blue, magenta, cyan, white), or
// `no_pixel` where the icon is transparent.
inline constexpr int no_pixel = -1;

struct IconCell {
    int top { no_pixel };
    int bottom { no_pixel };

    bool operator==(IconCell const&) const = default;
};

struct IconCells {
    int cols { 0 };
    int rows { 0 };
    std::vector<IconCell> cells; // row by row

    IconCell const& at(int col, int row) const { return cells[static_cast<std::size_t>(row * cols + col)]; }
};

// The terminal colour nearest to 0xRRGGBB.
int nearest_terminal_colour(std::uint32_t rgb);

// The icon drawn in a box of `cols` x `rows` cells: the image the dialog's
// rules choose for the box (icon_image_for_box) scaled to the largest size
// that keeps it square and fits, centred in the box. Each
// drawn pixel takes the colour of the opaque pixels it covers, and is
// transparent when most of what it covers is.
IconCells render_icon(std::span<IconImage const> images, int cols, int rows);

}
