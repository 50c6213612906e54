// Where the device's screen sits in the window: at the largest whole zoom at
// which it fits the window's pixels, centred, the rest letterboxed. Drawing
// the screen into the window and finding the device pixel under the pointer
// both go by it, so that they always agree.
#pragma once

#include "frontends/window/Canvas.h"
#include "windows.h"

namespace platform::frontends::window {

struct Viewport {
    int zoom { 1 };
    // The screen's top left corner in the window's pixels (negative when the
    // window is smaller than the screen).
    int left { 0 };
    int top { 0 };

    // A screen of `screen_width` x `screen_height` device pixels in a window
    // of `width` x `height` pixels.
    static Viewport fit(int width, int height, int screen_width, int screen_height);

    // The window's pixels that show `area` of the screen.
    PixelRect to_window(PixelRect const& area) const;
    // The device pixel that window pixel (`x`, `y`) shows, or would show,
    // outside the screen too.
    POINT to_screen(long x, long y) const;
};

// A point in the window's own coordinates as its pixels: on a display that
// scales windows, the window has more pixels than coordinates.
POINT window_pixel(int x, int y, int window_width, int window_height, int pixel_width, int pixel_height);

}
