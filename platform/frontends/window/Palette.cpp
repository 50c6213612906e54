// The palette table, with the source of every colour.
#include "frontends/window/Palette.h"

namespace platform::frontends::window {

std::array<PaletteEntry, static_cast<std::size_t>(Role::count)> const palette_table { {
    { Role::desktop, 0x008080, Source::chosen, "teal: the SysColor example blob of an H/PC, and Win95's scheme" },
    { Role::button_face, 0xC0C0C0, Source::chosen, "Win95/NT4 Windows Standard ButtonFace" },
    { Role::button_highlight, 0xFFFFFF, Source::chosen, "Win95/NT4 ButtonHilight" },
    { Role::button_light, 0xC0C0C0, Source::chosen, "Win95 themes: 3DLIGHT equal to the face" },
    { Role::button_shadow, 0x808080, Source::chosen, "Win95/NT4 ButtonShadow" },
    { Role::dark_shadow, 0x000000, Source::chosen, "Win95 ButtonDkShadow" },
    { Role::button_text, 0x000000, Source::chosen, "Win95/NT4 ButtonText" },
    { Role::window, 0xFFFFFF, Source::chosen, "Win95/NT4 Window" },
    { Role::window_text, 0x000000, Source::chosen, "Win95/NT4 WindowText" },
    { Role::window_frame, 0x000000, Source::chosen, "Win95/NT4 WindowFrame" },
    { Role::active_caption, 0x000080, Source::chosen, "Win95/NT4 ActiveTitle" },
    { Role::caption_text, 0xFFFFFF, Source::chosen, "Win95/NT4 TitleText" },
    { Role::inactive_caption, 0x808080, Source::chosen, "Win95 InactiveTitle" },
    { Role::inactive_caption_text, 0xC0C0C0, Source::chosen, "Win95 InactiveTitleText" },
    { Role::highlight, 0x000080, Source::chosen, "Win95/NT4 Hilight" },
    { Role::highlight_text, 0xFFFFFF, Source::chosen, "Win95/NT4 HilightText" },
    { Role::gray_text, 0x808080, Source::chosen, "Win95/NT4 GrayText" },
    { Role::letterbox, 0x202020, Source::chosen, "dark, so that the device's screen stands out in a larger host window" },
    { Role::info_background, 0xFFFFE1, Source::chosen, "Win98/NT InfoWindow: the pale yellow of a tip" },
    { Role::info_text, 0x000000, Source::chosen, "Win98/NT InfoText" },
} };

Rgb colour(Role role)
{
    return palette_table[static_cast<std::size_t>(role)].rgb;
}

}
