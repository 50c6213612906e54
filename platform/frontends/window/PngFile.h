// Writes the device's screen as a PNG file, atomically: the picture is written
// beside the target under a temporary name and renamed over it, so a reader
// sees the old picture or the new one, never half of one. A FIFO or a
// character device is written where it is instead, never replaced; anything
// else that is not a regular file is refused.
#pragma once

#include "frontends/window/Canvas.h"
#include "text/Result.h"

#include <string>

namespace platform::frontends::window {

// Succeeds once the file is in place.
Result<void> write_png(std::string const& path, Canvas const& canvas);

// An 8-bit RGB or RGBA PNG as a canvas (for comparing pictures).
Result<Canvas> read_png(std::string const& path);

}
