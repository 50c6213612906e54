// Scaling an icon image down to half-block pixels and matching its colours to
// the terminal's 16.
#include "frontends/terminal/IconCells.h"

#include "frontends/DialogRules.h"

#include <algorithm>
#include <array>
#include <climits>

namespace platform::frontends::terminal {

namespace {

// The 16 colours as terminals usually show them by default (the VGA
// palette of 16-colour icons, in the terminal's order).
constexpr std::array<std::uint32_t, 16> terminal_palette {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

int channel(std::uint32_t rgb, int shift)
{
    return static_cast<int>((rgb >> shift) & 0xFF);
}

bool opaque(std::uint32_t argb)
{
    return (argb >> 24) >= 0x80;
}

}

int nearest_terminal_colour(std::uint32_t rgb)
{
    int best = 0;
    long best_distance = LONG_MAX;
    for (std::size_t i = 0; i < terminal_palette.size(); ++i) {
        long distance = 0;
        for (int shift : { 16, 8, 0 }) {
            long d = channel(rgb, shift) - channel(terminal_palette[i], shift);
            distance += d * d;
        }
        if (distance < best_distance) {
            best_distance = distance;
            best = static_cast<int>(i);
        }
    }
    return best;
}

IconCells render_icon(std::span<IconImage const> images, int cols, int rows)
{
    IconCells result;
    result.cols = std::max(0, cols);
    result.rows = std::max(0, rows);
    result.cells.assign(static_cast<std::size_t>(result.cols) * static_cast<std::size_t>(result.rows), IconCell {});

    // A half block is about as wide as it is high, so an icon's pixels stay
    // square when a cell holds one pixel across and two down.
    int box_w = result.cols;
    int box_h = result.rows * 2;
    IconImage const* image = icon_image_for_box(images, box_w, box_h);
    if (!image || box_w == 0 || box_h == 0)
        return result;

    // Largest size with the image's proportions that fits the box, never
    // larger than the image itself.
    int draw_w = std::min({ box_w, image->width, box_h * image->width / image->height });
    int draw_h = std::min({ box_h, image->height, draw_w * image->height / image->width });
    draw_w = std::max(1, draw_w);
    draw_h = std::max(1, draw_h);
    int left = (box_w - draw_w) / 2;
    int top = (box_h - draw_h) / 2;

    for (int py = 0; py < draw_h; ++py) {
        for (int px = 0; px < draw_w; ++px) {
            // The source pixels under this drawn pixel.
            int x0 = px * image->width / draw_w, x1 = std::max(x0 + 1, (px + 1) * image->width / draw_w);
            int y0 = py * image->height / draw_h, y1 = std::max(y0 + 1, (py + 1) * image->height / draw_h);
            long r = 0, g = 0, b = 0;
            int shown = 0, total = 0;
            for (int sy = y0; sy < y1; ++sy) {
                for (int sx = x0; sx < x1; ++sx) {
                    std::uint32_t p = image->pixels[static_cast<std::size_t>(sy * image->width + sx)];
                    ++total;
                    if (!opaque(p))
                        continue;
                    ++shown;
                    r += channel(p, 16);
                    g += channel(p, 8);
                    b += channel(p, 0);
                }
            }
            if (shown * 2 < total)
                continue;
            auto mean = static_cast<std::uint32_t>(((r / shown) << 16) | ((g / shown) << 8) | (b / shown));
            int colour = nearest_terminal_colour(mean);
            int y = top + py;
            auto& cell = result.cells[static_cast<std::size_t>((y / 2) * result.cols + left + px)];
            (y % 2 == 0 ? cell.top : cell.bottom) = colour;
        }
    }
    return result;
}

}
