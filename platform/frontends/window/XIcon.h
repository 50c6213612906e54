// The host window's icon (_NET_WM_ICON, which window managers and task bars
// show), set from the dialog's icons. Kept apart from the device's headers,
// whose names X's headers also define.
#pragma once

#include <cstdint>
#include <vector>

struct SDL_Window;

namespace platform::frontends::window {

struct IconPicture {
    int width { 0 };
    int height { 0 };
    std::vector<std::uint32_t> argb; // row by row from the top, 0xAARRGGBB
};

// Replaces the window's icon with these pictures (none: removes it). False
// when the window is not an X window.
bool set_window_icon(SDL_Window* window, std::vector<IconPicture> const& pictures);

}
