// The dialog's tree of ATK objects, in process and without a bus: what each
// kind of control shows a screen reader, what a change to the snapshot
// announces, and which input a reader's action stands for (and when it is
// refused).
#include "frontends/window/accessibility/AccessibleNode.h"
#include "frontends/window/accessibility/AccessibleTree.h"
#include "winuser_styles.h"
#include "winuser_windows.h"

#include <atk/atk.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

namespace fe = platform::frontends;
using platform::frontends::window::accessibility::AccessibleTree;

// One reference, let go at the end of the scope.
class Ref {
public:
    explicit Ref(AtkObject* object)
        : m_object(object)
    {
    }
    ~Ref()
    {
        if (m_object)
            g_object_unref(m_object);
    }
    Ref(Ref const&) = delete;
    Ref& operator=(Ref const&) = delete;
    AtkObject* get() const { return m_object; }

private:
    AtkObject* m_object;
};

std::string owned(gchar* text)
{
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

HWND handle(std::uintptr_t n)
{
    return reinterpret_cast<HWND>(n);
}

fe::ControlView control(std::uintptr_t n, fe::ControlClass kind, DWORD style, std::u16string text)
{
    fe::ControlView view;
    view.hwnd = handle(n);
    view.control_class = kind;
    view.style = style | WS_VISIBLE | WS_CHILD;
    view.text = std::move(text);
    view.rect = { 10, 20, 60, 34 };
    return view;
}

// A dialog with one of each: the OK button (focused, the default), a field,
// a label, a password field, a read-only field, the icon and a disabled
// button.
enum : std::size_t { ok_button, field, label, password, read_only, icon, disabled_button, control_count };

fe::DialogView sample_dialog(std::uintptr_t dialog = 100)
{
    fe::DialogView view;
    view.hwnd = handle(dialog);
    view.caption = u"Velquin";
    view.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    view.ex_style = WS_EX_CAPTIONOKBTN;
    view.controls = {
        control(dialog + 1, fe::ControlClass::Button, BS_DEFPUSHBUTTON, u"OK"),
        control(dialog + 2, fe::ControlClass::Edit, ES_AUTOHSCROLL, u"-60"),
        control(dialog + 3, fe::ControlClass::Static, SS_LEFT, u"Visit:"),
        control(dialog + 4, fe::ControlClass::Edit, ES_PASSWORD, u"secret"),
        control(dialog + 5, fe::ControlClass::Edit, ES_READONLY, u"7"),
        control(dialog + 6, fe::ControlClass::Static, SS_ICON, u"#128"),
        control(dialog + 7, fe::ControlClass::Button, BS_PUSHBUTTON, u"Apply"),
    };
    view.controls[ok_button].focused = true;
    view.controls[ok_button].is_default = true;
    view.controls[icon].shows_icon = true;
    view.controls[icon].icon = reinterpret_cast<HICON>(std::uintptr_t { 1 });
    view.controls[disabled_button].enabled = false;
    view.focus = ok_button;
    return view;
}

// What an object's signals said, as lines of text.
struct Heard {
    std::vector<std::string> log;
};

class AccessibleTreeTest : public ::testing::Test {
protected:
    void SetUp() override { platform::frontends::window::accessibility::register_accessible_types(); }

    AtkObject* dialog() const { return m_dialog ? m_dialog->get() : nullptr; }

    void show(fe::DialogView const& view)
    {
        tree.update(view);
        m_children.clear();
        m_dialog.reset();
        if (atk_object_get_n_accessible_children(tree.root()) != 1)
            return;
        m_dialog = std::make_unique<Ref>(atk_object_ref_accessible_child(tree.root(), 0));
        for (gint i = 0; i < atk_object_get_n_accessible_children(dialog()); ++i)
            m_children.push_back(std::make_unique<Ref>(atk_object_ref_accessible_child(dialog(), i)));
    }

    AtkObject* child(std::size_t index) const { return m_children.at(index)->get(); }

    bool has_state(AtkObject* object, AtkStateType state) const
    {
        AtkStateSet* const states = atk_object_ref_state_set(object);
        bool const found = atk_state_set_contains_state(states, state);
        g_object_unref(states);
        return found;
    }

    std::vector<fe::InputEvent> actions;
    Heard heard; // outlives the tree, whose objects may still signal as they go
    AccessibleTree tree { [this](std::vector<fe::InputEvent> const& events) {
        actions.insert(actions.end(), events.begin(), events.end());
    } };

private:
    std::unique_ptr<Ref> m_dialog;
    std::vector<std::unique_ptr<Ref>> m_children;
};

TEST_F(AccessibleTreeTest, EachControlShowsItsRoleAndText)
{
    show(sample_dialog());
    EXPECT_STREQ(atk_object_get_name(tree.root()), "Velquin");
    EXPECT_EQ(atk_object_get_role(tree.root()), ATK_ROLE_APPLICATION);
    ASSERT_NE(dialog(), nullptr);
    EXPECT_EQ(atk_object_get_role(dialog()), ATK_ROLE_DIALOG);
    EXPECT_STREQ(atk_object_get_name(dialog()), "Velquin");
    ASSERT_EQ(atk_object_get_n_accessible_children(dialog()), static_cast<gint>(control_count));

    struct Expected {
        std::size_t index;
        AtkRole role;
        char const* name;
        char const* text; // null: no text interface
    };
    Expected const expected[] = {
        { ok_button, ATK_ROLE_PUSH_BUTTON, "OK", nullptr },
        { field, ATK_ROLE_TEXT, "", "-60" },
        { label, ATK_ROLE_LABEL, "Visit:", "Visit:" },
        { password, ATK_ROLE_PASSWORD_TEXT, "", "******" },
        { read_only, ATK_ROLE_TEXT, "", "7" },
        { icon, ATK_ROLE_IMAGE, "", nullptr },
        { disabled_button, ATK_ROLE_PUSH_BUTTON, "Apply", nullptr },
    };
    for (Expected const& e : expected) {
        AtkObject* const object = child(e.index);
        EXPECT_EQ(atk_object_get_role(object), e.role) << e.index;
        EXPECT_STREQ(atk_object_get_name(object) ? atk_object_get_name(object) : "", e.name) << e.index;
        EXPECT_EQ(atk_object_get_index_in_parent(object), static_cast<gint>(e.index));
        EXPECT_EQ(ATK_IS_TEXT(object), e.text != nullptr) << e.index;
        if (e.text) {
            EXPECT_EQ(owned(atk_text_get_text(ATK_TEXT(object), 0, -1)), e.text) << e.index;
        }
    }
    gint width = 0, height = 0;
    atk_image_get_image_size(ATK_IMAGE(child(icon)), &width, &height);
    EXPECT_EQ(width, 32);
    EXPECT_EQ(height, 32);
}

TEST_F(AccessibleTreeTest, StatesSayWhatEachControlCanDo)
{
    show(sample_dialog());
    EXPECT_TRUE(has_state(child(ok_button), ATK_STATE_FOCUSED));
    EXPECT_TRUE(has_state(child(ok_button), ATK_STATE_DEFAULT));
    EXPECT_TRUE(has_state(child(ok_button), ATK_STATE_FOCUSABLE));
    EXPECT_TRUE(has_state(child(field), ATK_STATE_EDITABLE));
    EXPECT_TRUE(has_state(child(field), ATK_STATE_SINGLE_LINE));
    EXPECT_FALSE(has_state(child(field), ATK_STATE_FOCUSED));
    EXPECT_FALSE(has_state(child(read_only), ATK_STATE_EDITABLE));
    EXPECT_FALSE(has_state(child(disabled_button), ATK_STATE_ENABLED));
    EXPECT_FALSE(has_state(child(disabled_button), ATK_STATE_SENSITIVE));
    EXPECT_FALSE(has_state(child(disabled_button), ATK_STATE_FOCUSABLE));
    EXPECT_FALSE(has_state(child(label), ATK_STATE_FOCUSABLE));
    EXPECT_FALSE(has_state(dialog(), ATK_STATE_ACTIVE)); // until the window has the keyboard
    tree.set_active(true);
    EXPECT_TRUE(has_state(dialog(), ATK_STATE_ACTIVE));
}

TEST_F(AccessibleTreeTest, ButtonClickIsAClickOnTheButtonUnlessDisabled)
{
    show(sample_dialog());
    AtkAction* const ok = ATK_ACTION(child(ok_button));
    ASSERT_EQ(atk_action_get_n_actions(ok), 1);
    EXPECT_STREQ(atk_action_get_name(ok, 0), "click");
    EXPECT_TRUE(atk_action_do_action(ok, 0));
    ASSERT_EQ(actions.size(), 1u);
    auto const* const click = std::get_if<fe::ControlClick>(&actions[0]);
    ASSERT_NE(click, nullptr);
    EXPECT_EQ(click->index, ok_button);
    EXPECT_EQ(click->offset.x, 25); // the middle of the 50 x 14 button
    EXPECT_EQ(click->offset.y, 7);

    actions.clear();
    EXPECT_FALSE(atk_action_do_action(ok, 1));
    EXPECT_FALSE(atk_action_do_action(ATK_ACTION(child(disabled_button)), 0));
    EXPECT_TRUE(actions.empty());
}

TEST_F(AccessibleTreeTest, DialogActionsAreTheCaptionButtonsItHas)
{
    struct Case {
        char const* what;
        DWORD style;
        DWORD ex_style;
        std::vector<std::string> names;
    };
    Case const cases[] = {
        { "OK and close", WS_CAPTION | WS_SYSMENU, WS_EX_CAPTIONOKBTN, { "ok", "close" } },
        { "close only", WS_CAPTION | WS_SYSMENU, 0, { "close" } },
        { "OK only", WS_CAPTION, WS_EX_CAPTIONOKBTN, { "ok" } },
        { "no title bar", WS_POPUP | WS_SYSMENU, WS_EX_CAPTIONOKBTN, {} },
    };
    std::uintptr_t dialog_handle = 100;
    for (Case const& c : cases) {
        fe::DialogView view = sample_dialog(dialog_handle += 100);
        view.style = c.style;
        view.ex_style = c.ex_style;
        show(view);
        AtkAction* const action = ATK_ACTION(dialog());
        std::vector<std::string> names;
        for (gint i = 0; i < atk_action_get_n_actions(action); ++i)
            names.emplace_back(atk_action_get_name(action, i));
        EXPECT_EQ(names, c.names) << c.what;
        actions.clear();
        for (gint i = 0; i < atk_action_get_n_actions(action); ++i)
            EXPECT_TRUE(atk_action_do_action(action, i));
        ASSERT_EQ(actions.size(), c.names.size()) << c.what;
        for (std::size_t i = 0; i < actions.size(); ++i) {
            auto const* const click = std::get_if<fe::CaptionClick>(&actions[i]);
            ASSERT_NE(click, nullptr) << c.what;
            EXPECT_EQ(click->button, c.names[i] == "ok" ? fe::CaptionButton::Ok : fe::CaptionButton::Close) << c.what;
        }
        EXPECT_FALSE(atk_action_do_action(action, static_cast<gint>(c.names.size())));
    }
}

TEST_F(AccessibleTreeTest, EditingAFieldIsAClickKeysAndAPaste)
{
    show(sample_dialog());
    AtkEditableText* const editable = ATK_EDITABLE_TEXT(child(field));
    atk_editable_text_delete_text(editable, 1, 3);
    // Into the field, to its start, over one character, selecting two, Delete.
    ASSERT_EQ(actions.size(), 6u);
    EXPECT_TRUE(std::holds_alternative<fe::ControlClick>(actions[0]));
    EXPECT_EQ(std::get<fe::ControlClick>(actions[0]).index, field);
    auto key = [&](std::size_t i) { return std::get<fe::KeyPress>(actions[i]); };
    EXPECT_EQ(key(1).vk, static_cast<UINT>(VK_HOME));
    EXPECT_EQ(key(2).vk, static_cast<UINT>(VK_RIGHT));
    EXPECT_FALSE(key(2).shift);
    EXPECT_TRUE(key(3).shift && key(4).shift && key(3).vk == VK_RIGHT && key(4).vk == VK_RIGHT);
    EXPECT_EQ(key(5).vk, static_cast<UINT>(VK_DELETE));

    actions.clear();
    gint position = 99; // past the end: at the end
    atk_editable_text_insert_text(editable, "12", 500, &position); // a length past the text: only the text
    ASSERT_FALSE(actions.empty());
    auto const* const paste = std::get_if<fe::PasteText>(&actions.back());
    ASSERT_NE(paste, nullptr);
    EXPECT_EQ(paste->text, u"12");
    EXPECT_EQ(position, 5);

    actions.clear();
    atk_editable_text_set_text_contents(editable, "");
    ASSERT_FALSE(actions.empty());
    EXPECT_EQ(std::get<fe::KeyPress>(actions.back()).vk, static_cast<UINT>(VK_DELETE));

    // A field that cannot be edited takes nothing.
    actions.clear();
    atk_editable_text_set_text_contents(ATK_EDITABLE_TEXT(child(read_only)), "5");
    EXPECT_TRUE(actions.empty());
}

void on_insert(AtkText*, gint position, gint length, gchar* text, gpointer data)
{
    static_cast<Heard*>(data)->log.push_back("insert " + std::to_string(position) + " " + std::to_string(length) + " "
                                             + text);
}

void on_remove(AtkText*, gint position, gint length, gchar* text, gpointer data)
{
    static_cast<Heard*>(data)->log.push_back("remove " + std::to_string(position) + " " + std::to_string(length) + " "
                                             + text);
}

void on_caret(AtkText*, gint position, gpointer data)
{
    static_cast<Heard*>(data)->log.push_back("caret " + std::to_string(position));
}

void on_state(AtkObject* object, gchar* state, gboolean on, gpointer data)
{
    static_cast<Heard*>(data)->log.push_back(std::string(atk_object_get_name(object) ? atk_object_get_name(object) : "")
                                             + (ATK_IS_TEXT(object) ? "field" : "") + " " + state + (on ? " on" : " off"));
}

TEST_F(AccessibleTreeTest, ChangesAreAnnounced)
{
    fe::DialogView view = sample_dialog();
    show(view);
    g_signal_connect(child(field), "text-insert", G_CALLBACK(on_insert), &heard);
    g_signal_connect(child(field), "text-remove", G_CALLBACK(on_remove), &heard);
    g_signal_connect(child(field), "text-caret-moved", G_CALLBACK(on_caret), &heard);
    g_signal_connect(child(field), "state-change", G_CALLBACK(on_state), &heard);
    g_signal_connect(child(ok_button), "state-change", G_CALLBACK(on_state), &heard);

    // Tab into the field: the focus moves, its text selected.
    view.controls[ok_button].focused = false;
    view.controls[field].focused = true;
    view.controls[field].selection_end = 3;
    view.controls[field].caret = 3;
    view.focus = field;
    tree.update(view);
    EXPECT_EQ(heard.log, (std::vector<std::string> { "caret 3", "OK focused off", "field focused on" }));

    // A character typed over the selection, then another one; a pair of
    // surrogates is one character.
    heard.log.clear();
    view.controls[field].text = u"-";
    view.controls[field].selection_end = view.controls[field].caret = 1;
    tree.update(view);
    view.controls[field].text = u"-\U0001F600";
    view.controls[field].selection_start = view.controls[field].selection_end = view.controls[field].caret = 3;
    tree.update(view);
    EXPECT_EQ(heard.log, (std::vector<std::string> { "remove 1 2 60", "caret 1", "insert 1 1 \U0001F600", "caret 2" }));
    EXPECT_EQ(atk_text_get_caret_offset(ATK_TEXT(child(field))), 2);

    // An unchanged snapshot announces nothing; a label's new text is its name.
    heard.log.clear();
    tree.update(view);
    EXPECT_TRUE(heard.log.empty());
    view.controls[label].text = u"Visit us:";
    view.caption = u"Bias";
    tree.update(view);
    EXPECT_STREQ(atk_object_get_name(child(label)), "Visit us:");
    EXPECT_STREQ(atk_object_get_name(dialog()), "Bias");
    EXPECT_STREQ(atk_object_get_name(tree.root()), "Velquin"); // named once, after the first dialog
}

TEST_F(AccessibleTreeTest, ObjectsOfADialogThatWentReadAsDefunct)
{
    show(sample_dialog());
    Ref const old_field(ATK_OBJECT(g_object_ref(child(field))));
    Ref const old_dialog(ATK_OBJECT(g_object_ref(dialog())));
    show(sample_dialog(500)); // another dialog
    EXPECT_TRUE(has_state(old_field.get(), ATK_STATE_DEFUNCT));
    EXPECT_TRUE(has_state(old_dialog.get(), ATK_STATE_DEFUNCT));
    EXPECT_EQ(owned(atk_text_get_text(ATK_TEXT(old_field.get()), 0, -1)), "");
    EXPECT_EQ(atk_object_get_n_accessible_children(old_dialog.get()), 0);
    EXPECT_FALSE(atk_action_do_action(ATK_ACTION(old_dialog.get()), 0));
    EXPECT_TRUE(actions.empty());
    EXPECT_FALSE(has_state(child(field), ATK_STATE_DEFUNCT));

    tree.clear();
    EXPECT_EQ(atk_object_get_n_accessible_children(tree.root()), 0);
}

TEST_F(AccessibleTreeTest, TextRangesAreKeptInsideTheText)
{
    fe::DialogView view = sample_dialog();
    view.controls[label].text = u"Visit: www";
    show(view);
    AtkText* const text = ATK_TEXT(child(label));
    EXPECT_EQ(owned(atk_text_get_text(text, 5, 2)), "");
    EXPECT_EQ(owned(atk_text_get_text(text, 2, 100)), "sit: www");
    EXPECT_EQ(owned(atk_text_get_text(text, 100, 200)), "");
    EXPECT_EQ(owned(atk_text_get_text(text, 7, -1)), "www");
    EXPECT_EQ(atk_text_get_character_at_offset(text, 99), 0u);
    gint start = -1, end = -1;
    EXPECT_EQ(owned(atk_text_get_string_at_offset(text, 2, ATK_TEXT_GRANULARITY_WORD, &start, &end)), "Visit");
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 5);
    EXPECT_EQ(owned(atk_text_get_string_at_offset(text, 5, ATK_TEXT_GRANULARITY_CHAR, &start, &end)), ":");
    EXPECT_EQ(owned(atk_text_get_string_at_offset(text, 99, ATK_TEXT_GRANULARITY_LINE, &start, &end)), "Visit: www");
    EXPECT_EQ(atk_text_get_n_selections(text), 0);
}

}
