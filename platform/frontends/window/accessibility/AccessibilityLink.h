// The window front end's link to screen readers: decides, cheaply and
// without touching any bus, whether an accessibility bus can be there; if so
// loads the accessibility module and feeds it the dialog's snapshots and
// whether the window has the keyboard (watching the windowing library's
// events for that), and queues the actions it sends back for the front end's
// event loop, waking that loop when one comes.
#pragma once

#include "frontends/window/accessibility/DialogAccessibility.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

union SDL_Event;

namespace platform::frontends::window::accessibility {

// Whether this environment names a bus a screen reader could be on: the
// accessibility bus itself (AT_SPI_BUS_ADDRESS) or a session bus to ask for
// it (DBUS_SESSION_BUS_ADDRESS, or the user's bus socket in XDG_RUNTIME_DIR),
// unless NO_AT_BRIDGE=1 turns it off as for every other toolkit. Reads only
// the environment and one file's status.
bool accessibility_bus_may_be_there();

class AccessibilityLink final : private ActionSink {
public:
    // Null where no accessibility bus can be there, or where the module is
    // missing or from another build (the dialog then works as before).
    static std::unique_ptr<AccessibilityLink> start();

    ~AccessibilityLink();
    AccessibilityLink(AccessibilityLink const&) = delete;
    AccessibilityLink& operator=(AccessibilityLink const&) = delete;

    void update(DialogView const& view);
    void hide();

    // The oldest action a screen reader asked for, if any.
    std::optional<InputEvent> take_action();

private:
    AccessibilityLink() = default;
    void post(std::vector<InputEvent> const& events) override;
    static int watch_focus(void* link, SDL_Event* event);

    std::unique_ptr<DialogAccessibility> m_module;
    std::uint32_t m_wake_event { 0 };
    bool m_watching { false }; // the window's focus, while the dialog is shown
    std::mutex m_mutex;
    std::deque<InputEvent> m_actions;
};

}
