// The zoom and the letterbox: whole pixels only, rounded towards the screen's
// top left, as the window shows each device pixel as a square of its own.
#include "frontends/window/Viewport.h"

#include "text/Rounding.h"

#include <algorithm>

namespace platform::frontends::window {

Viewport Viewport::fit(int width, int height, int screen_width, int screen_height)
{
    int const zoom = std::max(1, std::min(width / std::max(screen_width, 1), height / std::max(screen_height, 1)));
    return { zoom, (width - screen_width * zoom) / 2, (height - screen_height * zoom) / 2 };
}

PixelRect Viewport::to_window(PixelRect const& area) const
{
    return { left + area.x * zoom, top + area.y * zoom, area.w * zoom, area.h * zoom };
}

// Rounded down for negative numbers too, so that the pixels left of or above
// the screen belong to negative device pixels.
POINT Viewport::to_screen(long x, long y) const
{
    return { static_cast<LONG>(text::floor_div(x - left, zoom)), static_cast<LONG>(text::floor_div(y - top, zoom)) };
}

POINT window_pixel(int x, int y, int window_width, int window_height, int pixel_width, int pixel_height)
{
    return { static_cast<LONG>(static_cast<long>(x) * pixel_width / window_width),
             static_cast<LONG>(static_cast<long>(y) * pixel_height / window_height) };
}

}
