// Modal dialogs of the tests' own, run through the real resource loader, the
// real dialog manager and the script front end: template lookup, the results
// of DoModal, OnInitDialog, the routing of IDOK, IDCANCEL and other commands
// through the message maps, and data exchange.
#include "afxwin.h"
#include "fixture.h"
#include "ScriptSession.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Records which of its handlers ran, and lets a test run code inside the live
// dialog from OnInitDialog and from the Apply button.
class CRecordingDlg : public CDialog {
public:
    explicit CRecordingDlg(UINT nIDTemplate = IDD_PLAIN, CWnd* pParentWnd = NULL)
        : CDialog(nIDTemplate, pParentWnd)
    {
    }

    std::vector<std::string> calls;
    std::function<void(CRecordingDlg&)> on_init;
    std::function<void(CRecordingDlg&)> on_apply;
    BOOL init_result { TRUE };

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        calls.push_back("init");
        SetDlgItemText(IDC_LABEL, u"ready");
        if (on_init)
            on_init(*this);
        return init_result;
    }

protected:
    void OnOK() override
    {
        calls.push_back("ok");
        CDialog::OnOK();
    }

    void OnCancel() override
    {
        calls.push_back("cancel");
        CDialog::OnCancel();
    }

    afx_msg void OnApply()
    {
        calls.push_back("apply");
        if (on_apply)
            on_apply(*this);
    }

    afx_msg void OnValueChanged() { calls.push_back("changed"); }
    // Listed to show that the edit's notifications are not commands.
    afx_msg void OnValueCommand() { calls.push_back("value command"); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRecordingDlg, CDialog)
    ON_COMMAND(IDC_APPLY, OnApply)
    ON_EN_CHANGE(IDC_VALUE, OnValueChanged)
    ON_COMMAND(IDC_VALUE, OnValueCommand)
END_MESSAGE_MAP()

nlohmann::json const& last_line(std::vector<nlohmann::json> const& lines)
{
    static nlohmann::json const none;
    return lines.empty() ? none : lines.back();
}

struct RoutingCase {
    char const* script;
    INT_PTR result;
    std::vector<std::string> calls;
};

}

TEST(DoModal, CommandsReachTheOverridesThroughTheMaps)
{
    RoutingCase const cases[] = {
        { "click 1\n", IDOK, { "init", "ok" } },
        { "key Enter\n", IDOK, { "init", "ok" } },
        { "click caption-ok\n", IDOK, { "init", "ok" } },
        { "click 2\n", IDCANCEL, { "init", "cancel" } },
        { "key Escape\n", IDCANCEL, { "init", "cancel" } },
        { "click caption-close\n", IDCANCEL, { "init", "cancel" } },
        { "", IDCANCEL, { "init", "cancel" } },
        { "click 1003\nclick 1003\nclick 1\n", IDOK, { "init", "apply", "apply", "ok" } },
        { "click 1004\nclick 1\n", IDOK, { "init", "ok" } }, // a button no map lists
        { "key Tab\ntype 12\nkey Enter\n", IDOK, { "init", "changed", "changed", "ok" } },
    };
    for (auto const& c : cases) {
        ScriptSession session(c.script);
        CRecordingDlg dialog;
        EXPECT_EQ(dialog.DoModal(), c.result) << c.script;
        EXPECT_EQ(dialog.calls, c.calls) << c.script;
        EXPECT_EQ(last_line(session.lines()), nlohmann::json({ { "end", c.result } })) << c.script;
        EXPECT_EQ(session.errors(), "") << c.script;
    }
}

TEST(DoModal, BaseDialogEndsWithOkAndCancel)
{
    RoutingCase const cases[] = {
        { "click 1\n", IDOK, {} },
        { "click caption-close\n", IDCANCEL, {} },
        { "click 1003\nclick 1\n", IDOK, {} }, // a command no map lists changes nothing
    };
    for (auto const& c : cases) {
        ScriptSession session(c.script);
        CDialog dialog(IDD_PLAIN);
        EXPECT_EQ(dialog.DoModal(), c.result) << c.script;
    }
}

TEST(DoModal, InitDialogRunsOnceBeforeTheDialogIsShown)
{
    ScriptSession session("dump\ndump\nclick 1\n");
    CRecordingDlg dialog;
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.calls, (std::vector<std::string> { "init", "ok" }));

    auto const lines = session.lines();
    ASSERT_EQ(lines.size(), 3u);
    for (int i = 0; i < 2; ++i) {
        auto const* label = control(lines[i], IDC_LABEL);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->at("text"), "ready") << "dump " << i;
        EXPECT_EQ(lines[i].at("caption"), "Plain");
    }
    // TRUE from OnInitDialog: the first tab-stop control has the focus.
    EXPECT_EQ(lines[0].at("focus"), IDOK);
}

TEST(DoModal, InitDialogReturningFalseKeepsTheFocusItSet)
{
    ScriptSession session("dump\nclick 1\n");
    CRecordingDlg dialog;
    dialog.init_result = FALSE;
    dialog.on_init = [](CRecordingDlg& d) { d.GetDlgItem(IDC_APPLY)->SetFocus(); };
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(session.lines().at(0).at("focus"), IDC_APPLY);
}

TEST(DoModal, MissingTemplateGivesMinusOneWithoutShowingAnything)
{
    ScriptSession session("click 1\n");
    CRecordingDlg by_id(IDD_MISSING);
    EXPECT_EQ(by_id.DoModal(), -1);
    CDialog by_name(u"NOSUCHDIALOG");
    EXPECT_EQ(by_name.DoModal(), -1);
    EXPECT_TRUE(by_id.calls.empty());
    EXPECT_EQ(session.output(), "");
}

TEST(DoModal, TemplateByName)
{
    ScriptSession session("dump\nclick 1\n");
    char16_t name[] = u"NAMEDDIALOG";
    CDialog dialog(name);
    name[0] = u'X'; // the dialog keeps its own copy of the name
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(session.lines().at(0).at("caption"), "Named");
}

TEST(DoModal, ObjectIsAttachedToItsWindowForTheRunOnly)
{
    ScriptSession session("click 1\nclick 2\n");
    CRecordingDlg dialog;
    HWND seen = nullptr;
    dialog.on_init = [&](CRecordingDlg& d) {
        seen = d.m_hWnd;
        EXPECT_NE(d.m_hWnd, nullptr);
        EXPECT_EQ(d.GetSafeHwnd(), d.m_hWnd);
        EXPECT_EQ(CWnd::FromHandle(d.m_hWnd), &d);
        EXPECT_EQ(CWnd::FromHandlePermanent(d.m_hWnd), &d);
    };
    ASSERT_EQ(dialog.DoModal(), IDOK);
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(seen), nullptr);

    // The same object runs again, with a window of its own.
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.calls, (std::vector<std::string> { "init", "ok", "init", "cancel" }));
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST(DoModal, ObjectThatIsRunningRefusesASecondRun)
{
    ScriptSession session("click 1003\nclick 1\n");
    CRecordingDlg dialog;
    INT_PTR inner = 0;
    dialog.on_apply = [&](CRecordingDlg& d) { inner = d.DoModal(); };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(inner, -1);
}

TEST(DoModal, SecondDialogWhileOneRunsGivesMinusOneAndTheFirstGoesOn)
{
    // The device's dialog manager runs one modal dialog at a time.
    ScriptSession session("click 1003\ndump\nclick 2\n");
    CRecordingDlg outer;
    INT_PTR inner_result = 0;
    std::vector<std::string> inner_calls;
    outer.on_apply = [&](CRecordingDlg& parent) {
        CRecordingDlg inner(IDD_SMALL, &parent);
        inner_result = inner.DoModal();
        inner_calls = inner.calls;
        EXPECT_EQ(inner.m_hWnd, nullptr);
    };
    EXPECT_EQ(outer.DoModal(), IDCANCEL);
    EXPECT_EQ(inner_result, -1);
    EXPECT_TRUE(inner_calls.empty());
    EXPECT_EQ(outer.calls, (std::vector<std::string> { "init", "apply", "cancel" }));
    auto const lines = session.lines();
    ASSERT_EQ(lines.size(), 2u) << session.output();
    EXPECT_EQ(lines[0].at("caption"), "Plain");
}

TEST(DoModal, ExceptionFromAHandlerEndsTheDialogAndReachesTheCaller)
{
    ScriptSession session("click 1003\nclick 1\n");
    CRecordingDlg dialog;
    dialog.on_apply = [](CRecordingDlg&) { throw std::runtime_error("handler failed"); };
    EXPECT_THROW(dialog.DoModal(), std::runtime_error);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(dialog.calls, (std::vector<std::string> { "init", "apply" }));
    EXPECT_EQ(last_line(session.lines()), nlohmann::json({ { "end", -1 } }));
}

namespace {

// Exchanges one non-negative number with the edit field.
class CValueDlg : public CDialog {
public:
    CValueDlg()
        : CDialog(IDD_PLAIN)
    {
    }

    int m_value { 7 };
    std::vector<BOOL> exchanges;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        exchanges.push_back(pDX->m_bSaveAndValidate);
        EXPECT_EQ(pDX->m_pDlgWnd, this);
        pDX->PrepareEditCtrl(IDC_VALUE);
        if (!pDX->m_bSaveAndValidate) {
            SetDlgItemInt(IDC_VALUE, static_cast<UINT>(m_value));
            return;
        }
        BOOL translated = FALSE;
        int const value = static_cast<int>(GetDlgItemInt(IDC_VALUE, &translated));
        if (!translated || value < 0) {
            pDX->Fail();
            return;
        }
        m_value = value;
    }
};

}

TEST(DataExchange, OutAtInitialisationInOnOk)
{
    ScriptSession session("dump\nkey Tab\ntype 42\nclick 1\n");
    CValueDlg dialog;
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_value, 42);
    EXPECT_EQ(dialog.exchanges, (std::vector<BOOL> { FALSE, TRUE }));
    EXPECT_EQ(control(session.lines().at(0), IDC_VALUE)->at("text"), "7");
}

TEST(DataExchange, FailureKeepsTheDialogOpenOnTheField)
{
    ScriptSession session("key Tab\ntype -5\nclick 1\ndump\nkey Escape\n");
    CValueDlg dialog;
    ASSERT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.m_value, 7);
    EXPECT_EQ(dialog.exchanges, (std::vector<BOOL> { FALSE, TRUE }));
    auto const dump = session.lines().at(0);
    EXPECT_EQ(dump.at("focus"), IDC_VALUE);
    auto const* field = control(dump, IDC_VALUE);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->at("text"), "-5");
    EXPECT_EQ(field->at("selection"), nlohmann::json({ 0, 2 }));
}
