// The seam between the window front end and the accessibility module, the
// shared object that shows the dialog to screen readers on the AT-SPI bus.
// The front end loads the module only where an accessibility bus can be
// reached, so that no other process pays for its libraries (ATK, the AT-SPI
// bridge, GLib); both sides are built from this tree, and the version below
// keeps a module left over from another build from being used.
//
// The module runs the bus in a thread of its own. The front end hands it each
// snapshot it draws; the module hands back the input a screen reader's
// actions stand for (a click on a control, on a caption button), which the
// front end gives the dialog manager as it gives it the user's own.
#pragma once

#include "frontends/DialogView.h"
#include "frontends/InputEvent.h"

#include <vector>

namespace platform::frontends::window::accessibility {

inline constexpr int module_interface_version = 1;

// The module's file name, looked for in ../lib beside the running executable
// (build/bin/velquin finds build/lib/libce-accessibility.so).
inline constexpr char module_file_name[] = "libce-accessibility.so";

// The name of the module's one entry point, of type StartFunction.
inline constexpr char module_entry_point[] = "ce_accessibility_start";

// Where the module's actions go: called from the module's own thread. One
// action may stand for several events (a click, then keys); they come as one
// batch, so that nothing the user does falls between them.
class ActionSink {
public:
    virtual void post(std::vector<InputEvent> const& events) = 0;

protected:
    ~ActionSink() = default;
};

// The module's side. Its calls are made from the front end's thread and
// return at once whatever the bus does.
class DialogAccessibility {
public:
    virtual ~DialogAccessibility() = default;

    // The dialog as it is now: the first call shows it, later ones announce
    // what changed (focus, texts, the caption).
    virtual void update(DialogView const& view) = 0;

    // The dialog has left the screen; no action is posted until the next
    // update.
    virtual void hide() = 0;

    // The window gained or lost the keyboard. May be called from whichever
    // thread the windowing library reports it in.
    virtual void set_active(bool active) = 0;
};

// Starts the module's thread. `sink` outlives the returned object; null
// when the version differs.
using StartFunction = DialogAccessibility* (*)(int version, ActionSink* sink);

}
