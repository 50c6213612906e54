// DialogBoxParamW and DialogBoxIndirectParamW: building from good and bad
// templates, the front end that cannot show, placement and scale, icons and
// captions, handles that are gone.
#include "ScriptedDialog.h"
#include "TemplateWriter.h"
#include "dialog/DialogBox.h"
#include "fixture.h"
#include "resources/DialogTemplate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using dialog_test::Procedure;
using dialog_test::run_dialog;
using nlohmann::json;

namespace {

std::span<BYTE const> fixture_template(int id)
{
    HMODULE const module = GetModuleHandleW(nullptr);
    HRSRC const found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG);
    if (!found)
        return {};
    auto const* data = static_cast<BYTE const*>(LockResource(LoadResource(module, found)));
    return { data, SizeofResource(module, found) };
}

// A front end that refuses to show anything, and fails the test if asked for input.
class CannotShow final : public platform::frontends::FrontEnd {
public:
    platform::Result<void> prepare() override { return {}; }
    SIZE screen_size() const override { return { 640, 480 }; }
    platform::frontends::BaseUnits base_units() const override { return {}; }
    platform::Result<void> show(platform::frontends::DialogView const&) override
    {
        ++shows;
        return platform::Error { "no screen in this test" };
    }
    void refresh(platform::frontends::DialogView const&) override { ADD_FAILURE() << "refresh after a failed show"; }
    platform::frontends::InputEvent next_event() override
    {
        ADD_FAILURE() << "input asked for after a failed show";
        return platform::frontends::CloseRequest { true };
    }
    void close(INT_PTR) override { ADD_FAILURE() << "close after a failed show"; }

    int shows { 0 };
};

// Builds a DLGTEMPLATE by hand: one push button.
class TemplateBytes {
public:
    explicit TemplateBytes(WORD button_class)
    {
        auto& w = m_writer;
        w.dword(WS_POPUP | WS_CAPTION | WS_SYSMENU);
        w.dword(0);
        w.word(1);                                        // one item
        w.word(0), w.word(0), w.word(100), w.word(50);    // x, y, cx, cy
        w.word(0), w.word(0);                             // no menu, the dialog class
        w.text(u"Memory");
        w.align();
        w.dword(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON);
        w.dword(0);
        w.word(5), w.word(5), w.word(40), w.word(14);
        w.word(77);                                       // id
        w.word(0xFFFF), w.word(button_class);
        w.text(u"Go");
        w.word(0);                                        // no creation data
    }
    BYTE const* data() const { return m_writer.bytes().data(); }
    std::size_t size() const { return m_writer.bytes().size(); }

private:
    test_support::TemplateWriter m_writer;
};

INT_PTR run_indirect(void const* bytes, std::string const& script, Procedure& state)
{
    std::istringstream input(script);
    std::ostringstream output, errors;
    platform::dialog::install_front_end(std::make_unique<platform::frontends::ScriptFrontEnd>(input, output, errors));
    INT_PTR const result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), static_cast<LPCDLGTEMPLATE>(bytes),
                                                   nullptr, dialog_test::procedure, reinterpret_cast<LPARAM>(&state));
    platform::dialog::install_front_end(nullptr);
    return result;
}

}

TEST(DialogBox, MissingTemplateGivesMinusOne)
{
    Procedure state;
    bool initialised = false;
    state.on_init = [&](HWND) { return initialised = true; };
    SetLastError(0xDEADBEEF);
    auto const run = run_dialog(4711, "key Enter\n", state);
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_FALSE(initialised);
}

TEST(DialogBox, UnknownControlClassGivesMinusOne)
{
    Procedure state;
    bool initialised = false;
    state.on_init = [&](HWND) { return initialised = true; };
    SetLastError(0xDEADBEEF);
    auto const run = run_dialog(IDD_LISTBOX, "key Enter\n", state);
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
    EXPECT_FALSE(initialised);
    EXPECT_TRUE(run.lines.empty());
}

TEST(DialogBox, TruncatedTemplateGivesMinusOne)
{
    auto const whole = fixture_template(IDD_FIELDS);
    ASSERT_FALSE(whole.empty());
    std::size_t const lengths[] = { 0, 1, 17, 18, 30, whole.size() / 2, whole.size() - 1 };
    for (std::size_t length : lengths) {
        // A copy of exactly that size, so that a read past it is caught.
        std::vector<BYTE> const bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        Procedure state;
        bool initialised = false;
        state.on_init = [&](HWND) { return initialised = true; };
        std::istringstream input("key Enter\n");
        std::ostringstream output, errors;
        platform::dialog::install_front_end(
            std::make_unique<platform::frontends::ScriptFrontEnd>(input, output, errors));
        INT_PTR const result = platform::dialog::dialog_box_from_bytes(bytes, nullptr, nullptr, dialog_test::procedure,
                                                                       reinterpret_cast<LPARAM>(&state));
        platform::dialog::install_front_end(nullptr);
        EXPECT_EQ(result, -1) << "length " << length;
        EXPECT_FALSE(initialised) << "length " << length;
    }
}

TEST(DialogBox, FrontEndThatCannotShowGivesMinusOne)
{
    auto front_end = std::make_unique<CannotShow>();
    auto* shows = &front_end->shows;
    platform::dialog::install_front_end(std::move(front_end));
    Procedure state;
    bool initialised = false;
    state.on_init = [&](HWND) { return initialised = true; };
    INT_PTR const result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FIELDS), nullptr,
                                           dialog_test::procedure, reinterpret_cast<LPARAM>(&state));
    EXPECT_EQ(result, -1);
    EXPECT_EQ(*shows, 1);
    EXPECT_TRUE(initialised) << "the dialog is initialised before it is shown";
    platform::dialog::install_front_end(nullptr);
}

// The front end is the one handed to the dialog manager: without one it
// fails, and never picks one of its own, whatever CE_DEVICE_UI says.
TEST(DialogBox, WithoutAFrontEndGivesMinusOne)
{
    platform::dialog::install_front_end(nullptr);
    setenv("CE_DEVICE_UI", "script", 1);
    Procedure state;
    bool initialised = false;
    state.on_init = [&](HWND) { return initialised = true; };
    SetLastError(0xDEADBEEF);
    INT_PTR const result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FIELDS), nullptr,
                                           dialog_test::procedure, reinterpret_cast<LPARAM>(&state));
    unsetenv("CE_DEVICE_UI");
    EXPECT_EQ(result, -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_FALSE(initialised);
    EXPECT_EQ(platform::dialog::installed_front_end(), nullptr) << "none chosen behind the caller's back";
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 0) << "no screen without a front end";
}

TEST(DialogBox, EndedDuringInitIsNeverShown)
{
    Procedure state;
    state.on_init = [](HWND dialog) {
        EndDialog(dialog, 7);
        return TRUE;
    };
    auto const run = run_dialog(IDD_FIELDS, "dump\n", state);
    EXPECT_EQ(run.result, 7);
    EXPECT_TRUE(run.lines.empty());
}

TEST(DialogBox, IndirectFromTheModuleAndFromMemory)
{
    auto const resource = fixture_template(IDD_FIELDS);
    Procedure from_module;
    EXPECT_EQ(run_indirect(resource.data(), "key Enter\n", from_module), IDOK);

    TemplateBytes const good(platform::resources::button_class_atom);
    Procedure from_memory;
    from_memory.ending.insert(77);
    EXPECT_EQ(run_indirect(good.data(), "key Enter\n", from_memory), 77) << "its default push button";

    TemplateBytes const combo_box(0x85);
    Procedure unbuildable;
    EXPECT_EQ(run_indirect(combo_box.data(), "key Enter\n", unbuildable), -1);
    EXPECT_TRUE(unbuildable.commands.empty());

    Procedure nothing;
    EXPECT_EQ(run_indirect(nullptr, "", nothing), -1);
}

TEST(DialogBox, PlacementAndScale)
{
    Procedure state;
    RECT window {}, client {}, desktop {}, mapped { 0, 0, 4, 8 };
    int screen_width = 0, screen_height = 0;
    HWND parent = reinterpret_cast<HWND>(1);
    state.on_init = [&](HWND dialog) {
        GetWindowRect(dialog, &window);
        GetClientRect(dialog, &client);
        screen_width = GetSystemMetrics(SM_CXSCREEN);
        screen_height = GetSystemMetrics(SM_CYSCREEN);
        GetWindowRect(GetDesktopWindow(), &desktop);
        MapDialogRect(dialog, &mapped);
        parent = GetParent(dialog);
        // Centre it the way a framework does, over the desktop.
        int const width = window.right - window.left;
        int const height = window.bottom - window.top;
        SetWindowPos(dialog, nullptr, (desktop.right - width) / 2, (desktop.bottom - height) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
        return TRUE;
    };
    auto const run = run_dialog(IDD_FIELDS, "dump\n", state);
    // Script metrics: base units 8 by 16, a frame of 1 and a title bar of 18.
    EXPECT_EQ(screen_width, 640);
    EXPECT_EQ(screen_height, 480);
    EXPECT_EQ(desktop.right, 640);
    EXPECT_EQ(desktop.bottom, 480);
    EXPECT_EQ(mapped.right, 8);
    EXPECT_EQ(mapped.bottom, 16);
    EXPECT_EQ(parent, nullptr);
    EXPECT_EQ(client.right, 141 * 2);
    EXPECT_EQ(client.bottom, 169 * 2);
    EXPECT_EQ(window.right - window.left, 141 * 2 + 2);
    EXPECT_EQ(window.bottom - window.top, 169 * 2 + 19);
    EXPECT_EQ(window.left, 0) << "kept on the screen";
    EXPECT_EQ(window.top, 0) << "kept on the screen";

    auto const dump = run.last_dump();
    EXPECT_EQ(dump["window"], json({ { "x", (640 - 284) / 2 }, { "y", (480 - 357) / 2 }, { "cx", 284 }, { "cy", 357 } }));
    EXPECT_EQ(dump["client"]["x"], (640 - 284) / 2 + 1);
    EXPECT_EQ(dump["client"]["y"], (480 - 357) / 2 + 18);
    auto const edit = run.control(IDC_FIRST_EDIT);
    EXPECT_EQ(edit["dlu"], json({ { "x", 83 }, { "y", 7 }, { "cx", 40 }, { "cy", 14 } }));
    EXPECT_EQ(edit["rect"], json({ { "x", 166 }, { "y", 14 }, { "cx", 80 }, { "cy", 28 } }));
}

TEST(DialogBox, BaseUnitsBetweenWholeNumbersRoundToNearest)
{
    platform::frontends::ScriptFrontEnd::Metrics metrics;
    metrics.base = { 3, 9, 2 }; // 1.5 and 4.5: 3/8 and 9/16 of a unit per dialog unit
    Procedure state;
    auto const run = run_dialog(IDD_FIELDS, "dump\n", state, metrics);
    // x 83 * 3/8 = 31.125, y 7 * 9/16 = 3.94, cx 40 * 3/8 = 15, cy 14 * 9/16 = 7.875
    EXPECT_EQ(run.control(IDC_FIRST_EDIT)["rect"], json({ { "x", 31 }, { "y", 4 }, { "cx", 15 }, { "cy", 8 } }));
}

TEST(DialogBox, CaptionIconsAndTheIconControl)
{
    Procedure state;
    HICON const icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_FIXTURE));
    ASSERT_NE(icon, nullptr);
    LRESULT first_set = 1, second_set = 0, got = 0;
    WCHAR small_buffer[4] = { u'#', u'#', u'#', u'#' };
    int copied = -1;
    state.on_init = [&](HWND dialog) {
        first_set = SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        second_set = SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        got = SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0);
        copied = GetWindowTextW(dialog, small_buffer, 3);
        SetWindowTextW(dialog, u"Renamed");
        return TRUE;
    };
    auto const run = run_dialog(IDD_FIELDS, "dump\n", state);
    auto const handle = static_cast<std::uintptr_t>(reinterpret_cast<std::uintptr_t>(icon));
    EXPECT_EQ(first_set, 0) << "no icon before";
    EXPECT_EQ(second_set, reinterpret_cast<LRESULT>(icon)) << "the previous icon";
    EXPECT_EQ(got, reinterpret_cast<LRESULT>(icon));
    EXPECT_EQ(copied, 2);
    EXPECT_EQ(std::u16string(small_buffer, 4), std::u16string(u"Fi\0#", 4)) << "bounded and terminated";
    auto const dump = run.last_dump();
    EXPECT_EQ(dump["caption"], "Renamed");
    EXPECT_EQ(dump["icons"], json({ { "big", handle }, { "small", handle } }));
    auto const& picture = dump["controls"][6];
    EXPECT_EQ(picture["class"], "Static");
    EXPECT_EQ(picture["icon"], handle) << "SS_ICON shows the icon its title names";
}

TEST(DialogBox, HandlesOfAnEndedDialogAreGone)
{
    Procedure state;
    HWND dialog_handle = nullptr;
    HWND edit = nullptr;
    state.on_init = [&](HWND dialog) {
        dialog_handle = dialog;
        edit = GetDlgItem(dialog, IDC_FIRST_EDIT);
        return TRUE;
    };
    run_dialog(IDD_FIELDS, "", state);
    ASSERT_NE(dialog_handle, nullptr);
    EXPECT_FALSE(IsWindow(dialog_handle));
    EXPECT_FALSE(IsWindow(edit));
    SetLastError(0);
    EXPECT_EQ(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_FALSE(EndDialog(dialog_handle, IDOK));
}

TEST(DialogBox, OneModalDialogAtATime)
{
    Procedure state;
    INT_PTR nested = 0;
    state.on_init = [&](HWND dialog) {
        Procedure inner;
        nested = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PLAIN), dialog,
                                 dialog_test::procedure, reinterpret_cast<LPARAM>(&inner));
        return TRUE;
    };
    run_dialog(IDD_FIELDS, "", state);
    EXPECT_EQ(nested, -1);
}

TEST(DialogBox, ControlsDestroyedOrDisabledLeaveTheTabOrder)
{
    Procedure state;
    state.on_init = [](HWND dialog) {
        DestroyWindow(GetDlgItem(dialog, IDC_FIRST_EDIT));
        EnableWindow(GetDlgItem(dialog, IDC_SECOND_EDIT), FALSE);
        return TRUE;
    };
    auto const run = run_dialog(IDD_FIELDS, "key Tab\ndump\n", state);
    EXPECT_EQ(run.focus(), 1) << "nothing else takes the tab";
    EXPECT_EQ(run.control(IDC_FIRST_EDIT), json()) << "a destroyed control is not shown";
    EXPECT_EQ(run.control(IDC_SECOND_EDIT)["enabled"], false);
}
