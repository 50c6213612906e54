// The application object and the framework's start-up: the default name, one
// InitInstance per AfxWinMain and what its result means, the refusal to start
// with no application object or more than one, and resource lookup through the
// application.
#include "afxwin.h"
#include "fixture.h"
#include "ScriptSession.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The name this test executable is built as.
constexpr char16_t executable_name[] = u"framework_test";

class CCountingApp : public CWinApp {
public:
    explicit CCountingApp(LPCTSTR name = NULL)
        : CWinApp(name)
    {
    }

    std::vector<std::string> calls;
    BOOL init_result { FALSE };
    int exit_code { 0 };

    BOOL InitInstance() override
    {
        calls.push_back("init");
        return init_result;
    }

    int ExitInstance() override
    {
        calls.push_back("exit");
        CWinApp::ExitInstance();
        return exit_code;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCountingApp, CWinApp)
END_MESSAGE_MAP()

// Runs IDD_PLAIN as its main window from InitInstance, as a dialog program does.
class CDialogApp : public CWinApp {
public:
    INT_PTR result { 0 };
    CWnd* main_during_run { nullptr };

    BOOL InitInstance() override
    {
        CDialog dialog(IDD_PLAIN);
        m_pMainWnd = &dialog;
        main_during_run = AfxGetMainWnd();
        result = dialog.DoModal();
        return FALSE;
    }
};

WCHAR command_line[] = u"one \"two three\"";

}

TEST(CWinApp, NullNameIsTheExecutablesName)
{
    CCountingApp app;
    ASSERT_NE(app.m_pszAppName, nullptr);
    EXPECT_EQ(std::u16string(app.m_pszAppName), executable_name);
    EXPECT_EQ(std::u16string(app.m_pszExeName), executable_name);
    EXPECT_EQ(AfxGetAppName(), app.m_pszAppName);
}

TEST(CWinApp, GivenNameIsKeptAsACopy)
{
    WCHAR name[] = u"Velquin";
    CCountingApp app(name);
    name[0] = u'X';
    EXPECT_EQ(std::u16string(app.m_pszAppName), u"Velquin");
    EXPECT_EQ(std::u16string(app.m_pszExeName), executable_name);
}

TEST(CWinApp, AfxGetAppIsTheLiveApplication)
{
    EXPECT_EQ(AfxGetApp(), nullptr);
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
    {
        CCountingApp app;
        EXPECT_EQ(AfxGetApp(), &app);
        EXPECT_EQ(AfxGetInstanceHandle(), GetModuleHandleW(nullptr)) << "before AfxWinMain";
    }
    EXPECT_EQ(AfxGetApp(), nullptr);
}

TEST(AfxWinMain, InitInstanceOnceAndFalseEndsWithZero)
{
    CCountingApp app;
    HINSTANCE const instance = GetModuleHandleW(nullptr);
    EXPECT_EQ(AfxWinMain(instance, nullptr, command_line, SW_SHOWNORMAL), 0);
    EXPECT_EQ(app.calls, (std::vector<std::string> { "init", "exit" }));
    EXPECT_EQ(app.m_hInstance, instance);
    EXPECT_EQ(app.m_hPrevInstance, nullptr);
    EXPECT_EQ(app.m_lpCmdLine, command_line);
    EXPECT_EQ(app.m_nCmdShow, SW_SHOWNORMAL);
    EXPECT_EQ(AfxGetInstanceHandle(), instance);
    EXPECT_EQ(AfxGetResourceHandle(), instance);
}

TEST(AfxWinMain, ResultIsExitInstancesWhetherOrNotItRuns)
{
    for (BOOL const runs : { FALSE, TRUE }) {
        CCountingApp app;
        app.init_result = runs;
        app.exit_code = 7;
        EXPECT_EQ(AfxWinMain(GetModuleHandleW(nullptr), nullptr, command_line, SW_SHOWNORMAL), 7) << runs;
        EXPECT_EQ(app.calls, (std::vector<std::string> { "init", "exit" })) << runs;
    }
}

TEST(AfxWinMain, RefusesToStartWithoutExactlyOneApplication)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(AfxWinMain(GetModuleHandleW(nullptr), nullptr, command_line, SW_SHOWNORMAL), -1);
    std::string const none = testing::internal::GetCapturedStderr();
    EXPECT_NE(none.find("no application object"), std::string::npos) << none;

    CCountingApp first;
    CCountingApp second;
    testing::internal::CaptureStderr();
    EXPECT_EQ(AfxWinMain(GetModuleHandleW(nullptr), nullptr, command_line, SW_SHOWNORMAL), -1);
    std::string const two = testing::internal::GetCapturedStderr();
    EXPECT_NE(two.find("2 application objects"), std::string::npos) << two;
    EXPECT_TRUE(first.calls.empty());
    EXPECT_TRUE(second.calls.empty());
}

TEST(AfxWinMain, DialogProgramRunsItsDialogAndEndsWithNoMainWindow)
{
    ScriptSession session("dump\nclick 1\n");
    CDialogApp app;
    EXPECT_EQ(AfxWinMain(GetModuleHandleW(nullptr), nullptr, command_line, SW_SHOWNORMAL), 0);
    EXPECT_EQ(app.result, IDOK);
    EXPECT_NE(app.main_during_run, nullptr);
    EXPECT_EQ(app.m_pMainWnd, nullptr) << "the dialog object is gone; so is the main window";
    auto const lines = session.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].at("caption"), "Plain");
    EXPECT_EQ(lines[1], nlohmann::json({ { "end", IDOK } }));
}

TEST(Resources, IconsAndTheModuleThatHoldsThem)
{
    CCountingApp app;
    HINSTANCE const module = GetModuleHandleW(nullptr);
    EXPECT_EQ(AfxFindResourceHandle(MAKEINTRESOURCE(IDI_FIXTURE), RT_GROUP_ICON), module);
    EXPECT_EQ(AfxFindResourceHandle(MAKEINTRESOURCE(IDD_PLAIN), RT_DIALOG), module);

    HICON const by_id = app.LoadIcon(IDI_FIXTURE);
    EXPECT_NE(by_id, nullptr);
    EXPECT_EQ(app.LoadIcon(MAKEINTRESOURCE(IDI_FIXTURE)), by_id);
    EXPECT_EQ(app.LoadIcon(IDI_MISSING), nullptr);
}
