// Paints a snapshot of the dialog into a canvas the size of the terminal, and
// tells which part of the drawn dialog a cell belongs to, for mouse clicks.
#pragma once

#include "frontends/DialogRules.h"
#include "frontends/DialogView.h"
#include "frontends/terminal/Canvas.h"
#include "frontends/terminal/IconCells.h"
#include "frontends/terminal/Layout.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace platform::frontends::terminal {

struct PaintOptions {
    Charset charset { Charset::unicode };
    // Without Unicode, the frame is drawn with the terminal's own line
    // drawing characters (the box-drawing characters in the canvas, which
    // CursesScreen sends as such) rather than + - |.
    bool line_drawing { false };
    // Lines shown below the dialog, on the screen's last rows (the device's
    // notices), one a row.
    std::vector<std::u16string> notices;
};

// Where each part of the dialog is drawn on a screen of a given size. A
// screen smaller than the dialog takes room from the rows and columns of the
// client area that hold nothing (between and around the controls); only when
// that is not enough does the notice saying the size needed stand in for
// the dialog.
struct DialogGeometry {
    CellRect window;
    CellRect client;
    std::optional<CellRect> caption_ok;    // the title bar's OK button
    std::optional<CellRect> caption_close; // the title bar's close button
    std::vector<CellRect> controls;        // as DialogView::controls; empty for hidden ones
    bool fits { true };                    // false: too small, the notice is shown
    int need_cols { 0 };                   // the smallest screen that shows the dialog
    int need_rows { 0 };

    // The client area at the dialog's own size, each control in it, and
    // where each of its columns and rows lands in `client` (-1: left out).
    CellRect natural_client;
    std::vector<CellRect> local;
    std::vector<int> col_map;
    std::vector<int> row_map;
};

DialogGeometry dialog_geometry(DialogView const& view, int screen_cols, int screen_rows,
                               PaintOptions const& options = {});

// What a click on a cell means. Never Kind::caption: the terminal does not
// drag the dialog, so its title bar outside the buttons is nothing to click.
struct HitTarget {
    using Kind = HitKind;
    Kind kind { Kind::nothing };
    std::size_t index { 0 }; // into DialogView::controls
    int offset_x { 0 };      // from the control's rectangle in the view, in cells
    int offset_y { 0 };
};

HitTarget hit_test(DialogView const& view, DialogGeometry const& geometry, int col, int row);

// Paints the dialog (or, when it does not fit, the notice saying the size it
// needs) into `canvas`, and places the canvas's cursor at the caret of a
// focused edit.
void paint_dialog(Canvas& canvas, DialogView const& view, DialogGeometry const& geometry,
                  PaintOptions const& options);
// The same, painting the client area in `scratch` first (kept from one call
// to the next, so that a redraw allocates nothing).
void paint_dialog(Canvas& canvas, Canvas& scratch, DialogView const& view, DialogGeometry const& geometry,
                  PaintOptions const& options);

}
