// What a front end sees of the running dialog: a read-only snapshot of the dialog
// window and its controls, taken by the dialog manager each time it asks the
// front end to show or refresh the dialog. A front end keeps the latest snapshot
// and draws from it; it never reaches into the dialog manager's windows.
#pragma once

#include "frontends/DeviceNotice.h"
#include "wintypes.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace platform::frontends {

// The SDK gives RECT and SIZE no comparison; snapshots compare them member by
// member.
inline bool operator==(RECT const& a, RECT const& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator==(SIZE const& a, SIZE const& b)
{
    return a.cx == b.cx && a.cy == b.cy;
}

// The predefined control classes the dialog manager builds.
enum class ControlClass {
    Button,
    Edit,
    Static,
};

// A rectangle in dialog units, as the template gives it: position of the
// top-left corner in the dialog's client area, then width and height.
struct DialogUnitRect {
    int x { 0 };
    int y { 0 };
    int cx { 0 };
    int cy { 0 };

    bool operator==(DialogUnitRect const&) const = default;
};

struct ControlView {
    HWND hwnd { nullptr };
    // The control's identifier as a signed number: -1 for labels and the icon
    // (the template's 0xFFFF).
    int id { -1 };
    ControlClass control_class { ControlClass::Static };
    DWORD style { 0 };    // WS_*, BS_*, ES_*, SS_* bits as they stand now
    DWORD ex_style { 0 }; // WS_EX_* bits
    std::u16string text;  // the current window text, unchanged (may hold any character)

    // In front-end units, relative to the top-left corner of the dialog's client
    // area (DialogView::client_rect).
    RECT rect { 0, 0, 0, 0 };
    // In dialog units, exactly as the template gave them.
    DialogUnitRect dialog_units;

    bool visible { true };
    bool enabled { true };
    bool focused { false };

    // Buttons: BS_DEFPUSHBUTTON is set in `style` on the push button that Enter
    // would press now (the focused push button, or else the default one).
    bool is_default { false };
    // Push buttons: held in by the space bar (drawn pushed until it comes up;
    // a front end draws a button held by its own pointer itself).
    bool pushed { false };

    // Edits, in UTF-16 code units of `text`: the caret, the selection
    // [selection_start, selection_end) (empty when they are equal) and the
    // index of the first character shown at the left edge of the field.
    std::size_t caret { 0 };
    std::size_t selection_start { 0 };
    std::size_t selection_end { 0 };
    std::size_t scroll { 0 };

    // SS_ICON statics show an icon instead of their text: the icon, or null
    // when none could be loaded.
    bool shows_icon { false };
    HICON icon { nullptr };

    // Two snapshots that compare equal show the same thing, so that a front end
    // need not draw again after an event that changed nothing (a key's
    // release, say): every field takes part.
    bool operator==(ControlView const&) const = default;
};

struct DialogView {
    HWND hwnd { nullptr };
    std::u16string caption;
    DWORD style { 0 };    // WS_CAPTION, WS_SYSMENU (the close button), DS_* ...
    DWORD ex_style { 0 }; // WS_EX_CAPTIONOKBTN (the title bar's OK button) ...

    // In front-end units on the front end's screen: the whole window, frame and
    // title bar included, and the client area that the controls sit in. The
    // difference is FrontEnd::non_client_insets.
    RECT window_rect { 0, 0, 0, 0 };
    RECT client_rect { 0, 0, 0, 0 };
    // The screen the dialog is placed on (GetSystemMetrics' SM_CXSCREEN and
    // SM_CYSCREEN), in front-end units.
    SIZE screen { 0, 0 };

    // Set with WM_SETICON; null when none was set.
    HICON big_icon { nullptr };
    HICON small_icon { nullptr };

    // Every control, in template order (which is also the tab order).
    std::vector<ControlView> controls;

    // Index into `controls` of the control with the keyboard focus, if any.
    std::optional<std::size_t> focus;

    // What the device has to tell the user now, most important first; shown
    // on the dialog's screen, outside the dialog.
    std::vector<DeviceNotice> notices;

    bool operator==(DialogView const&) const = default;
};

}
