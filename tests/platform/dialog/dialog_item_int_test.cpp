// GetDlgItemInt and SetDlgItemInt on a real edit control: the documented
// conversion, pinned text by text, the flag that reports it, and the text the
// number is written as.
#include "ScriptedDialog.h"
#include "fixture.h"

#include <gtest/gtest.h>

#include <climits>

using dialog_test::Procedure;
using dialog_test::run_dialog;

namespace {

struct Conversion {
    UINT value;
    BOOL translated;
};

// Sets each text into the first edit and reads it back as a number.
std::vector<Conversion> convert(std::vector<std::u16string> const& texts, BOOL is_signed)
{
    std::vector<Conversion> results;
    Procedure state;
    state.on_init = [&](HWND dialog) {
        for (auto const& text : texts) {
            SetDlgItemTextW(dialog, IDC_FIRST_EDIT, text.c_str());
            BOOL translated = 0x5EED;
            UINT const value = GetDlgItemInt(dialog, IDC_FIRST_EDIT, &translated, is_signed);
            results.push_back({ value, translated });
        }
        EndDialog(dialog, IDOK);
        return TRUE;
    };
    run_dialog(IDD_FIELDS, "", state);
    return results;
}

}

TEST(DialogItemInt, SignedConversion)
{
    struct Case {
        std::u16string text;
        INT value;
        BOOL translated;
    };
    Case const cases[] = {
        { u"", 0, FALSE },
        { u"abc", 0, FALSE },
        { u"-", 0, FALSE },
        { u"-60", -60, TRUE },
        { u"0", 0, TRUE },
        { u"-0", 0, TRUE },
        { u"   42", 42, TRUE },
        { u"\t 7", 7, TRUE },
        { u"+42", 0, FALSE },
        { u"- 5", 0, FALSE },
        { u"12abc", 12, TRUE },
        { u"42  ", 42, TRUE },
        { u"2147483647", INT_MAX, TRUE },
        { u"2147483648", 0, FALSE },
        { u"-2147483648", INT_MIN, TRUE },
        { u"-2147483649", 0, FALSE },
        { u"99999999999", 0, FALSE },
        { u"000000000000000000042", 42, TRUE },
        { u"\uFF14\uFF12", 0, FALSE }, // full-width digits are not decimal digits here
    };
    std::vector<std::u16string> texts;
    for (auto const& c : cases)
        texts.push_back(c.text);
    auto const results = convert(texts, TRUE);
    ASSERT_EQ(results.size(), std::size(cases));
    for (std::size_t i = 0; i < results.size(); ++i) {
        std::string const label(cases[i].text.begin(), cases[i].text.end());
        EXPECT_EQ(static_cast<INT>(results[i].value), cases[i].value) << "text \"" << label << "\"";
        EXPECT_EQ(results[i].translated, cases[i].translated) << "text \"" << label << "\"";
    }
}

TEST(DialogItemInt, UnsignedConversion)
{
    struct Case {
        std::u16string text;
        UINT value;
        BOOL translated;
    };
    Case const cases[] = {
        { u"4294967295", 4294967295u, TRUE },
        { u"4294967296", 0, FALSE },
        { u"2147483648", 2147483648u, TRUE },
        { u"-5", 0, FALSE },
        { u" 17x", 17, TRUE },
    };
    std::vector<std::u16string> texts;
    for (auto const& c : cases)
        texts.push_back(c.text);
    auto const results = convert(texts, FALSE);
    ASSERT_EQ(results.size(), std::size(cases));
    for (std::size_t i = 0; i < results.size(); ++i) {
        std::string const label(cases[i].text.begin(), cases[i].text.end());
        EXPECT_EQ(results[i].value, cases[i].value) << "text \"" << label << "\"";
        EXPECT_EQ(results[i].translated, cases[i].translated) << "text \"" << label << "\"";
    }
}

TEST(DialogItemInt, MissingItemAndNoFlag)
{
    Procedure state;
    BOOL translated = 0x5EED;
    UINT missing = 1;
    UINT without_flag = 0;
    state.on_init = [&](HWND dialog) {
        missing = GetDlgItemInt(dialog, 4711, &translated, TRUE);
        SetDlgItemTextW(dialog, IDC_FIRST_EDIT, u"-60");
        without_flag = GetDlgItemInt(dialog, IDC_FIRST_EDIT, nullptr, TRUE);
        EndDialog(dialog, IDOK);
        return TRUE;
    };
    run_dialog(IDD_FIELDS, "", state);
    EXPECT_EQ(missing, 0u);
    EXPECT_EQ(translated, FALSE);
    EXPECT_EQ(static_cast<INT>(without_flag), -60);
}

TEST(DialogItemInt, ReadsWhatTheUserTyped)
{
    Procedure state;
    INT typed = 0;
    state.on_command = [&](HWND dialog, WORD id, WORD) {
        if (id == IDOK)
            typed = static_cast<INT>(GetDlgItemInt(dialog, IDC_SECOND_EDIT, nullptr, TRUE));
    };
    state.on_init = [](HWND dialog) {
        SetDlgItemInt(dialog, IDC_SECOND_EDIT, 0, TRUE);
        return TRUE;
    };
    auto const run = run_dialog(IDD_FIELDS, "key Shift+Tab\ntype -120\nkey Enter\n", state);
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(typed, -120);
}

TEST(DialogItemInt, SetWritesPlainDecimal)
{
    struct Case {
        UINT value;
        BOOL is_signed;
        std::u16string text;
    };
    Case const cases[] = {
        { 0, TRUE, u"0" },
        { static_cast<UINT>(-60), TRUE, u"-60" },
        { 60, TRUE, u"60" },
        { static_cast<UINT>(INT_MAX), TRUE, u"2147483647" },
        { static_cast<UINT>(INT_MIN), TRUE, u"-2147483648" },
        { static_cast<UINT>(-5), FALSE, u"4294967291" },
        { 4294967295u, FALSE, u"4294967295" },
    };
    std::vector<std::u16string> texts;
    std::vector<BOOL> results;
    Procedure state;
    state.on_init = [&](HWND dialog) {
        for (auto const& c : cases) {
            results.push_back(SetDlgItemInt(dialog, IDC_FIRST_EDIT, c.value, c.is_signed));
            WCHAR buffer[32];
            GetDlgItemTextW(dialog, IDC_FIRST_EDIT, buffer, 32);
            texts.emplace_back(buffer);
        }
        results.push_back(SetDlgItemInt(dialog, 4711, 1, TRUE));
        EndDialog(dialog, IDOK);
        return TRUE;
    };
    run_dialog(IDD_FIELDS, "", state);
    ASSERT_EQ(texts.size(), std::size(cases));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(texts[i], cases[i].text) << "value " << cases[i].value << " signed " << cases[i].is_signed;
        EXPECT_EQ(results[i], TRUE);
    }
    EXPECT_EQ(results.back(), FALSE) << "no such item";
}
