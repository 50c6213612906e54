// The primary button on the device's screen, as a CE dialog takes it: a press
// on a control captures the pointer until the release, the control hearing
// where the pointer is from its own corner however far it goes; a caption
// button acts only when released over it; the title bar drags the dialog; two
// presses close together in time and place are a double click. Points are the
// device's screen pixels; the window turns its own coordinates into them.
#pragma once

#include "frontends/FrontEnd.h"
#include "frontends/window/Painter.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>

namespace platform::frontends::window {

// `screen` from the corner of control `index` of the view.
POINT offset_in_control(DialogView const& view, std::size_t index, POINT screen);

class PointerCapture {
public:
    using Clock = std::chrono::steady_clock;

    // Each takes the view on the screen and adds the dialog's input to `out`;
    // true when the screen must be drawn again (a button goes in or out).

    // The button went down at `screen` at `time` (the host's milliseconds).
    bool press(DialogView const& view, Fonts const& fonts, POINT screen, bool shift, std::uint32_t time,
               std::deque<InputEvent>& out);
    // The pointer moved with the button down; nullopt where the window cannot
    // place it on the screen. A dragged title bar stays within `screen_size`.
    bool move(DialogView const& view, Fonts const& fonts, SIZE screen_size, std::optional<POINT> screen,
              std::deque<InputEvent>& out);
    bool release(DialogView const& view, Fonts const& fonts, SIZE screen_size, std::optional<POINT> screen,
                 std::deque<InputEvent>& out);
    // The window lost the focus: as a button losing the capture, what is held
    // is released, not clicked.
    void lose(std::deque<InputEvent>& out);
    // The dialog is gone: nothing held, no press to make a double click with.
    void reset();

    // Something is held or dragged.
    bool active() const { return m_held || m_drag; }
    // What the screen shows pushed in: a held button with the pointer over it.
    std::optional<Target> sunk(DialogView const& view) const;

    // While an edit is held with the pointer beyond its side, the drag goes
    // on by itself (the edit scrolls) at a pace: when the next step is due,
    // if one is, and the step itself.
    std::optional<Clock::time_point> drag_scroll_due(DialogView const& view) const;
    InputEvent drag_scroll_step(Clock::time_point now);

private:
    bool over_held(DialogView const& view, Fonts const& fonts, POINT screen) const;

    // The part of the screen the button went down on, while it is held.
    std::optional<Target> m_held;
    bool m_held_over { false };
    // Where the pointer holding an edit is, from the edit's corner.
    std::optional<POINT> m_held_offset;
    Clock::time_point m_drag_scroll_next {};
    static constexpr std::chrono::milliseconds drag_scroll_pace { 50 };

    // A press on the title bar drags the dialog: where the pointer took it
    // and where the dialog's window was then, on the device's screen.
    struct CaptionDrag {
        POINT grab;
        POINT origin;
        POINT last;
    };
    std::optional<CaptionDrag> m_drag;

    // The last press, for telling a double click.
    struct LastPress {
        std::uint32_t time;
        POINT point;
    };
    std::optional<LastPress> m_last_press;
};

}
