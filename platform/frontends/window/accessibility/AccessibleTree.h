// The dialog as a tree of ATK objects, which the AT-SPI bridge puts on the
// bus: the application, its dialog, and the dialog's controls in template
// order (push buttons, editable texts, labels, the icon as an image). Built
// from the front end's snapshots; each new snapshot is compared with the last
// and what changed is announced (focus, text typed or removed, the caret,
// names). A screen reader's actions become the input a user would give.
//
// Used only from the thread that runs the bus.
#pragma once

#include "frontends/DialogView.h"
#include "frontends/InputEvent.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct _AtkObject AtkObject;

namespace platform::frontends::window::accessibility {

struct Node;

class AccessibleTree {
public:
    // Where actions go: each batch is handed on whole, in order.
    using ActionHandler = std::function<void(std::vector<InputEvent> const&)>;

    explicit AccessibleTree(ActionHandler actions);
    ~AccessibleTree();
    AccessibleTree(AccessibleTree const&) = delete;
    AccessibleTree& operator=(AccessibleTree const&) = delete;

    // The application object, the root the bridge asks for.
    AtkObject* root() const;

    // The dialog as the snapshot shows it; the first one names the
    // application after the dialog's caption, as the device's taskbar does.
    void update(DialogView const& view);

    // The dialog has left the screen: taken out of the tree.
    void clear();

    // The dialog's window gained or lost the keyboard (a reader follows the
    // active window).
    void set_active(bool active);

    // For the objects: hands a screen reader's action on.
    void act(std::vector<InputEvent> const& events) const;

private:
    void rebuild(DialogView const& view);
    void announce_changes(DialogView const& view);

    ActionHandler m_actions;
    std::unique_ptr<Node> m_application;
    std::unique_ptr<Node> m_dialog;
    std::vector<std::unique_ptr<Node>> m_controls;
    std::optional<std::size_t> m_focus;
    bool m_active { false };
};

}
