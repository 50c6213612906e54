// The ATK objects of the dialog. One GObject type per kind of object, each
// with the ATK interfaces a screen reader expects of it; every object reads
// the node the tree keeps for it, so a reader always sees the last snapshot.
// An object the bridge still holds after its node has gone reads as defunct.
#include "frontends/window/accessibility/AccessibleNode.h"

#include "frontends/DialogRules.h"
#include "frontends/window/Palette.h"
#include "frontends/window/accessibility/AccessibleText.h"
#include "frontends/window/accessibility/AccessibleTree.h"
#include "winuser_styles.h"
#include "winuser_windows.h"

#include <atk/atk.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace {

using platform::frontends::window::accessibility::Kind;
using platform::frontends::window::accessibility::Node;
using platform::frontends::window::accessibility::to_characters;
using platform::frontends::window::accessibility::to_utf8;
namespace fe = platform::frontends;

// The GObject side: the instance holds a pointer to its node, or null once
// the node has gone.
struct CeAccessible {
    AtkObject parent;
    Node* node;
};
struct CeAccessibleClass {
    AtkObjectClass parent_class;
};

Node* node_of(gpointer object)
{
    return object ? reinterpret_cast<CeAccessible*>(object)->node : nullptr;
}

bool usable(Node const& node)
{
    return node.control.visible && node.control.enabled;
}

bool editable(Node const& node)
{
    return node.kind == Kind::edit && usable(node) && !(node.control.style & ES_READONLY);
}

// --- AtkObject ------------------------------------------------------------

gint ce_accessible_get_n_children(AtkObject* object)
{
    Node const* const node = node_of(object);
    return node ? static_cast<gint>(node->children.size()) : 0;
}

AtkObject* ce_accessible_ref_child(AtkObject* object, gint index)
{
    Node const* const node = node_of(object);
    if (!node || index < 0 || static_cast<std::size_t>(index) >= node->children.size())
        return nullptr;
    return ATK_OBJECT(g_object_ref(node->children[static_cast<std::size_t>(index)]->object));
}

gint ce_accessible_get_index_in_parent(AtkObject* object)
{
    Node const* const node = node_of(object);
    return node ? node->index_in_parent : -1;
}

AtkStateSet* ce_accessible_ref_state_set(AtkObject* object)
{
    AtkStateSet* const states = atk_state_set_new();
    Node const* const node = node_of(object);
    if (!node) {
        atk_state_set_add_state(states, ATK_STATE_DEFUNCT);
        return states;
    }
    if (node->kind == Kind::application)
        return states;
    if (node->kind == Kind::dialog) {
        for (AtkStateType state :
             { ATK_STATE_VISIBLE, ATK_STATE_SHOWING, ATK_STATE_ENABLED, ATK_STATE_SENSITIVE, ATK_STATE_MODAL })
            atk_state_set_add_state(states, state);
        if (node->active)
            atk_state_set_add_state(states, ATK_STATE_ACTIVE);
        return states;
    }
    fe::ControlView const& control = node->control;
    if (control.visible) {
        atk_state_set_add_state(states, ATK_STATE_VISIBLE);
        atk_state_set_add_state(states, ATK_STATE_SHOWING);
    }
    if (control.enabled) {
        atk_state_set_add_state(states, ATK_STATE_ENABLED);
        atk_state_set_add_state(states, ATK_STATE_SENSITIVE);
    }
    if (node->kind == Kind::push_button || node->kind == Kind::edit) {
        if (usable(*node))
            atk_state_set_add_state(states, ATK_STATE_FOCUSABLE);
        if (control.focused)
            atk_state_set_add_state(states, ATK_STATE_FOCUSED);
    }
    if (node->kind == Kind::push_button && control.is_default)
        atk_state_set_add_state(states, ATK_STATE_DEFAULT);
    if (node->kind == Kind::edit) {
        if (!(control.style & ES_READONLY))
            atk_state_set_add_state(states, ATK_STATE_EDITABLE);
        atk_state_set_add_state(states, ATK_STATE_SELECTABLE_TEXT);
        atk_state_set_add_state(states, (control.style & ES_MULTILINE) ? ATK_STATE_MULTI_LINE : ATK_STATE_SINGLE_LINE);
    }
    if (node->kind == Kind::label)
        atk_state_set_add_state(states, ATK_STATE_MULTI_LINE); // statics wrap
    return states;
}

// --- AtkText: labels and edits ---------------------------------------------

gint text_length(Node const* node)
{
    return node ? static_cast<gint>(node->text.size()) : 0;
}

gchar* text_between(Node const* node, gint start, gint end)
{
    gint const length = text_length(node);
    if (end < 0 || end > length)
        end = length;
    start = std::clamp(start, 0, end);
    if (!node)
        return g_strdup("");
    std::string const text = to_utf8(std::u32string_view(node->text).substr(static_cast<std::size_t>(start),
                                                                          static_cast<std::size_t>(end - start)));
    return g_strdup(text.c_str());
}

bool is_word_character(char32_t c)
{
    return g_unichar_isalnum(static_cast<gunichar>(c));
}

// The stretch of the text a granularity gives around `offset`: one
// character, a run of letters and digits (or the one other character there),
// or the whole text, which is one line and one sentence in a field or label.
std::pair<gint, gint> stretch_at(Node const* node, gint offset, AtkTextGranularity granularity)
{
    gint const length = text_length(node);
    if (!node || length == 0)
        return { 0, 0 };
    offset = std::clamp(offset, 0, length - 1);
    switch (granularity) {
    case ATK_TEXT_GRANULARITY_CHAR:
        return { offset, offset + 1 };
    case ATK_TEXT_GRANULARITY_WORD: {
        std::u32string const& text = node->text;
        if (!is_word_character(text[static_cast<std::size_t>(offset)]))
            return { offset, offset + 1 };
        gint start = offset, end = offset + 1;
        while (start > 0 && is_word_character(text[static_cast<std::size_t>(start - 1)]))
            --start;
        while (end < length && is_word_character(text[static_cast<std::size_t>(end)]))
            ++end;
        return { start, end };
    }
    default:
        return { 0, length };
    }
}

gchar* ce_text_get_text(AtkText* text, gint start, gint end)
{
    return text_between(node_of(text), start, end);
}

gint ce_text_get_character_count(AtkText* text)
{
    return text_length(node_of(text));
}

gunichar ce_text_get_character_at_offset(AtkText* text, gint offset)
{
    Node const* const node = node_of(text);
    if (!node || offset < 0 || offset >= text_length(node))
        return 0;
    return static_cast<gunichar>(node->text[static_cast<std::size_t>(offset)]);
}

gint ce_text_get_caret_offset(AtkText* text)
{
    Node const* const node = node_of(text);
    return node ? node->caret : 0;
}

gchar* ce_text_get_string_at_offset(AtkText* text, gint offset, AtkTextGranularity granularity, gint* start,
                                    gint* end)
{
    Node const* const node = node_of(text);
    auto const [from, to] = stretch_at(node, offset, granularity);
    *start = from;
    *end = to;
    return text_between(node, from, to);
}

gchar* ce_text_get_text_at_offset(AtkText* text, gint offset, AtkTextBoundary boundary, gint* start, gint* end)
{
    AtkTextGranularity granularity = ATK_TEXT_GRANULARITY_LINE;
    if (boundary == ATK_TEXT_BOUNDARY_CHAR)
        granularity = ATK_TEXT_GRANULARITY_CHAR;
    else if (boundary == ATK_TEXT_BOUNDARY_WORD_START || boundary == ATK_TEXT_BOUNDARY_WORD_END)
        granularity = ATK_TEXT_GRANULARITY_WORD;
    return ce_text_get_string_at_offset(text, offset, granularity, start, end);
}

gint ce_text_get_n_selections(AtkText* text)
{
    Node const* const node = node_of(text);
    return node && node->selection_start != node->selection_end ? 1 : 0;
}

gchar* ce_text_get_selection(AtkText* text, gint selection, gint* start, gint* end)
{
    Node const* const node = node_of(text);
    if (!node || selection != 0 || node->selection_start == node->selection_end) {
        *start = *end = 0;
        return nullptr;
    }
    *start = node->selection_start;
    *end = node->selection_end;
    return text_between(node, *start, *end);
}

void ce_text_init(AtkTextIface* iface)
{
    iface->get_text = ce_text_get_text;
    iface->get_character_count = ce_text_get_character_count;
    iface->get_character_at_offset = ce_text_get_character_at_offset;
    iface->get_caret_offset = ce_text_get_caret_offset;
    iface->get_string_at_offset = ce_text_get_string_at_offset;
    iface->get_text_at_offset = ce_text_get_text_at_offset;
    iface->get_n_selections = ce_text_get_n_selections;
    iface->get_selection = ce_text_get_selection;
}

// --- AtkEditableText: edits, by the keys and pastes a user would give ------

// Gives the field the focus with a click at its top-left corner, puts the
// caret at the start and selects `count` characters from `from`.
std::vector<fe::InputEvent> select_in(Node const& node, gint from, gint count)
{
    std::vector<fe::InputEvent> events;
    events.emplace_back(fe::ControlClick { static_cast<std::size_t>(node.index_in_parent), POINT { 1, 1 } });
    events.emplace_back(fe::KeyPress { VK_HOME, false, false });
    for (gint i = 0; i < from; ++i)
        events.emplace_back(fe::KeyPress { VK_RIGHT, false, false });
    for (gint i = 0; i < count; ++i)
        events.emplace_back(fe::KeyPress { VK_RIGHT, true, false });
    return events;
}

// At most `bytes` of the text (all of it when negative), never past its end
// whatever length a reader gave.
std::u16string utf16(gchar const* text, gint bytes)
{
    if (!text)
        return {};
    glong const length = static_cast<glong>(std::strlen(text));
    glong written = 0;
    gunichar2* const converted
        = g_utf8_to_utf16(text, bytes < 0 ? length : std::min<glong>(bytes, length), nullptr, &written, nullptr);
    std::u16string result = converted ? std::u16string(reinterpret_cast<char16_t*>(converted),
                                                       static_cast<std::size_t>(written))
                                      : std::u16string();
    g_free(converted);
    return result;
}

void ce_editable_set_text_contents(AtkEditableText* text, gchar const* contents)
{
    Node const* const node = node_of(text);
    if (!node || !editable(*node))
        return;
    std::vector<fe::InputEvent> events = select_in(*node, 0, text_length(node));
    std::u16string const replacement = utf16(contents, -1);
    if (replacement.empty())
        events.emplace_back(fe::KeyPress { VK_DELETE, false, false });
    else
        events.emplace_back(fe::PasteText { replacement });
    node->tree.act(events);
}

void ce_editable_insert_text(AtkEditableText* text, gchar const* inserted, gint length, gint* position)
{
    Node const* const node = node_of(text);
    if (!node || !editable(*node) || !position)
        return;
    std::u16string const addition = utf16(inserted, length);
    if (addition.empty())
        return;
    gint const at = std::clamp(*position, 0, text_length(node));
    std::vector<fe::InputEvent> events = select_in(*node, at, 0);
    events.emplace_back(fe::PasteText { addition });
    node->tree.act(events);
    *position = at + static_cast<gint>(to_characters(addition).size());
}

void ce_editable_delete_text(AtkEditableText* text, gint start, gint end)
{
    Node const* const node = node_of(text);
    if (!node || !editable(*node))
        return;
    gint const length = text_length(node);
    if (end < 0 || end > length)
        end = length;
    start = std::clamp(start, 0, end);
    if (start == end)
        return;
    std::vector<fe::InputEvent> events = select_in(*node, start, end - start);
    events.emplace_back(fe::KeyPress { VK_DELETE, false, false });
    node->tree.act(events);
}

void ce_editable_init(AtkEditableTextIface* iface)
{
    iface->set_text_contents = ce_editable_set_text_contents;
    iface->insert_text = ce_editable_insert_text;
    iface->delete_text = ce_editable_delete_text;
}

// --- AtkAction: push buttons, and the dialog's caption buttons -------------

gint ce_button_get_n_actions(AtkAction*)
{
    return 1;
}

gboolean ce_button_do_action(AtkAction* action, gint index)
{
    Node const* const node = node_of(action);
    if (!node || index != 0 || !usable(*node))
        return FALSE;
    RECT const& r = node->control.rect;
    node->tree.act({ fe::ControlClick { static_cast<std::size_t>(node->index_in_parent),
                                        POINT { (r.right - r.left) / 2, (r.bottom - r.top) / 2 } } });
    return TRUE;
}

gchar const* ce_button_get_name(AtkAction*, gint index)
{
    return index == 0 ? "click" : nullptr;
}

gchar const* ce_button_get_localized_name(AtkAction*, gint index)
{
    return index == 0 ? "Click" : nullptr;
}

gchar const* ce_button_get_description(AtkAction*, gint index)
{
    return index == 0 ? "Clicks the button" : nullptr;
}

void ce_button_action_init(AtkActionIface* iface)
{
    iface->get_n_actions = ce_button_get_n_actions;
    iface->do_action = ce_button_do_action;
    iface->get_name = ce_button_get_name;
    iface->get_localized_name = ce_button_get_localized_name;
    iface->get_description = ce_button_get_description;
}

struct CaptionAction {
    gchar const* name;
    gchar const* localized_name;
    gchar const* description;
    fe::CaptionButton button;
};

constexpr std::array caption_actions {
    CaptionAction { "ok", "OK", "Presses the title bar's OK button", fe::CaptionButton::Ok },
    CaptionAction { "close", "Close", "Presses the title bar's close button", fe::CaptionButton::Close },
};

// The caption buttons the dialog's title bar has, in the order above (as
// they stand, left to right).
std::vector<CaptionAction const*> caption_buttons(Node const* node)
{
    std::vector<CaptionAction const*> buttons;
    if (!node)
        return buttons;
    fe::CaptionButtons const shown(node->control.style, node->control.ex_style);
    for (auto const& action : caption_actions) {
        if (shown.has(action.button))
            buttons.push_back(&action);
    }
    return buttons;
}

CaptionAction const* caption_button(AtkAction* action, gint index)
{
    auto const buttons = caption_buttons(node_of(action));
    return index >= 0 && static_cast<std::size_t>(index) < buttons.size() ? buttons[static_cast<std::size_t>(index)]
                                                                            : nullptr;
}

gint ce_dialog_get_n_actions(AtkAction* action)
{
    return static_cast<gint>(caption_buttons(node_of(action)).size());
}

gboolean ce_dialog_do_action(AtkAction* action, gint index)
{
    CaptionAction const* const button = caption_button(action, index);
    if (!button)
        return FALSE;
    node_of(action)->tree.act({ fe::CaptionClick { button->button } });
    return TRUE;
}

gchar const* ce_dialog_get_name(AtkAction* action, gint index)
{
    CaptionAction const* const button = caption_button(action, index);
    return button ? button->name : nullptr;
}

gchar const* ce_dialog_get_localized_name(AtkAction* action, gint index)
{
    CaptionAction const* const button = caption_button(action, index);
    return button ? button->localized_name : nullptr;
}

gchar const* ce_dialog_get_description(AtkAction* action, gint index)
{
    CaptionAction const* const button = caption_button(action, index);
    return button ? button->description : nullptr;
}

void ce_dialog_action_init(AtkActionIface* iface)
{
    iface->get_n_actions = ce_dialog_get_n_actions;
    iface->do_action = ce_dialog_do_action;
    iface->get_name = ce_dialog_get_name;
    iface->get_localized_name = ce_dialog_get_localized_name;
    iface->get_description = ce_dialog_get_description;
}

// --- AtkImage: the icon ------------------------------------------------------

// The icon as the window shows it: its image at the device's icon size,
// whatever the template gave the control.
void ce_image_get_size(AtkImage* image, gint* width, gint* height)
{
    Node const* const node = node_of(image);
    bool const shown = node && node->control.icon;
    *width = shown ? platform::frontends::window::Metrics::icon_size : 0;
    *height = *width;
}

gchar const* ce_image_get_description(AtkImage*)
{
    return "";
}

void ce_image_init(AtkImageIface* iface)
{
    iface->get_image_size = ce_image_get_size;
    iface->get_image_description = ce_image_get_description;
}

void ce_window_init(AtkWindowIface*) { }

}

// The types. G_DEFINE_TYPE wants these names at file scope.
extern "C" {

typedef CeAccessible CeAccessibleDialog;
typedef CeAccessibleClass CeAccessibleDialogClass;
typedef CeAccessible CeAccessibleButton;
typedef CeAccessibleClass CeAccessibleButtonClass;
typedef CeAccessible CeAccessibleEdit;
typedef CeAccessibleClass CeAccessibleEditClass;
typedef CeAccessible CeAccessibleLabel;
typedef CeAccessibleClass CeAccessibleLabelClass;
typedef CeAccessible CeAccessibleImage;
typedef CeAccessibleClass CeAccessibleImageClass;

G_DEFINE_TYPE(CeAccessible, ce_accessible, ATK_TYPE_OBJECT)

static void ce_accessible_init(CeAccessible* self)
{
    self->node = nullptr;
}

static void ce_accessible_class_init(CeAccessibleClass* klass)
{
    AtkObjectClass* const object = ATK_OBJECT_CLASS(klass);
    object->get_n_children = ce_accessible_get_n_children;
    object->ref_child = ce_accessible_ref_child;
    object->get_index_in_parent = ce_accessible_get_index_in_parent;
    object->ref_state_set = ce_accessible_ref_state_set;
}

G_DEFINE_TYPE_WITH_CODE(CeAccessibleDialog, ce_accessible_dialog, ce_accessible_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION, ce_dialog_action_init)
                            G_IMPLEMENT_INTERFACE(ATK_TYPE_WINDOW, ce_window_init))
static void ce_accessible_dialog_init(CeAccessibleDialog*) { }
static void ce_accessible_dialog_class_init(CeAccessibleDialogClass*) { }

G_DEFINE_TYPE_WITH_CODE(CeAccessibleButton, ce_accessible_button, ce_accessible_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION, ce_button_action_init))
static void ce_accessible_button_init(CeAccessibleButton*) { }
static void ce_accessible_button_class_init(CeAccessibleButtonClass*) { }

G_DEFINE_TYPE_WITH_CODE(CeAccessibleEdit, ce_accessible_edit, ce_accessible_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_TEXT, ce_text_init)
                            G_IMPLEMENT_INTERFACE(ATK_TYPE_EDITABLE_TEXT, ce_editable_init))
static void ce_accessible_edit_init(CeAccessibleEdit*) { }
static void ce_accessible_edit_class_init(CeAccessibleEditClass*) { }

G_DEFINE_TYPE_WITH_CODE(CeAccessibleLabel, ce_accessible_label, ce_accessible_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_TEXT, ce_text_init))
static void ce_accessible_label_init(CeAccessibleLabel*) { }
static void ce_accessible_label_class_init(CeAccessibleLabelClass*) { }

G_DEFINE_TYPE_WITH_CODE(CeAccessibleImage, ce_accessible_image, ce_accessible_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_IMAGE, ce_image_init))
static void ce_accessible_image_init(CeAccessibleImage*) { }
static void ce_accessible_image_class_init(CeAccessibleImageClass*) { }

}

namespace platform::frontends::window::accessibility {

namespace {

GType type_of(Kind kind)
{
    switch (kind) {
    case Kind::application: return ce_accessible_get_type();
    case Kind::dialog: return ce_accessible_dialog_get_type();
    case Kind::push_button: return ce_accessible_button_get_type();
    case Kind::edit: return ce_accessible_edit_get_type();
    case Kind::label: return ce_accessible_label_get_type();
    case Kind::image: return ce_accessible_image_get_type();
    }
    return ce_accessible_get_type();
}

}

Node::Node(Kind kind_, AccessibleTree const& tree_)
    : kind(kind_)
    , tree(tree_)
{
    object = ATK_OBJECT(g_object_new(type_of(kind), nullptr));
    reinterpret_cast<CeAccessible*>(object)->node = this;
}

Node::~Node()
{
    reinterpret_cast<CeAccessible*>(object)->node = nullptr;
    atk_object_notify_state_change(object, ATK_STATE_DEFUNCT, TRUE);
    g_object_unref(object);
}

void register_accessible_types()
{
    for (Kind kind : { Kind::application, Kind::dialog, Kind::push_button, Kind::edit, Kind::label, Kind::image })
        g_type_class_ref(type_of(kind));
}

}
