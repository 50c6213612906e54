// The window front end's device settings from the environment: the screen's
// size (CE_DEVICE_SCREEN=WxH), the zoom it is shown at (CE_DEVICE_ZOOM) and
// the file its picture goes to (CE_DEVICE_SCREENSHOT).
#pragma once

#include "text/Result.h"
#include "wintypes.h"

#include <optional>
#include <string>

namespace platform::frontends::window {

// A Pocket PC's portrait screen: the bias dialog fits it whole with the
// dialog font's 6 x 13 base units.
inline constexpr SIZE default_screen { 240, 320 };
inline constexpr int largest_zoom = 8;

struct DeviceSettings {
    SIZE screen { default_screen };
    int zoom { 0 }; // 0: chosen to suit the host's display
    std::string screenshot;
};

// "WxH" with each side from 64 to 4096; nullopt for anything else.
std::optional<SIZE> parse_screen_size(std::string const& text);
// A whole number from 1 to largest_zoom; nullopt for anything else.
std::optional<int> parse_zoom(std::string const& text);

// The settings from the environment; an error names the setting.
Result<DeviceSettings> read_device_settings();

// The zoom for a host display whose usable area is `width` x `height`: the
// largest whole number that keeps the screen within two thirds of it, from 1
// to 4.
int automatic_zoom(SIZE screen, int width, int height);

}
