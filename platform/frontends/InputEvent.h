// The input a front end hands to the dialog manager, one event at a time. The
// dialog manager turns each into the window messages a Windows dialog gets
// (WM_KEYDOWN/WM_CHAR/WM_KEYUP, WM_LBUTTONDOWN/WM_LBUTTONUP, WM_SYSCOMMAND ...),
// so that keys and clicks mean here what they mean on the device.
#pragma once

#include "wintypes.h"

#include <cstddef>
#include <string>
#include <variant>

namespace platform::frontends {

// One press and release of a key, by virtual-key code (VK_TAB, VK_RETURN,
// VK_ESCAPE, VK_SPACE, VK_BACK, VK_DELETE, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN,
// VK_HOME, VK_END, or 'A'..'Z' with ctrl), with the modifiers held meanwhile.
// Tab, Enter, Escape, Backspace and Space come as key presses, not as typed
// characters.
struct KeyPress {
    UINT vk { 0 };
    bool shift { false };
    bool ctrl { false };
};

// A key going down and coming up again, for front ends that see both (the
// window): KeyDown is handled as the press of a KeyPress (the dialog's keys,
// WM_KEYDOWN and WM_CHAR), KeyUp sends WM_KEYUP to the window that has the
// focus when the key comes up. So a push button pressed with Space clicks on
// the release, and not at all if the focus moved meanwhile. A key held down
// repeats its KeyDown.
struct KeyDown {
    UINT vk { 0 };
    bool shift { false };
    bool ctrl { false };
};
struct KeyUp {
    UINT vk { 0 };
};

// One typed character, a Unicode code point (not a control character). A
// space typed as a character counts as a press of the space bar.
struct CharInput {
    char32_t ch { 0 };
};

// A click (press and release of the primary button) at a point of the screen,
// in front-end units. The dialog manager finds the control under it.
struct PointClick {
    POINT point { 0, 0 };
};

// A click on a control that the front end has already found: `index` into
// DialogView::controls, `offset` from the top-left corner of the control's
// rectangle, in front-end units. On an edit it puts the caret at that place.
struct ControlClick {
    std::size_t index { 0 };
    POINT offset { 0, 0 };
};

// A click on one of the buttons that the front end draws in the title bar.
enum class CaptionButton {
    Ok,    // WS_EX_CAPTIONOKBTN: WM_COMMAND IDOK
    Close, // WS_SYSMENU: WM_SYSCOMMAND SC_CLOSE, so WM_CLOSE and then IDCANCEL
};
struct CaptionClick {
    CaptionButton button { CaptionButton::Close };
};

// The user or the environment asks to close the dialog, as with the close
// button (Ctrl+C, a signal, the end of a script). `final` says no more input
// will ever come: should the dialog ignore the close, the dialog manager then
// ends it with IDCANCEL itself rather than wait for input forever.
struct CloseRequest {
    bool final { false };
};

// The front end's screen changed size (front-end units). A dialog that was
// centred on the screen is centred again.
struct ScreenResize {
    SIZE size { 0, 0 };
};

// The primary button going down on a control that the front end has found
// (`index` and `offset` as in ControlClick), moving while it is held, and
// coming up again, for front ends that follow the pointer: the control gets
// WM_LBUTTONDOWN (WM_LBUTTONDBLCLK for the second press of a double click),
// WM_MOUSEMOVE and WM_LBUTTONUP, and keeps the mouse between press and release
// wherever the pointer goes (the offsets may then lie outside the control).
struct PointerPress {
    std::size_t index { 0 };
    POINT offset { 0, 0 };
    bool shift { false };
    bool double_click { false };
};
struct PointerMove {
    POINT offset { 0, 0 };
};
struct PointerRelease {
    POINT offset { 0, 0 };
};

// Text the user pasted (a terminal's bracketed paste): text for the focused
// edit, never keys. A single-line edit takes it up to its first line break,
// without control characters; with a button focused it does nothing.
struct PasteText {
    std::u16string text;
};

// The user dragged the dialog by its title bar: the top-left corner of its
// window goes to `position` on the screen, in front-end units (unless the
// dialog has WS_EX_NODRAG).
struct DialogMove {
    POINT position { 0, 0 };
};

using InputEvent = std::variant<KeyPress, CharInput, PointClick, ControlClick, CaptionClick, CloseRequest, ScreenResize,
                                PasteText, PointerPress, PointerMove, PointerRelease, KeyDown, KeyUp, DialogMove>;

}
