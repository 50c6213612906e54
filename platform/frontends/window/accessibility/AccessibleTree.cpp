// The dialog's tree: built from the first snapshot of a dialog, and from each
// later one the changes a screen reader is told of.
#include "frontends/window/accessibility/AccessibleTree.h"

#include "frontends/window/accessibility/AccessibleNode.h"
#include "frontends/window/accessibility/AccessibleText.h"
#include "winuser_styles.h"

#include <atk/atk.h>

#include <algorithm>
#include <utility>

namespace platform::frontends::window::accessibility {

namespace {

AtkRole role_of(Kind kind, ControlView const& control)
{
    switch (kind) {
    case Kind::application: return ATK_ROLE_APPLICATION;
    case Kind::dialog: return ATK_ROLE_DIALOG;
    case Kind::push_button: return ATK_ROLE_PUSH_BUTTON;
    case Kind::edit: return (control.style & ES_PASSWORD) ? ATK_ROLE_PASSWORD_TEXT : ATK_ROLE_TEXT;
    case Kind::label: return ATK_ROLE_LABEL;
    case Kind::image: return ATK_ROLE_IMAGE;
    }
    return ATK_ROLE_UNKNOWN;
}

Kind kind_of(ControlView const& control)
{
    switch (control.control_class) {
    case ControlClass::Button: return Kind::push_button;
    case ControlClass::Edit: return Kind::edit;
    case ControlClass::Static: return control.shows_icon ? Kind::image : Kind::label;
    }
    return Kind::label;
}

// The characters a screen reader gets for a control: a password field's
// text is only as many asterisks, as the field shows it.
std::u32string shown_characters(Kind kind, ControlView const& control)
{
    if (kind == Kind::image)
        return {};
    std::u32string characters = to_characters(control.text);
    if (kind == Kind::edit && (control.style & ES_PASSWORD))
        std::fill(characters.begin(), characters.end(), U'*');
    return characters;
}

// Takes the control's caret and selection into the node, in characters.
void take_caret(Node& node, ControlView const& control)
{
    node.caret = static_cast<int>(character_offset(control.text, control.caret));
    node.selection_start = static_cast<int>(character_offset(control.text, control.selection_start));
    node.selection_end = static_cast<int>(character_offset(control.text, control.selection_end));
}

void set_name(Node& node, std::u32string_view name)
{
    std::string const text = to_utf8(name);
    char const* const current = atk_object_get_name(node.object);
    if (!current || text != current)
        atk_object_set_name(node.object, text.c_str());
}

void notify_focus(Node& node, bool focused)
{
    atk_object_notify_state_change(node.object, ATK_STATE_FOCUSED, focused ? TRUE : FALSE);
}

}

AccessibleTree::AccessibleTree(ActionHandler actions)
    : m_actions(std::move(actions))
    , m_application(std::make_unique<Node>(Kind::application, *this))
{
    atk_object_set_role(m_application->object, ATK_ROLE_APPLICATION);
}

AccessibleTree::~AccessibleTree()
{
    m_application->children.clear();
    m_controls.clear();
    m_dialog.reset();
}

AtkObject* AccessibleTree::root() const
{
    return m_application->object;
}

void AccessibleTree::act(std::vector<InputEvent> const& events) const
{
    if (m_actions)
        m_actions(events);
}

void AccessibleTree::update(DialogView const& view)
{
    bool same = m_dialog && m_dialog->control.hwnd == view.hwnd && m_controls.size() == view.controls.size();
    for (std::size_t i = 0; same && i < m_controls.size(); ++i)
        same = m_controls[i]->control.hwnd == view.controls[i].hwnd;
    if (same)
        announce_changes(view);
    else
        rebuild(view);
}

void AccessibleTree::clear()
{
    if (!m_dialog)
        return;
    if (m_dialog->active)
        g_signal_emit_by_name(m_dialog->object, "deactivate");
    g_signal_emit_by_name(m_dialog->object, "destroy");
    m_application->children.clear();
    g_signal_emit_by_name(m_application->object, "children-changed::remove", 0, m_dialog->object);
    m_dialog->children.clear();
    m_controls.clear();
    m_dialog.reset();
    m_focus.reset();
}

void AccessibleTree::rebuild(DialogView const& view)
{
    clear();
    std::u32string const caption = to_characters(view.caption);
    if (!atk_object_get_name(m_application->object) || !*atk_object_get_name(m_application->object))
        set_name(*m_application, caption);

    m_dialog = std::make_unique<Node>(Kind::dialog, *this);
    m_dialog->index_in_parent = 0;
    m_dialog->control.hwnd = view.hwnd;
    m_dialog->control.style = view.style;
    m_dialog->control.ex_style = view.ex_style;
    atk_object_set_role(m_dialog->object, ATK_ROLE_DIALOG);
    atk_object_set_parent(m_dialog->object, m_application->object);
    set_name(*m_dialog, caption);

    for (std::size_t i = 0; i < view.controls.size(); ++i) {
        ControlView const& control = view.controls[i];
        Kind const kind = kind_of(control);
        auto node = std::make_unique<Node>(kind, *this);
        node->index_in_parent = static_cast<int>(i);
        node->control = control;
        node->text = shown_characters(kind, control);
        take_caret(*node, control);
        atk_object_set_role(node->object, role_of(kind, control));
        atk_object_set_parent(node->object, m_dialog->object);
        if (kind == Kind::label || kind == Kind::push_button)
            set_name(*node, node->text);
        m_dialog->children.push_back(node.get());
        m_controls.push_back(std::move(node));
    }

    m_application->children = { m_dialog.get() };
    g_signal_emit_by_name(m_application->object, "children-changed::add", 0, m_dialog->object);
    g_signal_emit_by_name(m_dialog->object, "create");
    m_dialog->active = m_active;
    if (m_active)
        g_signal_emit_by_name(m_dialog->object, "activate");
    m_focus = view.focus;
    if (m_focus && *m_focus < m_controls.size())
        notify_focus(*m_controls[*m_focus], true);
}

void AccessibleTree::announce_changes(DialogView const& view)
{
    std::u32string const caption = to_characters(view.caption);
    set_name(*m_dialog, caption);

    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        Node& node = *m_controls[i];
        ControlView const& now = view.controls[i];
        ControlView const before = node.control;
        node.control = now;
        // Most snapshots change one field or none: the others' texts are
        // compared as they stand, not converted again.
        bool const same_text = before.text == now.text && (before.style & ES_PASSWORD) == (now.style & ES_PASSWORD);
        std::u32string text = same_text ? node.text : shown_characters(node.kind, now);
        if (node.kind == Kind::label || node.kind == Kind::push_button) {
            node.text = std::move(text);
            set_name(node, node.text);
        } else if (node.kind == Kind::edit) {
            int const caret = node.caret;
            int const selection_start = node.selection_start, selection_end = node.selection_end;
            take_caret(node, now);
            if (auto const change = text_change(node.text, text)) {
                node.text = std::move(text);
                auto const position = static_cast<gint>(change->position);
                if (!change->removed.empty())
                    g_signal_emit_by_name(node.object, "text-remove", position,
                                          static_cast<gint>(change->removed.size()), to_utf8(change->removed).c_str());
                if (!change->inserted.empty())
                    g_signal_emit_by_name(node.object, "text-insert", position,
                                          static_cast<gint>(change->inserted.size()), to_utf8(change->inserted).c_str());
            }
            if (node.caret != caret)
                g_signal_emit_by_name(node.object, "text-caret-moved", static_cast<gint>(node.caret));
            if (node.selection_start != selection_start || node.selection_end != selection_end)
                g_signal_emit_by_name(node.object, "text-selection-changed");
        }
        if (before.visible != now.visible) {
            atk_object_notify_state_change(node.object, ATK_STATE_VISIBLE, now.visible);
            atk_object_notify_state_change(node.object, ATK_STATE_SHOWING, now.visible);
        }
        if (before.enabled != now.enabled) {
            atk_object_notify_state_change(node.object, ATK_STATE_ENABLED, now.enabled);
            atk_object_notify_state_change(node.object, ATK_STATE_SENSITIVE, now.enabled);
        }
        if (node.kind == Kind::push_button && before.is_default != now.is_default)
            atk_object_notify_state_change(node.object, ATK_STATE_DEFAULT, now.is_default);
    }

    if (view.focus != m_focus) {
        if (m_focus && *m_focus < m_controls.size())
            notify_focus(*m_controls[*m_focus], false);
        m_focus = view.focus;
        if (m_focus && *m_focus < m_controls.size())
            notify_focus(*m_controls[*m_focus], true);
    }
}

void AccessibleTree::set_active(bool active)
{
    m_active = active;
    if (!m_dialog || m_dialog->active == active)
        return;
    m_dialog->active = active;
    atk_object_notify_state_change(m_dialog->object, ATK_STATE_ACTIVE, active);
    g_signal_emit_by_name(m_dialog->object, active ? "activate" : "deactivate");
}

}
