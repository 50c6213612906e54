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
