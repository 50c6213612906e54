// Paints a snapshot of the dialog into a canvas the size of the terminal, and
// tells which part of the drawn dialog a cell belongs to, for mouse clicks.
#pragma once

#include "frontends/DialogView.h"
#include "frontends/terminal/Canvas.h"
#include "frontends/terminal/IconCells.h"
#include "frontends/terminal/Layout.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace platform::frontends::terminal {

// Where each part of the dialog is drawn on a screen of a given size.
struct DialogGeometry {
    CellRect window;
    CellRect client;
    std::optional<CellRect> caption_ok;    // the title bar's OK button
    std::optional<CellRect> caption_close; // the title bar's close button
    std::vector<CellRect> controls;        // as DialogView::controls; empty for hidden ones
    bool fits { true };                    // false: too small, the notice is shown
};

DialogGeometry dialog_geometry(DialogView const& view, int screen_cols, int screen_rows);

// What a click on a cell means.
struct HitTarget {
    enum class Kind {
        nothing,
        caption_ok,
        caption_close,
        control,
    };
    Kind kind { Kind::nothing };
    std::size_t index { 0 }; // into DialogView::controls
    int offset_x { 0 };      // from the control's rectangle in the view, in cells
    int offset_y { 0 };
};

HitTarget hit_test(DialogView const& view, DialogGeometry const& geometry, int col, int row);

struct PaintOptions {
    Charset charset { Charset::unicode };
};

// Paints the dialog (or, when it does not fit, the notice saying the size it
// needs) into `canvas`, and places the canvas's cursor at the caret of a
// focused edit.
void paint_dialog(Canvas& canvas, DialogView const& view, DialogGeometry const& geometry,
                  PaintOptions const& options);

}
