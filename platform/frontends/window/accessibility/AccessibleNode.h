// One object of the dialog's tree as a screen reader sees it: what the last
// snapshot showed of it, and the ATK object that shows it on the bus. The
// ATK side (AccessibleObjects.cpp) reads the node; the tree keeps it up to
// date; an ATK object whose node has gone reads as defunct.
#pragma once

#include "frontends/DialogView.h"

#include <string>
#include <vector>

typedef struct _AtkObject AtkObject;

namespace platform::frontends::window::accessibility {

class AccessibleTree;

enum class Kind {
    application,
    dialog,
    push_button,
    edit,
    label,
    image,
};

// What an object shows, as of the last snapshot.
struct Node {
    // Makes the ATK object of the kind's type.
    Node(Kind kind_, AccessibleTree const& tree_);
    ~Node();
    Node(Node const&) = delete;
    Node& operator=(Node const&) = delete;

    Kind kind;
    AccessibleTree const& tree;
    AtkObject* object { nullptr }; // one reference, held by the node
    std::vector<Node*> children;
    int index_in_parent { -1 };    // for a control, its index in the dialog's controls

    // Controls: the control; the dialog: its window and styles in `control`.
    ControlView control;
    // Labels, buttons and edits: the characters a screen reader gets; for an
    // edit also the caret and the selection, in characters.
    std::u32string text;
    int caret { 0 };
    int selection_start { 0 };
    int selection_end { 0 };
    // The dialog: whether its window has the keyboard.
    bool active { false };
};

// Makes every kind's ATK type, so that the signals of the interfaces they
// implement (AtkText's among them) exist before the bridge looks them up.
void register_accessible_types();

}
