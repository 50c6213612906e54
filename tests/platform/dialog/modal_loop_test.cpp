// The modal loop's focus and key rules: tab order, the initial focus, Enter,
// Escape, Space, the default button, the title bar's buttons, closing, and
// the end of input.
#include "ScriptedDialog.h"
#include "fixture.h"

#include <gtest/gtest.h>

using dialog_test::Procedure;
using dialog_test::run_dialog;
using nlohmann::json;

namespace {

// The focus after each line of a script, one dump per step.
std::vector<json> focus_after_each(int dialog_id, std::vector<std::string> const& keys)
{
    std::string script = "dump\n";
    for (auto const& key : keys)
        script += "key " + key + "\ndump\n";
    auto const run = run_dialog(dialog_id, script);
    std::vector<json> focus;
    for (auto const& dump : run.dumps())
        focus.push_back(dump["focus"]);
    return focus;
}

// A script played on a dialog, the result the dialog ends with and the
// buttons clicked on the way, in order.
struct ScriptCase {
    char const* label;
    int dialog;
    std::string script;
    INT_PTR result;
    std::vector<WORD> clicked;
};

// Plays each case on a fresh procedure, which also ends the dialog on the
// buttons in `also_ending`.
template <std::size_t N>
void expect_script_cases(ScriptCase const (&cases)[N], std::set<WORD> const& also_ending = {})
{
    for (auto const& c : cases) {
        Procedure state;
        state.ending.insert(also_ending.begin(), also_ending.end());
        auto const run = run_dialog(c.dialog, c.script, state);
        EXPECT_EQ(run.result, c.result) << c.label;
        EXPECT_EQ(state.clicked(), c.clicked) << c.label;
    }
}

}

TEST(ModalLoop, TabOrderIsTemplateOrderOverVisibleEnabledTabStopsAndWraps)
{
    struct Case {
        char const* label;
        int dialog;
        std::vector<std::string> keys;
        std::vector<json> focus; // initially, then after each key
    };
    Case const cases[] = {
        { "forwards, wrapping", IDD_FIELDS, { "Tab", "Tab", "Tab", "Tab" },
          { 1, IDC_FIRST_EDIT, IDC_SECOND_EDIT, 1, IDC_FIRST_EDIT } },
        { "backwards, wrapping", IDD_FIELDS, { "Shift+Tab", "Shift+Tab", "Shift+Tab" },
          { 1, IDC_SECOND_EDIT, IDC_FIRST_EDIT, 1 } },
        { "disabled and hidden buttons are skipped", IDD_BUTTONS, { "Tab", "Tab", "Tab", "Tab" },
          { IDC_FIXED_EDIT, IDCANCEL, IDC_APPLY, IDC_NUMBER_EDIT, IDC_FIXED_EDIT } },
        { "backwards over the skipped ones", IDD_BUTTONS, { "Shift+Tab", "Shift+Tab", "Shift+Tab" },
          { IDC_FIXED_EDIT, IDC_NUMBER_EDIT, IDC_APPLY, IDCANCEL } },
        { "labels are no tab stops", IDD_LABELS, { "Tab" }, { IDC_LABEL, IDC_LABEL } },
    };
    for (auto const& c : cases)
        EXPECT_EQ(focus_after_each(c.dialog, c.keys), c.focus) << c.label;
}

TEST(ModalLoop, InitialFocusFollowsWhatInitDialogReturns)
{
    Procedure keeps_default;
    EXPECT_EQ(run_dialog(IDD_FIELDS, "dump\n", keeps_default).focus(), 1) << "TRUE: the first tab stop";

    Procedure declines;
    declines.on_init = [](HWND) { return FALSE; };
    EXPECT_TRUE(run_dialog(IDD_FIELDS, "dump\n", declines).focus().is_null()) << "FALSE and no focus set";

    Procedure chooses;
    chooses.on_init = [](HWND dialog) {
        SetFocus(GetDlgItem(dialog, IDC_SECOND_EDIT));
        return FALSE;
    };
    EXPECT_EQ(run_dialog(IDD_FIELDS, "dump\n", chooses).focus(), IDC_SECOND_EDIT) << "FALSE keeps the handler's focus";

    Procedure hides_first;
    hides_first.on_init = [](HWND dialog) {
        ShowWindow(GetDlgItem(dialog, 1), SW_HIDE);
        return TRUE;
    };
    EXPECT_EQ(run_dialog(IDD_FIELDS, "dump\n", hides_first).focus(), IDC_FIRST_EDIT)
        << "the first tab stop is found after the handler ran";
}

TEST(ModalLoop, InitDialogGetsTheFirstTabStopAndTheParameter)
{
    Procedure state;
    HWND first = nullptr;
    HWND expected = nullptr;
    state.on_init = [&](HWND dialog) {
        expected = GetDlgItem(dialog, 1);
        return TRUE;
    };
    // WM_INITDIALOG's wParam, seen through a procedure of our own.
    static HWND* seen;
    seen = &first;
    struct Capture {
        static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
        {
            if (message == WM_INITDIALOG)
                *seen = reinterpret_cast<HWND>(wparam);
            return dialog_test::procedure(dialog, message, wparam, lparam);
        }
    };
    std::istringstream input("");
    std::ostringstream output, errors;
    platform::dialog::install_front_end(std::make_unique<platform::frontends::ScriptFrontEnd>(input, output, errors));
    INT_PTR const result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FIELDS), nullptr,
                                           Capture::procedure, reinterpret_cast<LPARAM>(&state));
    platform::dialog::install_front_end(nullptr);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(first, expected);
}

TEST(ModalLoop, EnterEscapeAndSpace)
{
    ScriptCase const cases[] = {
        { "Enter without a default button gives IDOK", IDD_FIELDS, "key Enter\n", IDOK, { IDOK } },
        { "Enter in an edit gives IDOK", IDD_FIELDS, "key Tab\ntype -5\nkey Enter\n", IDOK, { IDOK } },
        { "Escape gives IDCANCEL", IDD_FIELDS, "key Tab\nkey Escape\n", IDCANCEL, { IDCANCEL } },
        { "Space clicks the focused button", IDD_FIELDS, "key Space\n", IDOK, { IDOK } },
        { "Space in an edit is a character", IDD_FIELDS, "key Tab\nkey Space\n", IDCANCEL, { IDCANCEL } },
        { "Enter gives the default button's id", IDD_BUTTONS, "key Enter\nkey Escape\n", IDCANCEL,
          { IDC_APPLY, IDCANCEL } },
        { "Enter on a focused push button presses that one", IDD_BUTTONS, "key Tab\nkey Enter\n", IDCANCEL,
          { IDCANCEL } },
        { "Space on the cancel button", IDD_BUTTONS, "key Tab\nkey Space\n", IDCANCEL, { IDCANCEL } },
        { "a disabled default button takes no Enter", IDD_DISABLED_DEFAULT, "key Enter\n", IDCANCEL, { IDCANCEL } },
    };
    expect_script_cases(cases, { IDC_DISABLED_DEFAULT });
}

TEST(ModalLoop, DefaultLookFollowsTheFocusedPushButton)
{
    auto const run = run_dialog(IDD_BUTTONS, "dump\nkey Tab\ndump\nkey Tab\ndump\nkey Tab\ndump\n");
    auto const dumps = run.dumps();
    ASSERT_EQ(dumps.size(), 4u);
    auto const is_default = [](json const& dump, int id) {
        for (auto const& c : dump["controls"]) {
            if (c["id"] == id)
                return c["default"].get<bool>();
        }
        return false;
    };
    struct Step {
        char const* focus;
        bool cancel;
        bool apply;
    };
    Step const steps[] = {
        { "edit", false, true }, { "cancel", true, false }, { "apply", false, true }, { "second edit", false, true }
    };
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(is_default(dumps[i], IDCANCEL), steps[i].cancel) << "focus on " << steps[i].focus;
        EXPECT_EQ(is_default(dumps[i], IDC_APPLY), steps[i].apply) << "focus on " << steps[i].focus;
    }
}

TEST(ModalLoop, SetDefIdMovesTheDefaultAndEnterFollows)
{
    Procedure state;
    LRESULT before = 0;
    LRESULT after = 0;
    state.on_init = [&](HWND dialog) {
        before = SendMessageW(dialog, DM_GETDEFID, 0, 0);
        SendMessageW(dialog, DM_SETDEFID, IDCANCEL, 0);
        after = SendMessageW(dialog, DM_GETDEFID, 0, 0);
        return TRUE;
    };
    auto const run = run_dialog(IDD_BUTTONS, "key Enter\n", state);
    EXPECT_EQ(before, MAKELRESULT(IDC_APPLY, DC_HASDEFID));
    EXPECT_EQ(after, MAKELRESULT(IDCANCEL, DC_HASDEFID));
    EXPECT_EQ(run.result, IDCANCEL);

    Procedure plain;
    LRESULT no_default_button = 0;
    plain.on_init = [&](HWND dialog) {
        no_default_button = SendMessageW(dialog, DM_GETDEFID, 0, 0);
        return TRUE;
    };
    run_dialog(IDD_FIELDS, "", plain);
    EXPECT_EQ(no_default_button, MAKELRESULT(IDOK, DC_HASDEFID)) << "IDOK when no button is the default";
}

TEST(ModalLoop, ArrowsMoveWithinTheGroupFromAButton)
{
    // The OK button and the first edit form one group (up to the next WS_GROUP label).
    auto const run = run_dialog(IDD_FIELDS, "key Right\ndump\nkey Left\ndump\n");
    auto const dumps = run.dumps();
    ASSERT_EQ(dumps.size(), 2u);
    EXPECT_EQ(dumps[0]["focus"], IDC_FIRST_EDIT);
    EXPECT_EQ(dumps[1]["focus"], IDC_FIRST_EDIT) << "in an edit the arrows move the caret";
}

TEST(ModalLoop, TitleBarButtonsAndClosing)
{
    struct Case {
        char const* label;
        int dialog;
        std::string script;
        bool handles_close;
        INT_PTR result;
        std::vector<WORD> clicked;
    };
    Case const cases[] = {
        { "title bar OK gives IDOK", IDD_FIELDS, "click caption-ok\n", false, IDOK, { IDOK } },
        { "title bar close gives IDCANCEL", IDD_FIELDS, "click caption-close\n", false, IDCANCEL, { IDCANCEL } },
        { "a close request gives IDCANCEL", IDD_FIELDS, "close\n", false, IDCANCEL, { IDCANCEL } },
        { "the end of input gives IDCANCEL", IDD_FIELDS, "", false, IDCANCEL, { IDCANCEL } },
        { "no OK button in the title bar: nothing", IDD_PLAIN, "click caption-ok\n", false, IDCANCEL,
          { IDCANCEL } },
        { "a dialog that keeps itself open on close", IDD_FIELDS, "close\nclick caption-close\nkey Enter\n", true,
          IDOK, { IDOK } },
        { "a dialog that will not close still ends at the end of input", IDD_FIELDS, "close\n", true, IDCANCEL,
          {} },
    };
    for (auto const& c : cases) {
        Procedure state;
        state.handles_close = c.handles_close;
        auto const run = run_dialog(c.dialog, c.script, state);
        EXPECT_EQ(run.result, c.result) << c.label;
        EXPECT_EQ(state.clicked(), c.clicked) << c.label;
        ASSERT_FALSE(run.lines.empty()) << c.label;
        EXPECT_EQ(run.lines.back(), json({ { "end", c.result } })) << c.label;
    }
}

TEST(ModalLoop, CloseMessageBecomesCancel)
{
    Procedure state;
    state.on_init = [](HWND dialog) {
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        return TRUE;
    };
    auto const run = run_dialog(IDD_FIELDS, "key Enter\n", state);
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_EQ(state.clicked(), std::vector<WORD>({ IDCANCEL }));
    EXPECT_TRUE(run.lines.empty()) << "ended before it was shown";
}

TEST(ModalLoop, ClicksOnControls)
{
    ScriptCase const cases[] = {
        { "a push button", IDD_FIELDS, "click 1\n", IDOK, { IDOK } },
        { "a label does nothing", IDD_FIELDS, "click 1007\n", IDCANCEL, { IDCANCEL } },
        { "a disabled button does nothing", IDD_BUTTONS, "click 301\n", IDCANCEL, { IDCANCEL } },
    };
    expect_script_cases(cases);

    auto const edit = run_dialog(IDD_FIELDS, "click 1006\ndump\n");
    EXPECT_EQ(edit.focus(), IDC_SECOND_EDIT) << "a click gives an edit the focus";
}

TEST(ModalLoop, CentredDialogStaysCentredWhenTheScreenChanges)
{
    auto const run = run_dialog(IDD_PLAIN, "dump\nresize 320 200\ndump\nresize 100 50\ndump\nresize 640 480\ndump\n");
    auto const dumps = run.dumps();
    ASSERT_EQ(dumps.size(), 4u);
    struct Expect {
        int screen_width;
        int screen_height;
    };
    Expect const screens[] = { { 640, 480 }, { 320, 200 }, { 100, 50 }, { 640, 480 } };
    for (std::size_t i = 0; i < 4; ++i) {
        auto const& window = dumps[i]["window"];
        int const width = window["cx"];
        int const height = window["cy"];
        int const x = std::max(0, (screens[i].screen_width - width) / 2);
        int const y = std::max(0, (screens[i].screen_height - height) / 2);
        EXPECT_EQ(window["x"], x) << "step " << i;
        EXPECT_EQ(window["y"], y) << "step " << i;
    }
}

namespace {

// A front end that hands over a fixed list of events, then the end of input,
// and keeps every view it was given.
class EventList final : public platform::frontends::FrontEnd {
public:
    explicit EventList(std::vector<platform::frontends::InputEvent> events)
        : m_events(std::move(events))
    {
    }
    platform::Result<void> prepare() override { return {}; }
    SIZE screen_size() const override { return { 80, 24 }; }
    platform::frontends::BaseUnits base_units() const override { return { 2, 1, 1 }; }
    platform::frontends::Insets non_client_insets(DWORD, DWORD) const override { return { 1, 1, 1, 1 }; }
    platform::Result<void> show(platform::frontends::DialogView const& view) override
    {
        views.push_back(view);
        return {};
    }
    void refresh(platform::frontends::DialogView const& view) override { views.push_back(view); }
    platform::frontends::InputEvent next_event() override
    {
        if (m_next < m_events.size())
            return m_events[m_next++];
        return platform::frontends::CloseRequest { true };
    }
    void close(INT_PTR) override { }

    std::vector<platform::frontends::DialogView> views;

private:
    std::vector<platform::frontends::InputEvent> m_events;
    std::size_t m_next { 0 };
};

// Runs IDD_FIELDS on a terminal-like scale (two cells per four dialog units
// across, one row per eight down) with the given events.
std::vector<platform::frontends::DialogView> run_events(std::vector<platform::frontends::InputEvent> events,
                                                         Procedure& state, INT_PTR& result)
{
    auto front_end = std::make_unique<EventList>(std::move(events));
    auto* list = front_end.get();
    platform::dialog::install_front_end(std::move(front_end));
    result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FIELDS), nullptr,
                             dialog_test::procedure, reinterpret_cast<LPARAM>(&state));
    auto views = list->views;
    platform::dialog::install_front_end(nullptr);
    return views;
}

}

TEST(ModalLoop, ClicksOnScreenPointsFindTheControlUnderThem)
{
    using platform::frontends::PointClick;
    // The dialog sits at the top left: its client area starts at (1, 1).
    // OK is at 41,92 50x14 dialog units: cells x 21..45, row 12..13 of the client.
    // The first edit is at 83,7 40x14: cells x 42..61, rows 1..2.
    struct Case {
        char const* label;
        POINT point;
        INT_PTR result;
        std::vector<WORD> clicked;
        std::optional<std::size_t> caret; // of the first edit, when it has the focus
    };
    Case const cases[] = {
        { "on the OK button", { 1 + 30, 1 + 12 }, IDOK, { IDOK }, std::nullopt },
        { "on the edit, after its text", { 1 + 55, 1 + 1 }, IDCANCEL, { IDCANCEL }, 3 },
        { "on the edit's second character", { 1 + 43, 1 + 1 }, IDCANCEL, { IDCANCEL }, 1 },
        { "on empty dialog space", { 1 + 5, 1 + 16 }, IDCANCEL, { IDCANCEL }, std::nullopt },
        { "off the dialog", { 79, 23 }, IDCANCEL, { IDCANCEL }, std::nullopt },
    };
    for (auto const& c : cases) {
        Procedure state;
        state.on_init = [](HWND dialog) {
            SetDlgItemTextW(dialog, IDC_FIRST_EDIT, u"-60");
            return TRUE;
        };
        INT_PTR result = 0;
        auto const views = run_events({ PointClick { c.point } }, state, result);
        EXPECT_EQ(result, c.result) << c.label;
        EXPECT_EQ(state.clicked(), c.clicked) << c.label;
        if (c.result == IDOK)
            continue; // ended by the click: nothing more to show
        ASSERT_GE(views.size(), 2u) << c.label;
        auto const& after = views[1];
        ASSERT_TRUE(after.focus) << c.label;
        auto const& focused = after.controls[*after.focus];
        if (c.caret) {
            EXPECT_EQ(focused.id, IDC_FIRST_EDIT) << c.label;
            EXPECT_EQ(focused.caret, *c.caret) << c.label;
        } else {
            EXPECT_EQ(focused.id, 1) << c.label << ": the focus stays";
        }
    }
}

TEST(ModalLoop, TypedCharactersBeyondTheBasicPlaneArriveWhole)
{
    using platform::frontends::CharInput;
    using platform::frontends::KeyPress;
    Procedure state;
    INT_PTR result = 0;
    auto const views = run_events({ KeyPress { VK_TAB, false, false }, CharInput { U'\U0001F600' }, CharInput { U'-' },
                                    CharInput { 0x07 }, CharInput { 0xD800 } },
                                  state, result);
    ASSERT_FALSE(views.empty());
    auto const& last = views.back();
    EXPECT_EQ(last.controls[1].text, u"\U0001F600-") << "a bell and a lone surrogate are not text";
}

TEST(ModalLoop, SpaceClicksAButtonWhenItComesUpOverTheStillFocusedButton)
{
    using platform::frontends::InputEvent;
    using platform::frontends::KeyDown;
    using platform::frontends::KeyUp;
    KeyDown const space_down { VK_SPACE, false, false };
    KeyUp const space_up { VK_SPACE };
    KeyDown const tab { VK_TAB, false, false };
    struct Case {
        char const* label;
        std::vector<InputEvent> events;
        INT_PTR result;
    };
    // The OK button has the focus when the dialog opens.
    Case const cases[] = {
        { "down and up clicks", { space_down, space_up }, IDOK },
        { "held down (repeating), no click", { space_down, space_down, space_down }, IDCANCEL },
        { "held, then up, clicks once", { space_down, space_down, space_up }, IDOK },
        { "the focus moved before the release: no click", { space_down, tab, space_up }, IDCANCEL },
        { "up alone does nothing", { space_up }, IDCANCEL },
    };
    for (auto const& c : cases) {
        Procedure state;
        INT_PTR result = 0;
        run_events(c.events, state, result);
        EXPECT_EQ(result, c.result) << c.label;
    }
}

TEST(ModalLoop, SpaceHeldDownShowsTheButtonPushed)
{
    using platform::frontends::KeyDown;
    Procedure state;
    INT_PTR result = 0;
    auto const views = run_events({ KeyDown { VK_SPACE, false, false } }, state, result);
    ASSERT_GE(views.size(), 2u);
    EXPECT_FALSE(views[0].controls[0].pushed);
    EXPECT_TRUE(views[1].controls[0].pushed) << "pushed while Space is down";
}

TEST(ModalLoop, TheTitleBarDragsTheDialogUnlessItSaysNoDrag)
{
    using platform::frontends::DialogMove;
    struct Case {
        char const* what;
        LONG style_off; // taken from the template's style
        LONG ex_style_on; // added to its extended style
        bool moves;
    } const cases[] = {
        { "a title bar", 0, 0, true },
        { "WS_EX_NODRAG", 0, WS_EX_NODRAG, false },
        { "a border and no title bar", WS_DLGFRAME, 0, false },
    };
    for (auto const& c : cases) {
        Procedure state;
        state.on_init = [&c](HWND dialog) {
            SetWindowLongW(dialog, GWL_STYLE, GetWindowLongW(dialog, GWL_STYLE) & ~c.style_off);
            SetWindowLongW(dialog, GWL_EXSTYLE, GetWindowLongW(dialog, GWL_EXSTYLE) | c.ex_style_on);
            return TRUE;
        };
        INT_PTR result = 0;
        auto const views = run_events({ DialogMove { { 7, 3 } } }, state, result);
        ASSERT_GE(views.size(), 2u) << c.what;
        RECT const before = views[0].window_rect;
        RECT const after = views[1].window_rect;
        if (!c.moves) {
            EXPECT_EQ(after.left, before.left) << c.what;
            EXPECT_EQ(after.top, before.top) << c.what;
        } else {
            EXPECT_EQ(after.left, 7) << c.what;
            EXPECT_EQ(after.top, 3) << c.what;
            EXPECT_EQ(after.right - after.left, before.right - before.left) << "moved, not resized";
            EXPECT_EQ(views[1].client_rect.left - after.left, views[0].client_rect.left - before.left);
        }
    }
}
