// Edit controls as the user meets them: typing (a minus sign included),
// the editing keys, selection, the length limit, sideways scrolling, clicks;
// and the messages a program sends them.
#include "ScriptedDialog.h"
#include "fixture.h"

#include <gtest/gtest.h>

using dialog_test::Procedure;
using dialog_test::run_dialog;
using nlohmann::json;

namespace {

// The script front end's default metrics: 8 units per character, and edits
// of 40 dialog units are 80 units wide, so nine characters fit before the
// caret.
constexpr std::size_t characters_before_caret = 9;

Procedure with_first_edit(std::u16string text)
{
    Procedure state;
    state.on_init = [text](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_FIRST_EDIT, text.c_str());
        return TRUE;
    };
    return state;
}

}

TEST(EditControl, TypingAndEditingKeys)
{
    struct Case {
        char const* label;
        std::u16string initial;
        std::string script; // after Tab has moved into the first edit
        std::string text;
        std::size_t caret;
        std::vector<std::size_t> selection;
    };
    Case const cases[] = {
        { "a leading minus sign", u"", "type -60\n", "-60", 3, { 3, 3 } },
        { "typing replaces the text selected by Tab", u"-60", "type 15\n", "15", 2, { 2, 2 } },
        { "Tab selects all", u"-60", "", "-60", 3, { 0, 3 } },
        { "Backspace removes the selection", u"-60", "key Backspace\n", "", 0, { 0, 0 } },
        { "Delete removes the selection", u"-60", "key Delete\n", "", 0, { 0, 0 } },
        { "Backspace removes before the caret", u"", "type 1234\nkey Backspace\n", "123", 3, { 3, 3 } },
        { "Backspace at the start does nothing", u"", "type 12\nkey Home\nkey Backspace\n", "12", 0, { 0, 0 } },
        { "Delete removes after the caret", u"", "type -60\nkey Home\nkey Delete\n", "60", 0, { 0, 0 } },
        { "Delete at the end does nothing", u"", "type 12\nkey Delete\n", "12", 2, { 2, 2 } },
        { "insert at the caret", u"", "type 134\nkey Left\nkey Left\ntype 2\n", "1234", 2, { 2, 2 } },
        { "Home then type", u"", "type 12\nkey Home\ntype -\n", "-12", 1, { 1, 1 } },
        { "End after Home", u"", "type 12\nkey Home\nkey End\ntype 3\n", "123", 3, { 3, 3 } },
        { "Left collapses a selection to its start", u"-60", "key Left\ntype 5\n", "5-60", 1, { 1, 1 } },
        { "Right collapses a selection to its end", u"-60", "key Right\ntype 5\n", "-605", 4, { 4, 4 } },
        { "Shift+Left selects", u"", "type abcd\nkey Shift+Left\nkey Shift+Left\n", "abcd", 2, { 2, 4 } },
        { "typing replaces a Shift selection", u"", "type abcd\nkey Shift+Left\nkey Shift+Left\ntype X\n", "abX",
          3, { 3, 3 } },
        { "Shift+Home selects to the start", u"", "type abc\nkey Left\nkey Shift+Home\n", "abc", 0, { 0, 2 } },
        { "any text is taken", u"", "type a b,c\n", "a b,c", 5, { 5, 5 } },
        { "UTF-8 becomes UTF-16", u"", "type \xc3\xa4\xf0\x9f\x98\x80" "b\n", "\xc3\xa4\xf0\x9f\x98\x80" "b", 4,
          { 4, 4 } },
        { "the caret steps over a surrogate pair", u"", "type \xc3\xa4\xf0\x9f\x98\x80" "b\nkey Left\nkey Left\n",
          "\xc3\xa4\xf0\x9f\x98\x80" "b", 1, { 1, 1 } },
        { "Backspace removes a whole surrogate pair", u"", "type a\xf0\x9f\x98\x80\nkey Backspace\n", "a", 1,
          { 1, 1 } },
        { "control characters are not text", u"", "type a\x01\x7f" "b\n", "ab", 2, { 2, 2 } },
        { "Ctrl+Left to the start of the word", u"", "type ab cd\nkey Ctrl+Left\n", "ab cd", 3, { 3, 3 } },
        { "Ctrl+Left twice to the word before", u"", "type ab  cd\nkey Ctrl+Left\nkey Ctrl+Left\n", "ab  cd", 0,
          { 0, 0 } },
        { "Ctrl+Right past the word and its spaces", u"", "type ab  cd\nkey Home\nkey Ctrl+Right\n", "ab  cd", 4,
          { 4, 4 } },
        { "Ctrl+Right at the last word goes to the end", u"", "type ab cd\nkey Home\nkey Ctrl+Right\nkey Ctrl+Right\n",
          "ab cd", 5, { 5, 5 } },
        { "Shift+Ctrl+Left selects a word", u"", "type ab cd\nkey Shift+Ctrl+Left\n", "ab cd", 3, { 3, 5 } },
        // The spaces a double click knows: a tab and a no-break space too.
        { "Ctrl+Right past a no-break space", u"", "type ab\xc2\xa0" "cd\nkey Home\nkey Ctrl+Right\n",
          "ab\xc2\xa0" "cd", 3, { 3, 3 } },
        { "Ctrl+Left keeps a sign with its number", u"", "type x -60\nkey Ctrl+Left\n", "x -60", 2, { 2, 2 } },
        { "Ctrl+Right takes a pair as part of a word", u"", "type a\xf0\x9f\x98\x80" "b c\nkey Home\nkey Ctrl+Right\n",
          "a\xf0\x9f\x98\x80" "b c", 5, { 5, 5 } },
        { "Shift+End then typing replaces", u"", "type abcd\nkey Home\nkey Right\nkey Shift+End\ntype X\n", "aX", 2,
          { 2, 2 } },
    };
    for (auto const& c : cases) {
        Procedure state = with_first_edit(c.initial);
        auto const run = run_dialog(IDD_FIELDS, "key Tab\n" + c.script + "dump\n", state);
        auto const edit = run.control(IDC_FIRST_EDIT);
        EXPECT_EQ(edit["text"], c.text) << c.label;
        EXPECT_EQ(edit["caret"], c.caret) << c.label;
        EXPECT_EQ(edit["selection"], json(c.selection)) << c.label;
    }
}

namespace {

// What the edits offered as the host's selection (X's PRIMARY), in order.
std::vector<std::u16string> g_offered_selections;

// The script front end, with some input events of its own first.
class InjectingFrontEnd final : public platform::frontends::FrontEnd {
public:
    InjectingFrontEnd(std::unique_ptr<platform::frontends::FrontEnd> inner,
                      std::vector<platform::frontends::InputEvent> first)
        : m_inner(std::move(inner))
        , m_first(std::move(first))
    {
    }
    platform::Result<void> prepare() override { return m_inner->prepare(); }
    SIZE screen_size() const override { return m_inner->screen_size(); }
    platform::frontends::BaseUnits base_units() const override { return m_inner->base_units(); }
    platform::frontends::Insets non_client_insets(DWORD style, DWORD ex_style) const override
    {
        return m_inner->non_client_insets(style, ex_style);
    }
    int text_extent(std::u16string_view text) const override { return m_inner->text_extent(text); }
    RECT edit_text_rect(RECT const& control, DWORD style) const override
    {
        return m_inner->edit_text_rect(control, style);
    }
    platform::Result<void> show(platform::frontends::DialogView const& view) override { return m_inner->show(view); }
    void refresh(platform::frontends::DialogView const& view) override { m_inner->refresh(view); }
    platform::frontends::InputEvent next_event() override
    {
        if (m_next < m_first.size())
            return m_first[m_next++];
        return m_inner->next_event();
    }
    void close(INT_PTR result) override { m_inner->close(result); }
    std::u16string clipboard_text() const override { return m_inner->clipboard_text(); }
    void set_clipboard_text(std::u16string_view text) override { m_inner->set_clipboard_text(text); }
    void set_selection_text(std::u16string_view text) override { g_offered_selections.emplace_back(text); }

private:
    std::unique_ptr<platform::frontends::FrontEnd> m_inner;
    std::vector<platform::frontends::InputEvent> m_first;
    std::size_t m_next { 0 };
};

dialog_test::Run run_with_events(int dialog_id, std::vector<platform::frontends::InputEvent> events,
                                 std::string const& script, Procedure& state)
{
    std::istringstream input(script);
    std::ostringstream output;
    std::ostringstream errors;
    platform::dialog::install_front_end(std::make_unique<InjectingFrontEnd>(
        std::make_unique<platform::frontends::ScriptFrontEnd>(input, output, errors), std::move(events)));
    dialog_test::Run run;
    run.result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(dialog_id), nullptr,
                                 dialog_test::procedure, reinterpret_cast<LPARAM>(&state));
    platform::dialog::install_front_end(nullptr);
    std::istringstream lines(output.str());
    for (std::string line; std::getline(lines, line);)
        run.lines.push_back(json::parse(line, nullptr, false));
    return run;
}

platform::frontends::KeyPress key(UINT vk, bool shift = false)
{
    return platform::frontends::KeyPress { vk, shift, false };
}

platform::frontends::KeyPress ctrl_key(UINT vk)
{
    return platform::frontends::KeyPress { vk, false, true };
}

platform::frontends::CharInput typed(char32_t c)
{
    return platform::frontends::CharInput { c };
}

platform::frontends::PasteText pasted(std::u16string text)
{
    return platform::frontends::PasteText { std::move(text) };
}

}

TEST(EditControl, APasteIsTextForTheFocusedEditNeverKeys)
{
    using platform::frontends::InputEvent;
    struct Case {
        char const* label;
        std::vector<InputEvent> events;
        std::string text;
        std::size_t caret;
    };
    Case const cases[] = {
        { "replaces the selection", { key(VK_TAB), pasted(u"-45") }, "-45", 3 },
        { "up to the first line break", { key(VK_TAB), pasted(u"-45\r\nIDOK\n") }, "-45", 3 },
        { "a line break first pastes nothing", { key(VK_TAB), pasted(u"\n-45") }, "-60", 3 },
        { "control characters dropped", { key(VK_TAB), pasted(u"1\x1b[2J\t2\x7f\u0085" u"3") }, "1[2J23", 6 },
        { "lone surrogates dropped, pairs kept", { key(VK_TAB), pasted(u"a\xD800" u"b\U0001F600") }, "ab\xf0\x9f\x98\x80",
          4 },
        { "at the caret", { key(VK_TAB), key(VK_END), key(VK_LEFT), pasted(u"12") }, "-6120", 4 },
        { "with a button focused, nothing", { pasted(u"99") }, "-60", 0 },
    };
    for (auto const& c : cases) {
        Procedure state = with_first_edit(u"-60");
        auto const run = run_with_events(IDD_FIELDS, c.events, "dump\n", state);
        auto const edit = run.control(IDC_FIRST_EDIT);
        EXPECT_EQ(edit["text"], c.text) << c.label;
        EXPECT_EQ(edit["caret"], c.caret) << c.label;
        EXPECT_NE(run.result, IDOK) << c.label << ": the paste confirmed the dialog";
        EXPECT_EQ(state.clicked(), std::vector<WORD> { IDCANCEL }) << c.label << ": only the script's end closes it";
    }
}

TEST(EditControl, APasteStopsAtTheLimit)
{
    Procedure state = with_first_edit(u"");
    state.on_init = [](HWND dialog) {
        SendMessageW(GetDlgItem(dialog, IDC_FIRST_EDIT), EM_LIMITTEXT, 5, 0);
        return TRUE;
    };
    auto const run = run_with_events(IDD_FIELDS, { key(VK_TAB), pasted(u"1234567") }, "dump\n", state);
    EXPECT_EQ(run.text(IDC_FIRST_EDIT), "12345");
}

TEST(EditControl, LongTextScrollsAsShortTextDoes)
{
    // 30,000 characters pasted, then End, Home and back: the view follows
    // the caret exactly as it does in a short text.
    std::u16string const long_text(30000, u'7');
    Procedure state = with_first_edit(u"");
    auto const run = run_with_events(IDD_FIELDS, { key(VK_TAB), pasted(long_text) },
                                     "dump\nkey Home\ndump\nkey End\ndump\nkey Left\nkey Shift+Home\ndump\n", state);
    auto const dumps = run.dumps();
    ASSERT_EQ(dumps.size(), 4u);
    auto edit_in = [](json const& dump) {
        for (auto const& c : dump["controls"]) {
            if (c["id"] == IDC_FIRST_EDIT)
                return c;
        }
        return json();
    };
    EXPECT_EQ(edit_in(dumps[0])["scroll"], 30000 - characters_before_caret);
    EXPECT_EQ(edit_in(dumps[1])["scroll"], 0);
    EXPECT_EQ(edit_in(dumps[2])["scroll"], 30000 - characters_before_caret);
    EXPECT_EQ(edit_in(dumps[3])["scroll"], 0);
    EXPECT_EQ(edit_in(dumps[3])["selection"], json({ 0, 29999 }));
}

TEST(EditControl, ScrollsSidewaysToKeepTheCaretInView)
{
    struct Case {
        char const* label;
        std::string script;
        std::size_t scroll;
    };
    Case const cases[] = {
        { "short text does not scroll", "type 123456789\n", 0 },
        { "one more character scrolls by one", "type 1234567890\n", 1 },
        { "long text shows its end", "type 0123456789abcde\n", 15 - characters_before_caret },
        { "Home shows the start", "type 0123456789abcde\nkey Home\n", 0 },
        { "End shows the end again", "type 0123456789abcde\nkey Home\nkey End\n", 15 - characters_before_caret },
        { "Left inside the view does not scroll", "type 0123456789abcde\nkey Left\nkey Left\n",
          15 - characters_before_caret },
        { "deleting from the end pulls the text back", "type 0123456789abcde\nkey Backspace\nkey Backspace\n",
          13 - characters_before_caret },
        { "deleting it all returns to the start", "type 0123456789ab\nkey Home\nkey Shift+End\nkey Delete\n", 0 },
    };
    for (auto const& c : cases) {
        auto const run = run_dialog(IDD_FIELDS, "key Tab\n" + c.script + "dump\n");
        EXPECT_EQ(run.control(IDC_FIRST_EDIT)["scroll"], c.scroll) << c.label;
    }
}

TEST(EditControl, WithoutAutoScrollTheTextMustFitTheField)
{
    // IDC_FIXED_EDIT is 80 units wide: ten characters.
    auto const run = run_dialog(IDD_BUTTONS, "type 0123456789abc\ndump\n");
    EXPECT_EQ(run.text(IDC_FIXED_EDIT), "0123456789");
    EXPECT_EQ(run.control(IDC_FIXED_EDIT)["scroll"], 0);
}

TEST(EditControl, NumberStyleTakesOnlyDigits)
{
    auto const run = run_dialog(IDD_BUTTONS, "key Shift+Tab\ntype -12a3\ndump\n");
    EXPECT_EQ(run.text(IDC_NUMBER_EDIT), "123");
}

TEST(EditControl, ClickPutsTheCaretAtTheNearestCharacterBoundary)
{
    struct Case {
        char const* label;
        int x;
        std::size_t caret;
    };
    // Characters are 8 units wide: boundaries at 0, 8, 16, 24.
    Case const cases[] = {
        { "before the text", 0, 0 },  { "nearer the first boundary", 3, 0 }, { "nearer the second", 5, 1 },
        { "half way goes left", 12, 1 }, { "past the end", 70, 3 },
    };
    for (auto const& c : cases) {
        Procedure state = with_first_edit(u"-60");
        auto const run = run_dialog(IDD_FIELDS, "click 1002 " + std::to_string(c.x) + " 3\ndump\n", state);
        auto const edit = run.control(IDC_FIRST_EDIT);
        EXPECT_EQ(run.focus(), IDC_FIRST_EDIT) << c.label;
        EXPECT_EQ(edit["caret"], c.caret) << c.label;
        EXPECT_EQ(edit["selection"], json({ c.caret, c.caret })) << c.label << ": a click selects nothing";
    }
}

TEST(EditControl, LengthLimit)
{
    struct Case {
        char const* label;
        std::size_t initial_length;
        int limit; // EM_LIMITTEXT's argument; -1: not sent
        std::string script;
        std::size_t length;
        LRESULT reported_limit;
    };
    Case const cases[] = {
        { "the initial limit is 30000", 29999, -1, "key End\ntype abc\n", 30000, 30000 },
        { "EM_LIMITTEXT sets a smaller one", 0, 5, "type 1234567\n", 5, 5 },
        { "EM_LIMITTEXT 0 sets the largest", 0, 0, "type 1\n", 1, 0x7FFE },
        { "the largest is a cap", 0, 100000, "type 1\n", 1, 0x7FFE },
        { "typed over a selection at the limit", 3, 3, "key Home\nkey Shift+End\ntype 9\n", 1, 3 },
        { "text set beyond the limit is kept", 8, 3, "key End\ntype 9\nkey Backspace\n", 7, 3 },
        { "a pair never goes in by half", 4, 5, "key End\ntype \xf0\x9f\x98\x80\n", 4, 5 },
    };
    for (auto const& c : cases) {
        Procedure state;
        LRESULT reported = 0;
        state.on_init = [&](HWND dialog) {
            std::u16string const text(c.initial_length, u'7');
            HWND const edit = GetDlgItem(dialog, IDC_FIRST_EDIT);
            if (c.limit >= 0)
                SendMessageW(edit, EM_LIMITTEXT, static_cast<WPARAM>(c.limit), 0);
            SetWindowTextW(edit, text.c_str());
            reported = SendMessageW(edit, EM_GETLIMITTEXT, 0, 0);
            SetFocus(edit);
            return FALSE;
        };
        auto const run = run_dialog(IDD_FIELDS, c.script + "dump\n", state);
        EXPECT_EQ(run.text(IDC_FIRST_EDIT).size(), c.length) << c.label;
        EXPECT_EQ(reported, c.reported_limit) << c.label;
    }
}

TEST(EditControl, NotifiesItsDialog)
{
    Procedure state;
    state.on_init = [](HWND dialog) {
        SendMessageW(GetDlgItem(dialog, IDC_FIRST_EDIT), EM_LIMITTEXT, 2, 0);
        return TRUE;
    };
    std::vector<WORD> notifications;
    state.on_command = [&](HWND, WORD id, WORD code) {
        if (id == IDC_FIRST_EDIT)
            notifications.push_back(code);
    };
    run_dialog(IDD_FIELDS, "key Tab\ntype 123\nkey Shift+Tab\n", state);
    EXPECT_EQ(notifications, std::vector<WORD>({ EN_SETFOCUS, EN_CHANGE, EN_CHANGE, EN_MAXTEXT, EN_KILLFOCUS }));
}

TEST(EditControl, SelectionMessages)
{
    struct Case {
        char const* label;
        int start;
        int end;
        DWORD selection_start;
        DWORD selection_end;
        std::size_t caret;
    };
    // On "hello": EM_SETSEL's start is the anchor and its end the caret.
    Case const cases[] = {
        { "a range", 1, 3, 1, 3, 3 },
        { "a reversed range", 4, 1, 1, 4, 1 },
        { "0 to -1 is everything", 0, -1, 0, 5, 5 },
        { "past the end is the end", 2, 99, 2, 5, 5 },
        { "-1 removes the selection, keeping the caret", -1, 0, 0, 0, 0 },
    };
    for (auto const& c : cases) {
        Procedure state;
        DWORD start = 0xDEADBEEF;
        DWORD end = 0xDEADBEEF;
        LRESULT packed = 0;
        state.on_init = [&](HWND dialog) {
            HWND const edit = GetDlgItem(dialog, IDC_FIRST_EDIT);
            SetWindowTextW(edit, u"hello");
            SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(c.start), c.end);
            packed = SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
            return TRUE;
        };
        auto const run = run_dialog(IDD_FIELDS, "dump\n", state);
        EXPECT_EQ(start, c.selection_start) << c.label;
        EXPECT_EQ(end, c.selection_end) << c.label;
        EXPECT_EQ(packed, MAKELRESULT(c.selection_start, c.selection_end)) << c.label;
        EXPECT_EQ(run.control(IDC_FIRST_EDIT)["caret"], c.caret) << c.label;
    }
}

TEST(EditControl, ReplaceSelAndSetText)
{
    Procedure state;
    std::u16string after_replace;
    DWORD start_after_set_text = 0xDEADBEEF;
    DWORD end_after_set_text = 0xDEADBEEF;
    state.on_init = [&](HWND dialog) {
        HWND const edit = GetDlgItem(dialog, IDC_FIRST_EDIT);
        SetWindowTextW(edit, u"-60");
        SendMessageW(edit, EM_SETSEL, 1, 3);
        SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(u"120"));
        WCHAR buffer[16];
        GetWindowTextW(edit, buffer, 16);
        after_replace = buffer;
        return TRUE;
    };
    // Typing scrolls and moves the caret; a new text puts both back at the start.
    state.on_command = [&](HWND dialog, WORD id, WORD) {
        if (id != IDOK)
            return;
        HWND const edit = GetDlgItem(dialog, IDC_FIRST_EDIT);
        SetWindowTextW(edit, u"x");
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start_after_set_text),
                     reinterpret_cast<LPARAM>(&end_after_set_text));
    };
    auto const run = run_dialog(IDD_FIELDS, "key Tab\nkey End\ntype 0123456789abc\nclick 1\n", state);
    EXPECT_EQ(after_replace, u"-120");
    EXPECT_EQ(start_after_set_text, 0u);
    EXPECT_EQ(end_after_set_text, 0u);
}

TEST(EditControl, TheDevicesEditingKeys)
{
    using platform::frontends::InputEvent;
    struct Case {
        char const* label;
        std::vector<InputEvent> events; // after Tab has selected the first edit's "-60"
        std::string first;
        std::string second; // the second edit's text (empty untouched)
        std::vector<std::size_t> selection;
    };
    auto const shift_ctrl = [](UINT vk) { return platform::frontends::KeyPress { vk, true, true }; };
    Case const cases[] = {
        { "Up moves left", { key(VK_END), key(VK_UP), typed('5') }, "-650", "", { 3, 3 } },
        { "Down moves right", { key(VK_HOME), key(VK_DOWN), typed('5') }, "-560", "", { 2, 2 } },
        { "Up collapses a selection to its start", { key(VK_UP) }, "-60", "", { 0, 0 } },
        { "Shift+Up selects", { key(VK_END), key(VK_UP, true) }, "-60", "", { 2, 3 } },
        { "Shift+Down selects", { key(VK_HOME), key(VK_DOWN, true), key(VK_DOWN, true) }, "-60", "", { 0, 2 } },
        { "Shift+Delete cuts the selection", { key(VK_DELETE, true), key(VK_TAB), key(VK_INSERT, true) }, "", "-60",
          { 0, 0 } },
        { "Shift+Delete with no selection deletes before the caret", { key(VK_END), key(VK_DELETE, true) }, "-6",
          "", { 2, 2 } },
        { "Delete does not copy", { key(VK_DELETE), key(VK_TAB), key(VK_INSERT, true) }, "", "", { 0, 0 } },
        { "Ctrl+Delete deletes to the end", { key(VK_HOME), key(VK_RIGHT), ctrl_key(VK_DELETE) }, "-", "",
          { 1, 1 } },
        { "Ctrl+Delete clears a selection", { ctrl_key(VK_DELETE), key(VK_TAB), key(VK_INSERT, true) }, "", "",
          { 0, 0 } },
        { "Shift+Ctrl+Delete does nothing", { shift_ctrl(VK_DELETE) }, "-60", "", { 0, 3 } },
        { "Ctrl+Insert copies", { ctrl_key(VK_INSERT), key(VK_TAB), key(VK_INSERT, true) }, "-60", "-60", { 0, 3 } },
        { "Shift+Insert pastes at the caret", { ctrl_key(VK_INSERT), key(VK_END), key(VK_INSERT, true) }, "-60-60",
          "", { 6, 6 } },
        { "Ctrl+Z undoes typing", { typed('1'), typed('5'), ctrl_key('Z') }, "-60", "", { 0, 3 } },
        { "a second Ctrl+Z brings it back", { typed('1'), typed('5'), ctrl_key('Z'), ctrl_key('Z') }, "15", "",
          { 2, 2 } },
        { "a run of typing is one change", { key(VK_END), typed('1'), typed('2'), ctrl_key('Z') }, "-60", "",
          { 3, 3 } },
        { "a caret move ends the run", { key(VK_END), typed('1'), key(VK_LEFT), typed('2'), ctrl_key('Z') }, "-601",
          "", { 3, 3 } },
        { "Backspace is undone", { key(VK_END), key(VK_BACK), ctrl_key('Z') }, "-60", "", { 3, 3 } },
        { "a cut is undone", { ctrl_key('X'), ctrl_key('Z') }, "-60", "", { 0, 3 } },
        { "a paste is undone", { pasted(u"7"), ctrl_key('Z') }, "-60", "", { 0, 3 } },
        { "nothing to undo", { key(VK_END), ctrl_key('Z') }, "-60", "", { 3, 3 } },
    };
    for (auto const& c : cases) {
        Procedure state = with_first_edit(u"-60");
        std::vector<InputEvent> events { key(VK_TAB) };
        events.insert(events.end(), c.events.begin(), c.events.end());
        auto const run = run_with_events(IDD_FIELDS, events, "dump\n", state);
        EXPECT_EQ(run.text(IDC_FIRST_EDIT), c.first) << c.label;
        EXPECT_EQ(run.text(IDC_SECOND_EDIT), c.second) << c.label;
        if (run.focus() == IDC_FIRST_EDIT) {
            EXPECT_EQ(run.control(IDC_FIRST_EDIT)["selection"], json(c.selection)) << c.label;
        }
    }
}

TEST(EditControl, UndoMessages)
{
    Procedure state;
    std::vector<LRESULT> can_undo;
    std::vector<std::u16string> texts;
    state.on_init = [&](HWND dialog) {
        HWND const edit = GetDlgItem(dialog, IDC_FIRST_EDIT);
        auto const text = [edit] {
            WCHAR buffer[16] {};
            GetWindowTextW(edit, buffer, 16);
            return std::u16string(buffer);
        };
        SetWindowTextW(edit, u"-60");
        can_undo.push_back(SendMessageW(edit, EM_CANUNDO, 0, 0)); // a new text: nothing to undo
        SendMessageW(edit, EM_SETSEL, 0, -1);
        SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(u"1"));
        can_undo.push_back(SendMessageW(edit, EM_CANUNDO, 0, 0)); // FALSE: not to be undone
        SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(u"2"));
        can_undo.push_back(SendMessageW(edit, EM_CANUNDO, 0, 0));
        can_undo.push_back(SendMessageW(edit, EM_UNDO, 0, 0));
        texts.push_back(text());
        can_undo.push_back(SendMessageW(edit, WM_UNDO, 0, 0));
        texts.push_back(text());
        SendMessageW(edit, EM_EMPTYUNDOBUFFER, 0, 0);
        can_undo.push_back(SendMessageW(edit, EM_CANUNDO, 0, 0));
        can_undo.push_back(SendMessageW(edit, EM_UNDO, 0, 0));
        texts.push_back(text());
        return TRUE;
    };
    run_dialog(IDD_FIELDS, "", state);
    EXPECT_EQ(can_undo, (std::vector<LRESULT> { FALSE, FALSE, TRUE, TRUE, TRUE, FALSE, FALSE }));
    EXPECT_EQ(texts, (std::vector<std::u16string> { u"1", u"12", u"12" }));
}

TEST(EditControl, DraggingPastAnEdgeScrollsTheSelection)
{
    using platform::frontends::PointerMove;
    using platform::frontends::PointerPress;
    using platform::frontends::PointerRelease;
    // Sixteen characters of 8 units in a field that shows nine.
    std::vector<platform::frontends::InputEvent> right { key(VK_TAB), key(VK_HOME), PointerPress { 1, { 2, 3 } } };
    for (int i = 0; i < 12; ++i)
        right.push_back(PointerMove { { 200 + i % 2, 3 } });
    right.push_back(PointerRelease { { 200, 3 } });
    std::vector<platform::frontends::InputEvent> left { key(VK_TAB), PointerPress { 1, { 60, 3 } } };
    for (int i = 0; i < 12; ++i)
        left.push_back(PointerMove { { -5 - i % 2, 3 } });
    left.push_back(PointerRelease { { -5, 3 } });
    struct Case {
        char const* label;
        std::vector<platform::frontends::InputEvent> events;
        std::vector<std::size_t> selection;
        std::size_t scroll;
    };
    Case const cases[] = {
        { "past the right edge to the end", right, { 0, 16 }, 16 - characters_before_caret },
        { "past the left edge to the start", left, { 0, 14 }, 0 },
    };
    for (auto const& c : cases) {
        Procedure state = with_first_edit(u"0123456789abcdef");
        g_offered_selections.clear();
        auto const run = run_with_events(IDD_FIELDS, c.events, "dump\n", state);
        auto const edit = run.control(IDC_FIRST_EDIT);
        EXPECT_EQ(edit["selection"], json(c.selection)) << c.label;
        EXPECT_EQ(edit["scroll"], c.scroll) << c.label;
        ASSERT_EQ(g_offered_selections.size(), 1u) << c.label << ": offered once, when the button comes up";
        EXPECT_EQ(g_offered_selections[0].size(), c.selection[1] - c.selection[0]) << c.label;
    }
}

TEST(EditControl, WhatTheUserSelectsIsOfferedAsTheHostsSelection)
{
    struct Case {
        char const* label;
        std::vector<platform::frontends::InputEvent> events;
        std::vector<std::u16string> offered;
    };
    Case const cases[] = {
        { "Tab's selection is not the user's", { key(VK_TAB) }, {} },
        { "Shift+arrows", { key(VK_TAB), key(VK_END), key(VK_LEFT, true), key(VK_LEFT, true) }, { u"0", u"60" } },
        { "a double click's word",
          { platform::frontends::PointerPress { 1, { 12, 3 }, false, true }, platform::frontends::PointerRelease { { 12, 3 } } },
          { u"60" } },
        { "a click selects nothing",
          { platform::frontends::PointerPress { 1, { 12, 3 } }, platform::frontends::PointerRelease { { 12, 3 } } }, {} },
    };
    for (auto const& c : cases) {
        Procedure state = with_first_edit(u"-60");
        g_offered_selections.clear();
        run_with_events(IDD_FIELDS, c.events, "", state);
        EXPECT_EQ(g_offered_selections, c.offered) << c.label;
    }
}
