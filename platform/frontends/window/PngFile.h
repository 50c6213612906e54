// Writes the device's screen as a PNG file, atomically: the picture is written
// beside the target under a temporary name and renamed over it, so a reader
// sees the old picture or the new one, never half of one. A FIFO or a
// character device is written where it is instead, never replaced; anything
// else that is not a regular file is refused.
#pragma once

#include "frontends/window/Canvas.h"

#include <optional>
#include <string>

namespace platform::frontends::window {

// An error text, or nullopt once the file is in place.
std::optional<std::string> write_png(std::string const& path, Canvas const& canvas);

// Reads an 8-bit RGB or RGBA PNG into a canvas (for comparing pictures); an
// error text when it cannot.
std::optional<std::string> read_png(std::string const& path, std::optional<Canvas>& canvas);

}
