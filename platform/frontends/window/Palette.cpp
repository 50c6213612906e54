// The palette and metrics tables, with the source of every value.
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
} };

Rgb colour(Role role)
{
    return palette_table[static_cast<std::size_t>(role)].rgb;
}

std::array<MetricEntry, 15> const metrics_table { {
    { "caption_height", Metrics::caption_height, Source::documented, "GWE registry default cyCap = 23" },
    { "caption_button_width", Metrics::caption_button_width, Source::documented, "GWE registry default cxWidg = 16" },
    { "caption_button_inset", Metrics::caption_button_inset, Source::chosen, "classic caption buttons sit 2 px inside the bar" },
    { "caption_ok_padding", Metrics::caption_ok_padding, Source::chosen, "the OK button's size is not documented: its text plus this" },
    { "caption_text_left", Metrics::caption_text_left, Source::chosen, "the caption shows no icon: the text starts near the left" },
    { "dialog_frame", Metrics::dialog_frame, Source::chosen, "SM_CXDLGFRAME has no documented number; 3 is the classic one" },
    { "border", Metrics::border, Source::documented, "SM_CXBORDER: a 1-pixel line" },
    { "edit_margin", Metrics::edit_margin, Source::chosen, "a pixel of white before the first character" },
    { "focus_inset", Metrics::focus_inset, Source::chosen, "the classic focus rectangle, 2 px inside the button's edge" },
    { "icon_size", Metrics::icon_size, Source::documented, "the 32 x 32 icon every CE program provides (SM_CXICON)" },
    { "caret_width", Metrics::caret_width, Source::documented, "CreateCaret with width 0: the border width" },
    { "caret_blink_ms", Metrics::caret_blink_ms, Source::chosen, "GetCaretBlinkTime's default is not documented" },
    { "double_click_width", Metrics::double_click_width, Source::documented, "SM_CXDOUBLECLK: a second click within 4 x 4 pixels of the first" },
    { "double_click_height", Metrics::double_click_height, Source::documented, "SM_CYDOUBLECLK" },
    { "double_click_ms", Metrics::double_click_ms, Source::documented, "GetDoubleClickTime's default, 500 ms" },
} };

}
