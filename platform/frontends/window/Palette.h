// The colours of the device's screen, by role, and the metrics of what the
// painter draws: every colour and size is chosen in one place, each with where
// its value comes from: the device documents the roles (GetSysColor's COLOR_*
// indices) but no default colours, and only a few sizes.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace platform::frontends::window {

// 0xRRGGBB.
using Rgb = std::uint32_t;

enum class Role {
    desktop,          // COLOR_BACKGROUND
    button_face,      // COLOR_BTNFACE (3DFACE): dialogs, buttons, statics
    button_highlight, // COLOR_BTNHIGHLIGHT (3DHILIGHT)
    button_light,     // COLOR_3DLIGHT
    button_shadow,    // COLOR_BTNSHADOW
    dark_shadow,      // COLOR_3DDKSHADOW
    button_text,      // COLOR_BTNTEXT
    window,           // COLOR_WINDOW: the inside of edits
    window_text,      // COLOR_WINDOWTEXT
    window_frame,     // COLOR_WINDOWFRAME: WS_BORDER, the default button's frame
    active_caption,   // COLOR_ACTIVECAPTION
    caption_text,     // COLOR_CAPTIONTEXT
    inactive_caption, // COLOR_INACTIVECAPTION
    inactive_caption_text,
    highlight,      // COLOR_HIGHLIGHT: selected text's background
    highlight_text, // COLOR_HIGHLIGHTTEXT
    gray_text,      // COLOR_GRAYTEXT
    letterbox,      // the host window around the device's screen (no device colour)
    info_background, // COLOR_INFOBK: the device's notices
    info_text,       // COLOR_INFOTEXT
    count,
};

// Where a value comes from.
enum class Source {
    documented, // a documented device value
    chosen,     // not documented for the device: our choice, with the reason beside it
};

struct PaletteEntry {
    Role role;
    Rgb rgb;
    Source source;
    std::string_view why;
};

// The classic grey, navy and teal scheme, the one a device's SysColor example
// carries; the device publishes no default colours of its own.
extern std::array<PaletteEntry, static_cast<std::size_t>(Role::count)> const palette_table;

Rgb colour(Role role);

// The metrics, in device pixels at 96 DPI: documented where the comment says
// so, else chosen for the reason it gives.
struct Metrics {
    // Documented: the GWE registry default cyCap.
    static constexpr int caption_height = 23;
    // Documented: the GWE registry default cxWidg, the close button's width.
    static constexpr int caption_button_width = 16;
    // Chosen: classic caption buttons sit 2 px inside the bar (above, below, right).
    static constexpr int caption_button_inset = 2;
    // Chosen: the OK button's size is not documented: its text plus this either side.
    static constexpr int caption_ok_padding = 4;
    // Chosen: the caption shows no icon, so its text starts near the left.
    static constexpr int caption_text_left = 4;
    // Chosen: SM_CXDLGFRAME (DS_MODALFRAME) has no documented number; 3 is the classic one.
    static constexpr int dialog_frame = 3;
    // Documented: SM_CXBORDER (WS_BORDER), a 1-pixel line.
    static constexpr int border = 1;
    // Chosen: a pixel of white between an edit's border and its first character.
    static constexpr int edit_margin = 1;
    // Chosen: the classic focus rectangle, 2 px inside the button's edge.
    static constexpr int focus_inset = 2;
    // Documented: SM_CXICON, the 32 x 32 icon every CE program provides.
    static constexpr int icon_size = 32;
    // Documented: CreateCaret with width 0 takes the border width.
    static constexpr int caret_width = 1;
    // Chosen: GetCaretBlinkTime's default is not documented.
    static constexpr int caret_blink_ms = 500;
    // Documented: SM_CXDOUBLECLK and SM_CYDOUBLECLK, a second click within 4 x 4 pixels of the first.
    static constexpr int double_click_width = 4;
    static constexpr int double_click_height = 4;
    // Documented: GetDoubleClickTime's default, 500 ms.
    static constexpr int double_click_ms = 500;
    // Chosen: the room round the device's notices, inside their strip.
    static constexpr int notice_margin = 2;
};

}
