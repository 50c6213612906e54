// Window and dialog-item operations of CWnd on a live dialog of the tests' own,
// through the real dialog manager and the script front end: item texts and
// numbers, item objects, icons, and centring on the screen or on an owner.
#include "afxwin.h"
#include "fixture.h"
#include "ScriptSession.h"
#include "text/Utf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>

namespace {

// Runs a test's code inside OnInitDialog of a live dialog.
class CHookDlg : public CDialog {
public:
    CHookDlg(UINT nIDTemplate, std::function<void(CHookDlg&)> hook, CWnd* pParentWnd = NULL)
        : CDialog(nIDTemplate, pParentWnd)
        , m_hook(std::move(hook))
    {
    }

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        m_hook(*this);
        return TRUE;
    }

private:
    std::function<void(CHookDlg&)> m_hook;
};

// Runs `hook` in a live IDD_PLAIN dialog that the script then cancels, and
// gives the front end's lines.
std::vector<nlohmann::json> run_in_dialog(std::function<void(CHookDlg&)> hook, std::string const& script = "",
                                          UINT nIDTemplate = IDD_PLAIN,
                                          platform::frontends::ScriptFrontEnd::Metrics const& metrics = {})
{
    ScriptSession session(script, metrics);
    CHookDlg dialog(nIDTemplate, std::move(hook));
    EXPECT_NE(dialog.DoModal(), -1);
    return session.lines();
}

struct IntCase {
    char16_t const* text;
    int value;
    BOOL translated;
};

}

TEST(DialogItems, GetDlgItemIntIsSignedByDefault)
{
    // Leading white space is skipped, then an optional minus sign and digits up
    // to the first other character; no digits, or a value outside 32 bits, is
    // 0 and not translated.
    IntCase const cases[] = {
        { u"", 0, FALSE },
        { u"abc", 0, FALSE },
        { u"-", 0, FALSE },
        { u"  42", 42, TRUE },
        { u"12abc", 12, TRUE },
        { u"-60", -60, TRUE },
        { u"2147483647", 2147483647, TRUE },
        { u"2147483648", 0, FALSE },
        { u"-2147483648", -2147483647 - 1, TRUE },
        { u"99999999999", 0, FALSE },
    };
    run_in_dialog([&](CHookDlg& d) {
        for (auto const& c : cases) {
            d.SetDlgItemText(IDC_VALUE, c.text);
            BOOL translated = 0x5A5A;
            EXPECT_EQ(static_cast<int>(d.GetDlgItemInt(IDC_VALUE, &translated)), c.value)
                << platform::text::to_utf8(c.text);
            EXPECT_EQ(translated, c.translated) << platform::text::to_utf8(c.text);
            EXPECT_EQ(static_cast<int>(d.GetDlgItemInt(IDC_VALUE)), c.value) << platform::text::to_utf8(c.text);
        }
        d.SetDlgItemText(IDC_VALUE, u"-5");
        EXPECT_EQ(d.GetDlgItemInt(IDC_VALUE, nullptr, FALSE), 0u) << "unsigned, with a minus sign";
    });
}

TEST(DialogItems, SetDlgItemIntWritesPlainDecimal)
{
    struct {
        UINT value;
        BOOL is_signed;
        char const* text;
    } const cases[] = {
        { static_cast<UINT>(-60), TRUE, "-60" },
        { 0, TRUE, "0" },
        { 2147483647u, TRUE, "2147483647" },
        { 0x80000000u, TRUE, "-2147483648" },
        { static_cast<UINT>(-60), FALSE, "4294967236" },
    };
    for (auto const& c : cases) {
        auto const lines = run_in_dialog(
            [&](CHookDlg& d) {
                if (c.is_signed)
                    d.SetDlgItemInt(IDC_VALUE, c.value); // signed is the default
                else
                    d.SetDlgItemInt(IDC_VALUE, c.value, FALSE);
            },
            "dump\n");
        EXPECT_EQ(control(lines.at(0), IDC_VALUE)->at("text"), c.text);
    }
}

TEST(DialogItems, TextsReachTheControlsAndComeBackBounded)
{
    auto const lines = run_in_dialog(
        [](CHookDlg& d) {
            d.SetDlgItemText(IDC_LABEL, u"Default: -60");
            d.SetWindowText(u"Renamed");

            WCHAR buffer[8];
            std::fill(std::begin(buffer), std::end(buffer), u'#');
            EXPECT_EQ(d.GetDlgItemText(IDC_LABEL, buffer, 5), 4);
            EXPECT_EQ(std::u16string(buffer), u"Defa");
            EXPECT_EQ(buffer[5], u'#') << "written past the size given";

            WCHAR caption[32];
            EXPECT_EQ(d.GetWindowText(caption, 32), 7);
            EXPECT_EQ(std::u16string(caption), u"Renamed");
            EXPECT_EQ(d.GetWindowTextLength(), 7);
        },
        "dump\n");
    EXPECT_EQ(lines.at(0).at("caption"), "Renamed");
    EXPECT_EQ(control(lines.at(0), IDC_LABEL)->at("text"), "Default: -60");
}

TEST(DialogItems, ItemObjectsStandForTheControls)
{
    auto const lines = run_in_dialog(
        [](CHookDlg& d) {
            CWnd* value = d.GetDlgItem(IDC_VALUE);
            ASSERT_NE(value, nullptr);
            EXPECT_EQ(d.GetDlgItem(IDC_VALUE), value) << "one object per control";
            EXPECT_EQ(value->m_hWnd, ::GetDlgItem(d.m_hWnd, IDC_VALUE));
            EXPECT_EQ(value->GetDlgCtrlID(), IDC_VALUE);
            EXPECT_EQ(value->GetParent(), &d);
            EXPECT_EQ(CWnd::FromHandlePermanent(value->m_hWnd), nullptr) << "a control is not attached";
            EXPECT_EQ(d.GetDlgItem(4242), nullptr);
            EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);

            value->SetWindowText(u"typed");
            d.GetDlgItem(IDC_APPLY)->EnableWindow(FALSE);
            d.GetDlgItem(IDC_NESTED)->ShowWindow(SW_HIDE);
            EXPECT_FALSE(d.GetDlgItem(IDC_APPLY)->IsWindowEnabled());
            EXPECT_FALSE(d.GetDlgItem(IDC_NESTED)->IsWindowVisible());
        },
        "dump\n");
    auto const& dump = lines.at(0);
    EXPECT_EQ(control(dump, IDC_VALUE)->at("text"), "typed");
    EXPECT_EQ(control(dump, IDC_APPLY)->at("enabled"), false);
    EXPECT_EQ(control(dump, IDC_NESTED)->at("visible"), false);
}

TEST(DialogItems, SendMessageReachesTheWindow)
{
    run_in_dialog([](CHookDlg& d) {
        d.GetDlgItem(IDC_VALUE)->SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"sent"));
        WCHAR buffer[16] = {};
        EXPECT_EQ(d.GetDlgItem(IDC_VALUE)->SendMessage(WM_GETTEXT, 16, reinterpret_cast<LPARAM>(buffer)), 4);
        EXPECT_EQ(std::u16string(buffer), u"sent");
    });
}

TEST(Icons, SetIconReachesTheDialog)
{
    HICON icon = nullptr;
    auto const lines = run_in_dialog(
        [&](CHookDlg& d) {
            icon = LoadIconW(AfxFindResourceHandle(MAKEINTRESOURCE(IDI_FIXTURE), RT_GROUP_ICON),
                             MAKEINTRESOURCE(IDI_FIXTURE));
            ASSERT_NE(icon, nullptr);
            EXPECT_EQ(d.SetIcon(icon, TRUE), nullptr);
            EXPECT_EQ(d.GetIcon(TRUE), icon);
            EXPECT_EQ(reinterpret_cast<HICON>(d.SendMessage(WM_GETICON, ICON_BIG, 0)), icon);
            EXPECT_EQ(d.GetIcon(FALSE), nullptr) << "only the big icon is set yet";
            EXPECT_EQ(d.SetIcon(icon, FALSE), nullptr);
            EXPECT_EQ(reinterpret_cast<HICON>(d.SendMessage(WM_GETICON, ICON_SMALL, 0)), icon);
            EXPECT_EQ(d.SetIcon(icon, TRUE), icon) << "the icon set before";
        },
        "dump\n");
    auto const& icons = lines.at(0).at("icons");
    EXPECT_FALSE(icons.at("big").is_null());
    EXPECT_FALSE(icons.at("small").is_null());
}

namespace {

struct Centre {
    LONG x;
    LONG y;
};

Centre centre_of(RECT const& r)
{
    return { (r.left + r.right) / 2, (r.top + r.bottom) / 2 };
}

void expect_centred(RECT const& inner, RECT const& outer, std::string const& label)
{
    Centre const a = centre_of(inner);
    Centre const b = centre_of(outer);
    EXPECT_LE(std::abs(a.x - b.x), 1) << label << ": x " << a.x << " against " << b.x;
    EXPECT_LE(std::abs(a.y - b.y), 1) << label << ": y " << a.y << " against " << b.y;
}

}

TEST(CenterWindow, OnTheDesktopOrWithoutOwnerTheScreensMiddle)
{
    SIZE const screens[] = { { 640, 480 }, { 1001, 333 }, { 400, 900 } };
    for (SIZE const screen : screens) {
        for (bool const desktop : { true, false }) {
            std::string const label = std::to_string(screen.cx) + "x" + std::to_string(screen.cy)
                + (desktop ? " on the desktop" : " with NULL");
            platform::frontends::ScriptFrontEnd::Metrics metrics;
            metrics.screen = screen;
            RECT before { 0, 0, 0, 0 };
            RECT after { 0, 0, 0, 0 };
            auto const lines = run_in_dialog(
                [&](CHookDlg& d) {
                    d.GetWindowRect(&before);
                    d.CenterWindow(desktop ? CWnd::GetDesktopWindow() : NULL);
                    d.GetWindowRect(&after);
                },
                "dump\n", IDD_PLAIN, metrics);
            EXPECT_EQ(after.right - after.left, before.right - before.left) << label << ": size kept";
            EXPECT_EQ(after.bottom - after.top, before.bottom - before.top) << label << ": size kept";
            expect_centred(after, RECT { 0, 0, screen.cx, screen.cy }, label);
            auto const& window = lines.at(0).at("window");
            EXPECT_EQ(window.at("x"), after.left) << label << ": the front end shows it there";
            EXPECT_EQ(window.at("y"), after.top) << label;
        }
    }
}

TEST(CenterWindow, DialogLargerThanTheScreenKeepsItsTitleBarOnIt)
{
    RECT after { -1, -1, -1, -1 };
    run_in_dialog(
        [&](CHookDlg& d) {
            d.CenterWindow(CWnd::GetDesktopWindow());
            d.GetWindowRect(&after);
        },
        "", IDD_HUGE);
    EXPECT_EQ(after.left, 0);
    EXPECT_EQ(after.top, 0);
}

TEST(CenterWindow, OnAnotherWindow)
{
    // The dialog starts at the screen's top-left corner and centres on one of
    // its own buttons, as it stood before the move.
    RECT target { 0, 0, 0, 0 };
    RECT after { 0, 0, 0, 0 };
    run_in_dialog([&](CHookDlg& d) {
        CWnd* button = d.GetDlgItem(IDC_APPLY);
        button->GetWindowRect(&target);
        d.CenterWindow(button);
        d.GetWindowRect(&after);
    });
    ASSERT_GT(target.right, target.left);
    expect_centred(after, target, "on the Apply button");
}
