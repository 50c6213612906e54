// The bias dialog in process, through the real framework, dialog manager and
// script front end, on the compiled resources of the program and a fresh device
// directory per test. A front end of the tests' own wraps the script one, so a
// test can act on the device while the dialog is open.
#include "BiasDlg.h"

#include "DeviceFixture.h"
#include "dialog/DesktopWindow.h"
#include "frontends/ScriptFrontEnd.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <sstream>

using nlohmann::json;
using platform::frontends::ScriptFrontEnd;

namespace {

// The script front end, with a hook that runs before each input event is taken.
class HookedFrontEnd final : public platform::frontends::FrontEnd {
public:
    HookedFrontEnd(std::string const& commands, std::function<void(int)> hook)
        : m_input(commands)
        , m_script(m_input, m_output, m_errors)
        , m_hook(std::move(hook))
    {
    }

    platform::Result<void> prepare() override { return m_script.prepare(); }
    SIZE screen_size() const override { return m_script.screen_size(); }
    platform::frontends::BaseUnits base_units() const override { return m_script.base_units(); }
    platform::frontends::Insets non_client_insets(DWORD style, DWORD ex_style) const override
    {
        return m_script.non_client_insets(style, ex_style);
    }
    int text_extent(std::u16string_view text) const override { return m_script.text_extent(text); }
    platform::Result<void> show(platform::frontends::DialogView const& view) override { return m_script.show(view); }
    void refresh(platform::frontends::DialogView const& view) override { m_script.refresh(view); }
    platform::frontends::InputEvent next_event() override
    {
        if (m_hook)
            m_hook(m_events);
        ++m_events;
        return m_script.next_event();
    }
    void close(INT_PTR result) override { m_script.close(result); }

    std::string output() const { return m_output.str(); }

private:
    std::istringstream m_input;
    std::ostringstream m_output;
    std::ostringstream m_errors;
    ScriptFrontEnd m_script;
    std::function<void(int)> m_hook;
    int m_events { 0 };
};

TIME_ZONE_INFORMATION make_record(LONG bias, char16_t const* standard_name, LONG standard_bias, LONG daylight_bias)
{
    TIME_ZONE_INFORMATION tzi {};
    tzi.Bias = bias;
    std::char_traits<char16_t>::copy(tzi.StandardName, standard_name, std::char_traits<char16_t>::length(standard_name));
    std::char_traits<char16_t>::copy(tzi.DaylightName, u"Test Daylight Time", 18);
    tzi.StandardDate = { 0, 10, 0, 5, 3, 0, 0, 0 };
    tzi.DaylightDate = { 0, 3, 0, 5, 2, 0, 0, 0 };
    tzi.StandardBias = standard_bias;
    tzi.DaylightBias = daylight_bias;
    return tzi;
}

bool time_zone_stored()
{
    HKEY key = NULL;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Time", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG result = RegQueryValueExW(key, u"TimeZoneInformation", NULL, NULL, NULL, &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

}

class BiasDialog : public test_support::DeviceFixture {
protected:
    void TearDown() override
    {
        platform::dialog::install_front_end(nullptr);
        DeviceFixture::TearDown();
    }

    struct Run {
        INT_PTR result;
        std::vector<json> dumps;
    };

    // Runs one CBiasDlg, as the application does, on these script commands.
    Run run(std::string const& commands, std::function<void(CBiasDlg&, int)> hook = {})
    {
        CBiasDlg dlg;
        auto front_end = std::make_unique<HookedFrontEnd>(commands, [&](int event) {
            if (hook)
                hook(dlg, event);
        });
        auto* script = front_end.get();
        platform::dialog::install_front_end(std::move(front_end));
        Run run { dlg.DoModal(), {} };
        std::istringstream lines(script->output());
        for (std::string line; std::getline(lines, line);) {
            auto parsed = json::parse(line);
            if (!parsed.contains("end"))
                run.dumps.push_back(parsed);
        }
        platform::dialog::install_front_end(nullptr);
        return run;
    }

    static std::string text(json const& dump, int id)
    {
        for (auto const& control : dump.at("controls"))
            if (control.at("id") == id)
                return control.at("text");
        ADD_FAILURE() << "no control " << id;
        return {};
    }
};

TEST_F(BiasDialog, ShowsTheRecordsBiasesAndRecordsThemOnTheFirstRun)
{
    auto const record = make_record(-120, u"Test Standard Time", 10, -45);
    ASSERT_TRUE(SetTimeZoneInformation(&record));

    auto run = this->run("dump\nkey Escape\n");
    EXPECT_EQ(run.result, IDCANCEL);
    ASSERT_EQ(run.dumps.size(), 1u);
    EXPECT_EQ(text(run.dumps[0], IDC_DAYLIGHT_BIAS), "-45");
    EXPECT_EQ(text(run.dumps[0], IDC_STANDARD_BIAS), "10");
    // Recorded from the record just read, before anything could be changed.
    EXPECT_EQ(text(run.dumps[0], IDC_DAYLIGHT_DEFAULT), "Default: -45");
    EXPECT_EQ(text(run.dumps[0], IDC_STANDARD_DEFAULT), "Default: 10");

    TCHAR stored[MaxTextChars];
    ReadRegString(TEXT("DEFAULTS"), TEXT("DayLight"), stored);
    EXPECT_EQ(std::u16string(stored), u"Default: -45");
    ReadRegString(TEXT("DEFAULTS"), TEXT("Standard"), stored);
    EXPECT_EQ(std::u16string(stored), u"Default: 10");
}

TEST_F(BiasDialog, InitialisationLeavesTheDialogCentredWithIconsAndFocusOnOk)
{
    HWND focus = NULL, ok = NULL;
    HICON big = NULL, small = NULL;
    RECT window {};
    int screen_width = 0, screen_height = 0;
    run("key Escape\n", [&](CBiasDlg& dlg, int event) {
        if (event != 0)
            return;
        focus = GetFocus();
        ok = GetDlgItem(dlg.m_hWnd, IDOK);
        big = (HICON)SendMessageW(dlg.m_hWnd, WM_GETICON, ICON_BIG, 0);
        small = (HICON)SendMessageW(dlg.m_hWnd, WM_GETICON, ICON_SMALL, 0);
        GetWindowRect(dlg.m_hWnd, &window);
        screen_width = GetSystemMetrics(SM_CXSCREEN);
        screen_height = GetSystemMetrics(SM_CYSCREEN);
    });
    EXPECT_NE(ok, (HWND)NULL);
    EXPECT_EQ(focus, ok);
    HICON const app_icon = LoadIconW(GetModuleHandleW(NULL), MAKEINTRESOURCE(IDI_APP));
    EXPECT_NE(app_icon, (HICON)NULL);
    EXPECT_EQ(big, app_icon);
    EXPECT_EQ(small, app_icon);

    ASSERT_GT(screen_width, 0);
    EXPECT_LE(std::abs((window.left + window.right) - screen_width), 1) << window.left << ".." << window.right;
    EXPECT_LE(std::abs((window.top + window.bottom) - screen_height), 1) << window.top << ".." << window.bottom;
}

TEST_F(BiasDialog, OkReadsTheRecordAfreshAndReplacesOnlyTheBiases)
{
    auto const at_start = make_record(-60, u"Start Standard Time", 0, -60);
    ASSERT_TRUE(SetTimeZoneInformation(&at_start));
    auto const meanwhile = make_record(300, u"Changed Standard Time", 7, -30);

    // While the dialog is open, someone else changes the record; the fields
    // still show what the dialog read when it opened.
    auto run = this->run("key Tab\ntype -90\nkey Enter\n", [&](CBiasDlg&, int event) {
        if (event == 0)
            SetTimeZoneInformation(&meanwhile);
    });
    EXPECT_EQ(run.result, IDOK);

    TIME_ZONE_INFORMATION after {};
    GetTimeZoneInformation(&after);
    EXPECT_EQ(after.DaylightBias, -90) << "typed";
    EXPECT_EQ(after.StandardBias, 0) << "read back from the untouched field";
    EXPECT_EQ(after.Bias, 300) << "carried over as it stood at OK";
    EXPECT_EQ(std::u16string(after.StandardName), u"Changed Standard Time");
    EXPECT_EQ(std::memcmp(&after.StandardDate, &meanwhile.StandardDate, sizeof(SYSTEMTIME)), 0);
    EXPECT_EQ(std::memcmp(&after.DaylightDate, &meanwhile.DaylightDate, sizeof(SYSTEMTIME)), 0);
}

TEST_F(BiasDialog, CancelWritesNoRecord)
{
    for (auto commands : { "key Tab\ntype 33\nkey Escape\n", "key Tab\ntype 33\nclick caption-close\n", "" }) {
        fresh_device();
        auto run = this->run(commands);
        EXPECT_EQ(run.result, IDCANCEL) << commands;
        EXPECT_FALSE(time_zone_stored()) << commands;
    }
}
