// Paints the device's screen: the desktop with the device's notices, and on it
// the dialog with its frame, caption and caption buttons and its controls, each
// element in one function from the palette's roles and the metrics, as the
// dialog's rules (DialogRules.h) lay them out. Also tells which part of the
// screen a point belongs to, for the mouse.
#pragma once

#include "frontends/DialogRules.h"
#include "frontends/DialogView.h"
#include "frontends/FrontEnd.h"
#include "frontends/window/Canvas.h"
#include "frontends/window/DeviceFont.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace platform::frontends::window {

struct Fonts {
    DeviceFont const& dialog;
    DeviceFont const& caption;
};

// The frame and caption around a dialog of these styles.
Insets dialog_insets(DWORD style, DWORD ex_style);

// Where an edit's text goes inside the edit (relative to its top-left corner).
RECT edit_text_area(RECT const& control, DWORD style);

// Where the parts of the dialog are on the screen.
struct ScreenGeometry {
    PixelRect window;
    PixelRect client;
    std::optional<PixelRect> caption;
    std::optional<PixelRect> caption_ok;
    std::optional<PixelRect> caption_close;
    // The device's notices, along the screen's bottom edge over whatever lies
    // there, and their lines as wrapped to fit it.
    std::optional<PixelRect> notices;
    std::vector<std::u16string_view> notice_lines;
};

ScreenGeometry screen_geometry(DialogView const& view, Fonts const& fonts);

// A part of the screen under the pointer.
struct Target {
    using Kind = HitKind;
    Kind kind { Kind::nothing };
    std::size_t index { 0 }; // into DialogView::controls

    bool operator==(Target const&) const = default;
};

Target hit_test(DialogView const& view, ScreenGeometry const& geometry, int x, int y);

// What the snapshot does not say: whether the host window has the focus,
// whether the caret is in its visible half of a blink, and which button the
// pointer holds down (drawn sunk).
struct PaintState {
    bool active { true };
    bool caret_on { true };
    std::optional<Target> sunk;
};

void paint_screen(Canvas& canvas, DialogView const& view, Fonts const& fonts, PaintState const& state);

}
