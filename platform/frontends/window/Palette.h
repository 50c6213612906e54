// The colours of the device's screen, by role, and the metrics of what the
// painter draws: one table each, so that every colour and size is chosen in one
// place. Each entry says where its value comes from: the device documents the
// roles (GetSysColor's COLOR_* indices) but no default colours, and only a few
// sizes.
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

struct MetricEntry {
    std::string_view name;
    int pixels;
    Source source;
    std::string_view why;
};

// The metrics, in device pixels at 96 DPI.
struct Metrics {
    static constexpr int caption_height = 23;        // GWE cyCap
    static constexpr int caption_button_width = 16;  // GWE cxWidg: the close button
    static constexpr int caption_button_inset = 2;   // above, below and right of caption buttons
    static constexpr int caption_ok_padding = 4;     // either side of "OK" in its caption button
    static constexpr int caption_text_left = 4;      // the caption text's left margin
    static constexpr int dialog_frame = 3;           // DS_MODALFRAME: SM_CXDLGFRAME
    static constexpr int border = 1;                 // WS_BORDER: SM_CXBORDER
    static constexpr int edit_margin = 1;            // between an edit's border and its text
    static constexpr int focus_inset = 2;            // the focus rectangle inside a button's edge
    static constexpr int icon_size = 32;             // SM_CXICON
    static constexpr int caret_width = 1;            // CreateCaret with width 0
    static constexpr int caret_blink_ms = 500;       // GetCaretBlinkTime
    static constexpr int double_click_width = 4;     // SM_CXDOUBLECLK
    static constexpr int double_click_height = 4;    // SM_CYDOUBLECLK
    static constexpr int double_click_ms = 500;      // GetDoubleClickTime
};

extern std::array<MetricEntry, 15> const metrics_table;

}
