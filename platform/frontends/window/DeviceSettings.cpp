// Parsing the device's settings strictly: a value that is not understood is
// an error, not a guess.
#include "frontends/window/DeviceSettings.h"

#include "text/TerminalText.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace platform::frontends::window {

namespace {

std::optional<int> whole_number(std::string_view text, int low, int high)
{
    if (text.empty() || text.size() > 6)
        return std::nullopt;
    int value = 0;
    auto const [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

}

std::optional<SIZE> parse_screen_size(std::string const& text)
{
    auto const x = text.find_first_of("xX");
    if (x == text.npos)
        return std::nullopt;
    auto const width = whole_number(std::string_view(text).substr(0, x), 64, 4096);
    auto const height = whole_number(std::string_view(text).substr(x + 1), 64, 4096);
    if (!width || !height)
        return std::nullopt;
    return SIZE { *width, *height };
}

std::optional<int> parse_zoom(std::string const& text)
{
    return whole_number(text, 1, largest_zoom);
}

Result<DeviceSettings> read_device_settings()
{
    DeviceSettings settings;
    if (char const* screen = std::getenv("CE_DEVICE_SCREEN"); screen && *screen) {
        auto const size = parse_screen_size(screen);
        if (!size)
            return Error { "CE_DEVICE_SCREEN=" + platform::text::excerpt_for_terminal(screen)
                           + " is not a screen size; use WIDTHxHEIGHT, as 240x320" };
        settings.screen = *size;
    }
    if (char const* zoom = std::getenv("CE_DEVICE_ZOOM"); zoom && *zoom) {
        auto const value = parse_zoom(zoom);
        if (!value)
            return Error { "CE_DEVICE_ZOOM=" + platform::text::excerpt_for_terminal(zoom)
                           + " is not a zoom; use a whole number from 1 to " + std::to_string(largest_zoom) };
        settings.zoom = *value;
    }
    if (char const* screenshot = std::getenv("CE_DEVICE_SCREENSHOT"); screenshot && *screenshot)
        settings.screenshot = screenshot;
    return settings;
}

int automatic_zoom(SIZE screen, int width, int height)
{
    if (screen.cx <= 0 || screen.cy <= 0)
        return 1;
    int const across = static_cast<int>(2 * static_cast<long>(width) / (3 * static_cast<long>(screen.cx)));
    int const down = static_cast<int>(2 * static_cast<long>(height) / (3 * static_cast<long>(screen.cy)));
    return std::clamp(std::min(across, down), 1, 4);
}

}
